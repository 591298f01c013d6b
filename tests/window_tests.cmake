find_package(Qt6 REQUIRED COMPONENTS Test Widgets)

add_executable(window_tests window_test.cpp)
target_link_libraries(window_tests PRIVATE kofrex_ui kofrex_translations kofrex_test_support Qt6::Test GTest::gtest)
gtest_discover_tests(window_tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
# The command line is read from the program itself, without a display.
add_dependencies(window_tests kofrex)
target_compile_definitions(window_tests PRIVATE KOFREX_PROGRAM="$<TARGET_FILE:kofrex>")
