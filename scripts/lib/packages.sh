# The Debian packages the scripts install through scripts/install-missing, by what needs them.
# Sourced, not run.

# Building and running the program: compiler, CMake and Ninja, Qt, Qt's translation tools (the
# CMake support for them comes with qt6-tools-dev), the font the window is drawn for, and what
# the package recommends as well: Qt's Wayland platform, Qt's own texts in the user's language,
# and the platform theme through which Qt shows the desktop's file chooser.
program_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-tools-dev qt6-l10n-tools
    qt6-wayland fonts-liberation2 qt6-translations-l10n qt6-xdgdesktopportal-platformtheme
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
