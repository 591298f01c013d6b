#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <optional>

namespace kofrex {

// The context of the command line's texts in the translations.
class CommandLine {
    Q_DECLARE_TR_FUNCTIONS(kofrex::CommandLine)
};

// The command line, read in two steps. `arguments` starts with the program.
//
// First, before the window system is started, so that it works without a display (over SSH, in
// a script): --help and --version print their text and end the program; --list, --add-to and
// --extract-to do their work and give the exit status to end with. nullopt when the window is
// to start.
std::optional<int> AnswerWithoutWindow(const QStringList& arguments);

// Then, once QApplication has taken the options of every Qt program (-platform, ...): the
// archive named, as an absolute path taken from the current folder; empty when none is named.
// A wrong command line prints why and ends the program, as in every Qt program.
QString ArchiveNamedOnCommandLine(const QStringList& arguments);

}  // namespace kofrex
