#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <functional>

#include "archive_error.h"
#include "batch_commands.h"
#include "error_text.h"

namespace kofrex {
namespace {

const QString kList = QStringLiteral("list");
const QString kJson = QStringLiteral("json");
const QString kAddTo = QStringLiteral("add-to");
const QString kExtractTo = QStringLiteral("extract-to");
const QString kOverwrite = QStringLiteral("overwrite");
const QString kSalvageTo = QStringLiteral("salvage-to");
const QString kExtractHere = QStringLiteral("extract-here");
const QString kAdd = QStringLiteral("add");
const QString kExtract = QStringLiteral("extract");
// The commands that work without the window system, and all of them.
const QStringList kWithoutWindow = {kList, kAddTo, kExtractTo, kSalvageTo, kExtractHere};
const QStringList kCommands = kWithoutWindow + QStringList{kAdd, kExtract};

// The options of every Qt program that starts a window, each form of them known here so that
// any other option is refused before a window system is looked for. Not in --help.
void DescribeWindowOptions(QCommandLineParser& parser) {
    for (const char* name :
         {"platform", "style", "display", "geometry", "qwindowgeometry", "title", "qwindowtitle",
          "icon", "qwindowicon", "platformtheme", "platformpluginpath", "plugin", "session", "name",
          "stylesheet", "qmljsdebugger"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// Every option and argument, for both steps.
void Describe(QCommandLineParser& parser) {
    // -platform is Qt's option, not -p -l -a ...; ours are long anyway.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(CommandLine::tr(
        "Packs files into one .kfx archive and extracts them.\n"
        "\n"
        "Without a command it opens the window, with the archive named. These commands work\n"
        "without a window or a display, for scripts and file managers:\n"
        "  kofrex --list [--json] ARCHIVE\n"
        "  kofrex --add-to ARCHIVE FILE...\n"
        "  kofrex --extract-to FOLDER [--overwrite] ARCHIVE [NAME...]\n"
        "  kofrex --salvage-to FOLDER [--overwrite] ARCHIVE\n"
        "  kofrex --extract-here [--overwrite] ARCHIVE...\n"
        "These ask first, in the desktop's file chooser, for file managers' actions:\n"
        "  kofrex --add FILE...\n"
        "  kofrex --extract ARCHIVE...\n"
        "Started from a desktop without a terminal, the commands show their progress in a\n"
        "window and what they left out in a message.\n"
        "On a terminal, long work shows its progress and Ctrl+C cancels it, leaving the\n"
        "archive as it was. Exit status: 0 when everything asked was done, 1 when the\n"
        "command line is wrong or anything failed or was left out (each named on stderr)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {kList,
         CommandLine::tr("List the entries of ARCHIVE: stored name, size and 1-based offset, "
                         "tab-separated, one entry a line.")},
        {kJson,
         CommandLine::tr("With --list: a JSON array of {\"name\", \"size\", \"offset\"} instead.")},
        {kAddTo,
         CommandLine::tr(
             "Store each FILE in <archive>, in one rewrite; the archive is created when "
             "nothing is there. Each file not stored is named with the reason."),
         QStringLiteral("archive")},
        {kExtractTo,
         CommandLine::tr(
             "Write every entry of ARCHIVE, or those stored as the NAMEs (case and padding "
             "ignored), into <folder>, created with its parents when missing, under safe "
             "file names. Files already there are left alone."),
         QStringLiteral("folder")},
        {kSalvageTo,
         CommandLine::tr(
             "Write every entry of the damaged ARCHIVE whose data lie whole in it into "
             "<folder>, as --extract-to writes them all, and name each entry that could not be "
             "recovered, and why."),
         QStringLiteral("folder")},
        {kExtractHere,
         CommandLine::tr("Write every entry of each ARCHIVE beside it: a single entry into the "
                         "archive's folder, several into a folder named after the archive.")},
        {kAdd, CommandLine::tr("Ask for the archive to store each FILE in, proposing one named "
                               "after the first file (after their folder for several).")},
        {kExtract,
         CommandLine::tr("Ask for the folder to write every entry of each ARCHIVE into.")},
        {kOverwrite, CommandLine::tr("With --extract-to, --extract-here or --salvage-to: replace "
                                     "files already there.")},
    });
    DescribeWindowOptions(parser);
    parser.addPositionalArgument(QStringLiteral("archive"),
                                 CommandLine::tr("The archive to open when the window starts."),
                                 QStringLiteral("[archive]"));
}

int WrongCommandLine(const QString& why) {
    // Worded like the parser's own errors.
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(why));
    return 1;
}

// The bytes of an argument, as the kernel gave them (see ByteArguments).
std::string Bytes(const QString& argument) {
    return argument.toLatin1().toStdString();
}

std::vector<std::string> Bytes(const QStringList& arguments) {
    std::vector<std::string> paths;
    for (const QString& argument : arguments) {
        paths.push_back(Bytes(argument));
    }
    return paths;
}

// A text asked for on stdout: 0 once it is all written, else 1 after saying so.
int PrintOrSay(const QString& text) {
    if (!Printed(text.toLocal8Bit().toStdString())) {
        return WrongCommandLine(CommandLine::tr("The text could not be written."));
    }
    return 0;
}

// The command asked for, run; its exit status.
int Run(const QCommandLineParser& parser, DesktopAnswer* desktop) {
    const QStringList operands = parser.positionalArguments();
    if (parser.isSet(kList)) {
        if (operands.size() != 1) {
            return WrongCommandLine(CommandLine::tr("--list takes one archive."));
        }
        return ListArchive(Bytes(operands.first()), parser.isSet(kJson));
    }
    if (parser.isSet(kAddTo)) {
        if (operands.isEmpty()) {
            return WrongCommandLine(
                CommandLine::tr("--add-to takes the archive and at least one file."));
        }
        return AddToArchive(Bytes(parser.value(kAddTo)), Bytes(operands), desktop);
    }
    if (parser.isSet(kSalvageTo)) {
        if (operands.size() != 1) {
            return WrongCommandLine(
                CommandLine::tr("--salvage-to takes the folder and one archive."));
        }
        return SalvageFromArchive(Bytes(parser.value(kSalvageTo)), Bytes(operands.first()),
                                  parser.isSet(kOverwrite), desktop);
    }
    if (parser.isSet(kExtractHere)) {
        if (operands.isEmpty()) {
            return WrongCommandLine(CommandLine::tr("--extract-here takes at least one archive."));
        }
        return ExtractHere(Bytes(operands), parser.isSet(kOverwrite), desktop);
    }
    if (operands.isEmpty()) {
        return WrongCommandLine(CommandLine::tr("--extract-to takes the folder and the archive."));
    }
    // NAMEs are UTF-8 as typed, like every name the store is given.
    return ExtractFromArchive(Bytes(parser.value(kExtractTo)), Bytes(operands.first()),
                              Bytes(operands.mid(1)), parser.isSet(kOverwrite), desktop);
}

// Why the command line cannot be run; empty when it can.
QString Misuse(const QCommandLineParser& parser, bool parsed) {
    if (!parsed) {
        return parser.errorText();
    }
    const auto commands = std::ranges::count_if(
        kCommands, [&](const QString& command) { return parser.isSet(command); });
    if (commands > 1) {
        return CommandLine::tr(
            "Give one of --list, --add-to, --extract-to, --salvage-to, --extract-here, --add and "
            "--extract.");
    }
    if ((parser.isSet(kAdd) || parser.isSet(kExtract)) && parser.positionalArguments().isEmpty()) {
        return CommandLine::tr("--add and --extract take at least one file.");
    }
    if (parser.isSet(kJson) && !parser.isSet(kList)) {
        return CommandLine::tr("--json goes with --list.");
    }
    if (parser.isSet(kOverwrite) && !parser.isSet(kExtractTo) && !parser.isSet(kSalvageTo) &&
        !parser.isSet(kExtractHere)) {
        return CommandLine::tr(
            "--overwrite goes with --extract-to, --extract-here or --salvage-to.");
    }
    if (commands == 0 && parser.positionalArguments().size() > 1) {
        return CommandLine::tr("Name one archive at most.");
    }
    return {};
}

}  // namespace

