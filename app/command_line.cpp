#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

namespace kofrex {

QString ArchiveNamedOnCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Packs files into one .kfx archive and extracts them."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("archive"),
        QCoreApplication::translate("main", "The archive to open when the window starts."),
        QStringLiteral("[archive]"));
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
