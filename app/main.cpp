#include <QApplication>

#include "command_line.h"
#include "desktop_answer.h"
#include "file_manager_actions.h"
#include "frmMain.h"
#include "kofrex_icons.h"
#include "modKofrex.h"
#include "qt_common_dialog.h"
#include "replacement_file.h"
#include "translations.h"

int main(int argc, char* argv[]) {
    // A logout or a lost display in the middle of an add leaves no temporary file behind.
    kofrex::RemoveTemporariesWhenEnded();
    QCoreApplication::setApplicationName(QStringLiteral("kofrex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KOFREX_VERSION));
    // From a file manager, the commands answer in windows, which need the window system first.
    const bool fromDesktop = kofrex::StartedFromDesktop();
    if (!fromDesktop) {
        // Without the window system, which needs a display: --help, --version and the commands
        // for scripts end the run here.
        const QCoreApplication withoutWindow(argc, argv);
        const kofrex::Translations translations;
        if (const std::optional<int> status =
                kofrex::AnswerWithoutWindow(kofrex::ByteArguments(argc, argv))) {
            return *status;
        }
    }
    QApplication application(argc, argv);
    const kofrex::Translations translations;
    QApplication::setWindowIcon(kofrex::applicationIcon());
    std::optional<kofrex::DesktopMessages> desktop;
    if (fromDesktop) {
        desktop.emplace();
        if (const std::optional<int> status =
                kofrex::AnswerWithoutWindow(kofrex::ByteArguments(argc, argv), &*desktop)) {
            return *status;
        }
    }
    if (const std::optional<kofrex::AskingAction> action =
            kofrex::AskingActionNamed(kofrex::ByteArguments(argc, argv))) {
        kofrex::QtCommonDialog dialog(nullptr);
        return kofrex::RunAskingAction(*action, dialog, desktop ? &*desktop : nullptr);
    }
    const QString archive = kofrex::ArchiveNamedOnCommandLine(kofrex::ByteArguments(argc, argv));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kofrex::desktopFileId));
    // Left by a window that was killed: what it opened would stay there for good.
    kofrex::RemoveAbandonedPrivateFolders(kofrex::FileSystem::Default(),
                                          kofrex::PrivateFoldersBase());
    kofrex::modKofrex store;
    kofrex::frmMain window(store);
    window.RestoreGeometry();
    window.show();
    // Opened from inside the event loop, so that the window is up behind any message.
    if (!archive.isEmpty()) {
        QMetaObject::invokeMethod(
            &window, [&window, &archive] { window.OpenNamedArchive(archive); },
            Qt::QueuedConnection);
    }
    // 0 when the window is closed: errors are shown in the window, which goes on.
    return application.exec();
}
