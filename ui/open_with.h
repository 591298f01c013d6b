#pragma once

// Open With… for a file the desktop has no program for: the desktop portal's own chooser of
// programs where a portal runs, else a chooser of program files, the chosen one started with the
// file.

#include <QString>
#include <QWidget>

#include "common_dialog.h"
#include "message_box.h"

namespace kofrex {

// Whether a desktop entry or an association names a program for the file at `path`, its type or
// one it is a kind of: where none does, opening it would start nothing, whatever the desktop's
// opener reports.
bool DesktopHasProgramFor(const QString& path);

// Where the chooser of program files starts.
inline constexpr const char* kProgramsFolder = "/usr/bin/";

// Lets the user choose a program for the file at `path` and starts it with the file. The portal
// asks over `window`; without one, `dialog` chooses the program and `messages` says why a chosen
// file could not be started.
void OpenWithChosenProgram(const QString& path, const QWidget& window, CommonDialog& dialog,
                           MessageBox& messages);

}  // namespace kofrex
