# The Debian packages the scripts install through scripts/install-missing, by what needs them.
# Sourced, not run.

# Building and running the program: compiler, CMake and Ninja, Qt, the font the window is drawn
# for, and Qt's Wayland platform, which the package recommends as well.
program_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-wayland fonts-liberation2
)

# The test programs and the fuzzer: GoogleTest, clang with libFuzzer and its sanitizer runtimes,
# and an X server for trying the window by hand.
test_packages=(
    libgtest-dev libgmock-dev
    clang-14 libclang-rt-14-dev libfuzzer-14-dev
    xvfb xauth
)

# The Debian package and its checks: dpkg-shlibdeps and file for CPack; the validators of the
# desktop files and metainfo, the MIME tools, man and lintian; a headless Wayland compositor.
package_packages=(dpkg-dev file)
package_check_packages=(
    "${package_packages[@]}"
    desktop-file-utils appstream shared-mime-info libglib2.0-bin man-db lintian
    weston
)
