#pragma once

#include <QString>
#include <QStringList>

namespace kofrex {

// The archive named on the command line `kofrex [ARCHIVE]`, as an absolute path taken from the
// current folder; empty when none is named. --help, --version and a wrong command line print
// their text and end the program, as in every Qt program. `arguments` starts with the program.
QString ArchiveNamedOnCommandLine(const QStringList& arguments);

}  // namespace kofrex