QStringList ByteArguments(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLatin1(argv[i]);
    }
    return arguments;
}

std::optional<int> AnswerWithoutWindow(const QStringList& arguments, DesktopAnswer* desktop) {
    QCommandLineParser parser;
    Describe(parser);
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(QStringLiteral("help"))) {
        return PrintOrSay(parser.helpText());
    }
    if (parser.isSet(QStringLiteral("version"))) {
        return PrintOrSay(QCoreApplication::applicationName() + u' ' +
                          QCoreApplication::applicationVersion() + u'\n');
    }
    if (const QString misuse = Misuse(parser, parsed); !misuse.isEmpty()) {
        return WrongCommandLine(misuse);
    }
    // --help-all lists Qt's window options too, which only the window's step knows; the actions
    // that ask need the window system too.
    const bool command = std::ranges::any_of(
        kWithoutWindow, [&](const QString& name) { return parser.isSet(name); });
    if (parser.isSet(QStringLiteral("help-all")) || !command) {
        return std::nullopt;
    }
    return RunSayingErrors([&] { return Run(parser, desktop); }, desktop);
}

int RunSayingErrors(const std::function<int()>& run, DesktopAnswer* desktop) {
    QString error;
    try {
        return run();
    } catch (const ArchiveError& failure) {
        error = TranslatedDescription(failure);
    } catch (const std::exception& failure) {
        error = QString::fromLocal8Bit(failure.what());
    }
    std::fprintf(stderr, "kofrex: %s\n", qPrintable(error));
    if (desktop != nullptr) {
        desktop->Tell(error);
    }
    return 1;
}

std::optional<AskingAction> AskingActionNamed(const QStringList& arguments) {
    QCommandLineParser parser;
    Describe(parser);
    if (!parser.parse(arguments) || !(parser.isSet(kAdd) || parser.isSet(kExtract))) {
        return std::nullopt;
    }
    return AskingAction{parser.isSet(kAdd) ? AskingAction::Kind::Add : AskingAction::Kind::Extract,
                        Bytes(parser.positionalArguments())};
}

QString ArchiveNamedOnCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    Describe(parser);
    parser.process(arguments);  // only --help-all is left to it: the first step took the rest
    const QStringList named = parser.positionalArguments();
    // The window's paths are text: a name that is no text in the locale's encoding is lost here.
    return named.isEmpty()
               ? QString()
               : QFileInfo(QFile::decodeName(named.first().toLatin1())).absoluteFilePath();
}

}  // namespace kofrex
