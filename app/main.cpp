#include <QApplication>

#include "command_line.h"
#include "frmMain.h"
#include "kofrex_icons.h"
#include "modKofrex.h"
#include "replacement_file.h"

int main(int argc, char* argv[]) {
    // A logout or a lost display in the middle of an add leaves no temporary file behind.
    kofrex::RemoveTemporariesWhenEnded();
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kofrex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KOFREX_VERSION));
    // Before any window: --help and --version end the run here.
    const QString archive = kofrex::ArchiveNamedOnCommandLine(QCoreApplication::arguments());
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kofrex::desktopFileId));
    QApplication::setWindowIcon(kofrex::applicationIcon());
    kofrex::modKofrex store;
    kofrex::frmMain window(store);
    window.show();
    // Opened from inside the event loop, so that the window is up behind any message and an
    // error that ends the program can end the loop.
    if (!archive.isEmpty()) {
        QMetaObject::invokeMethod(
            &window, [&window, &archive] { window.OpenNamedArchive(archive); },
            Qt::QueuedConnection);
    }
    // Non-zero when the window ended the run on an error it could not handle.
    return application.exec();
}
