#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kofrex {

class DesktopAnswer;

// The context of the command line's texts in the translations.
class CommandLine {
    Q_DECLARE_TR_FUNCTIONS(kofrex::CommandLine)
};

// The command line as the kernel gave it, each byte one Latin-1 character: a path keeps every
// byte, whatever the locale, and the options, all ASCII, read as usual.
QStringList ByteArguments(int argc, const char* const* argv);

// The command line, read in two steps. `arguments`, from ByteArguments(), starts with the
// program.
//
// First, before the window system is started, so that it works without a display (over SSH, in
// a script): --help and --version print their text, a wrong command line (an option neither
// ours nor one of Qt's window options) is named, and --list, --add-to and --extract-to do their
// work; each gives the exit status to end with. nullopt when the window is to start, or an
// action that asks first. Started from a desktop, the commands answer through `desktop`.
std::optional<int> AnswerWithoutWindow(const QStringList& arguments,
                                       DesktopAnswer* desktop = nullptr);

// Runs a command, saying an error that escapes it on stderr and, started from a desktop, in a
// message; 1 after one.
int RunSayingErrors(const std::function<int()>& run, DesktopAnswer* desktop);

// A file manager's action that asks the user first, in the desktop's file chooser: the archive
// to add the files to, or the folder to extract the archives into.
struct AskingAction {
    enum class Kind { Add, Extract };
    Kind kind;
    std::vector<std::string> paths;  // bytes, as the kernel gave them
};
// The one named on the command line; nullopt for none.
std::optional<AskingAction> AskingActionNamed(const QStringList& arguments);

// Then, once QApplication has taken the options of every Qt program (-platform, ...): the
// archive named, as an absolute path taken from the current folder; empty when none is named.
QString ArchiveNamedOnCommandLine(const QStringList& arguments);

}  // namespace kofrex
