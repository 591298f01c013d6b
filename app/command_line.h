#pragma once

#include <QString>
#include <QStringList>

namespace kofrex {

// The command line `kofrex [ARCHIVE]`, read in two steps. `arguments` starts with the program.
//
// First, before the window system is started: --help and --version print their text and end
// the program, so that they work without a display (over SSH, in a script).
void AnswerWithoutWindow(const QStringList& arguments);

// Then, once QApplication has taken the options of every Qt program (-platform, ...): the
// archive named, as an absolute path taken from the current folder; empty when none is named.
// A wrong command line prints why and ends the program, as in every Qt program.
QString ArchiveNamedOnCommandLine(const QStringList& arguments);

}  // namespace kofrex
