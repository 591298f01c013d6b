#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <exception>

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
        {kOverwrite,
         CommandLine::tr("With --extract-to or --salvage-to: replace files already there.")},
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
int Run(const QCommandLineParser& parser) {
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
        return AddToArchive(Bytes(parser.value(kAddTo)), Bytes(operands));
    }
    if (parser.isSet(kSalvageTo)) {
        if (operands.size() != 1) {
            return WrongCommandLine(
                CommandLine::tr("--salvage-to takes the folder and one archive."));
        }
        return SalvageFromArchive(Bytes(parser.value(kSalvageTo)), Bytes(operands.first()),
                                  parser.isSet(kOverwrite));
    }
    if (operands.isEmpty()) {
        return WrongCommandLine(CommandLine::tr("--extract-to takes the folder and the archive."));
    }
    // NAMEs are UTF-8 as typed, like every name the store is given.
    return ExtractFromArchive(Bytes(parser.value(kExtractTo)), Bytes(operands.first()),
                              Bytes(operands.mid(1)), parser.isSet(kOverwrite));
}

// Why the command line cannot be run; empty when it can.
QString Misuse(const QCommandLineParser& parser, bool parsed) {
    if (!parsed) {
        return parser.errorText();
    }
    const int commands = int(parser.isSet(kList)) + int(parser.isSet(kAddTo)) +
                         int(parser.isSet(kExtractTo)) + int(parser.isSet(kSalvageTo));
    if (commands > 1) {
        return CommandLine::tr("Give one of --list, --add-to, --extract-to and --salvage-to.");
    }
    if (parser.isSet(kJson) && !parser.isSet(kList)) {
        return CommandLine::tr("--json goes with --list.");
    }
    if (parser.isSet(kOverwrite) && !parser.isSet(kExtractTo) && !parser.isSet(kSalvageTo)) {
        return CommandLine::tr("--overwrite goes with --extract-to or --salvage-to.");
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

std::optional<int> AnswerWithoutWindow(const QStringList& arguments) {
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
    // --help-all lists Qt's window options too, which only the window's step knows.
    if (parser.isSet(QStringLiteral("help-all")) ||
        (!parser.isSet(kList) && !parser.isSet(kAddTo) && !parser.isSet(kExtractTo) &&
         !parser.isSet(kSalvageTo))) {
        return std::nullopt;
    }
    try {
        return Run(parser);
    } catch (const ArchiveError& error) {
        std::fprintf(stderr, "kofrex: %s\n", qPrintable(TranslatedDescription(error)));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kofrex: %s\n", error.what());
    }
    return 1;
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
