#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

namespace kofrex {
namespace {

// Every option and argument, for both steps.
void Describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Packs files into one .kfx archive and extracts them."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("archive"),
        QCoreApplication::translate("main", "The archive to open when the window starts."),
        QStringLiteral("[archive]"));
}

}  // namespace

void AnswerWithoutWindow(const QStringList& arguments) {
    QCommandLineParser parser;
    Describe(parser);
    // Qt's own window options are unknown here; the second step judges the command line.
    parser.parse(arguments);
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp();
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }
}

QString ArchiveNamedOnCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    Describe(parser);
    parser.process(arguments);

    const QStringList named = parser.positionalArguments();
    if (named.size() > 1) {
        // Worded and ended like the parser's own errors.
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(QCoreApplication::translate("main", "Name one archive at most.")));
        std::exit(EXIT_FAILURE);
    }
    return named.isEmpty() ? QString() : QFileInfo(named.first()).absoluteFilePath();
}

}  // namespace kofrex
