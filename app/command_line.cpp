#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
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

// Every option and argument, for both steps.
void Describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(CommandLine::tr(
        "Packs files into one .kfx archive and extracts them.\n"
        "\n"
        "Without a command it opens the window, with the archive named. These commands work\n"
        "without a window or a display, for scripts and file managers:\n"
        "  kofrex --list [--json] ARCHIVE\n"
        "  kofrex --add-to ARCHIVE FILE...\n"
        "  kofrex --extract-to FOLDER [--overwrite] ARCHIVE [NAME...]\n"
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
        {kOverwrite, CommandLine::tr("With --extract-to: replace files already there.")},
    });
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

std::string LocalPath(const QString& argument) {
    return QFile::encodeName(argument).toStdString();
}

std::vector<std::string> LocalPaths(const QStringList& arguments) {
    std::vector<std::string> paths;
    for (const QString& argument : arguments) {
        paths.push_back(LocalPath(argument));
    }
    return paths;
}

// The command asked for, run; its exit status.
int Run(const QCommandLineParser& parser) {
    const QStringList operands = parser.positionalArguments();
    if (parser.isSet(kList)) {
        if (operands.size() != 1) {
            return WrongCommandLine(CommandLine::tr("--list takes one archive."));
        }
        return ListArchive(LocalPath(operands.first()), parser.isSet(kJson));
    }
    if (parser.isSet(kAddTo)) {
        if (operands.isEmpty()) {
            return WrongCommandLine(
                CommandLine::tr("--add-to takes the archive and at least one file."));
        }
        return AddToArchive(LocalPath(parser.value(kAddTo)), LocalPaths(operands));
    }
    if (operands.isEmpty()) {
        return WrongCommandLine(CommandLine::tr("--extract-to takes the folder and the archive."));
    }
    std::vector<std::string> names;
    for (const QString& name : operands.mid(1)) {
        names.push_back(name.toStdString());
    }
    return ExtractFromArchive(LocalPath(parser.value(kExtractTo)), LocalPath(operands.first()),
                              names, parser.isSet(kOverwrite));
}

// Why the command line, which names a command, cannot be run; empty when it can.
QString Misuse(const QCommandLineParser& parser, bool parsed) {
    if (!parsed) {
        return parser.errorText();
    }
    const int commands =
        int(parser.isSet(kList)) + int(parser.isSet(kAddTo)) + int(parser.isSet(kExtractTo));
    if (commands > 1) {
        return CommandLine::tr("Give one of --list, --add-to and --extract-to.");
    }
    if (parser.isSet(kJson) && !parser.isSet(kList)) {
        return CommandLine::tr("--json goes with --list.");
    }
    if (parser.isSet(kOverwrite) && !parser.isSet(kExtractTo)) {
        return CommandLine::tr("--overwrite goes with --extract-to.");
    }
    return {};
}

}  // namespace

std::optional<int> AnswerWithoutWindow(const QStringList& arguments) {
    QCommandLineParser parser;
    Describe(parser);
    // Qt's own window options are unknown here; the second step judges such a command line.
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp();
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }
    const bool command = parser.isSet(kList) || parser.isSet(kAddTo) || parser.isSet(kExtractTo);
    if (!command && !parser.isSet(kJson) && !parser.isSet(kOverwrite)) {
        return std::nullopt;
    }
    if (const QString misuse = Misuse(parser, parsed); !misuse.isEmpty()) {
        return WrongCommandLine(misuse);
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
    parser.process(arguments);

    const QStringList named = parser.positionalArguments();
    if (named.size() > 1) {
        std::exit(WrongCommandLine(CommandLine::tr("Name one archive at most.")));
    }
    return named.isEmpty() ? QString() : QFileInfo(named.first()).absoluteFilePath();
}

}  // namespace kofrex
