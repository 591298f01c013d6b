#pragma once

#include <QIcon>

namespace kofrex {

// The id under which the desktop entry, the icons and the metainfo are installed. Qt needs it
// (QGuiApplication::setDesktopFileName) so that desktops match the window to its entry.
inline constexpr char desktopFileId[] = "org.quorvane.Kofrex";

// The application icon at 16, 32 and 48 pixels, from the resources linked into the program,
// so the window shows it whether or not the package's theme icons are installed. The first call
// also registers the images as :/icons/16x16/org.quorvane.Kofrex.png (and 32x32, 48x48).
QIcon applicationIcon();

}  // namespace kofrex
