#include "open_with.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QVariantMap>

namespace kofrex {
namespace {

// The portal answers at once and shows its chooser on its own; a portal that does not answer
// within this is taken as none.
constexpr int kPortalTimeoutMs = 5000;

const DialogUse kProgramDialog{
    DialogKind::Open, QT_TRANSLATE_NOOP("kofrex::frmMain", "Open with..."),
    QT_TRANSLATE_NOOP("kofrex::frmMain", "All files (*.*)|*.*"),
    kDialogExplorerStyle | kDialogFileMustExist | kDialogHideReadOnly, QString()};

enum class ProgramStart { Started, NotAProgram, Failed };

// How the portal finds the window to put its chooser over; unknown outside X11.
QString PortalParent(const QWidget& window) {
    return QGuiApplication::platformName() == QLatin1String("xcb")
               ? QStringLiteral("x11:%1").arg(window.window()->winId(), 0, 16)
               : QString();
}

// The portal is handed the open file rather than its name; a program it starts may write to it
// where Kofrex may, so that edits come back.
bool AskPortal(const QString& path, const QWidget& window) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.connectionCapabilities().testFlag(QDBusConnection::UnixFileDescriptorPassing)) {
        return false;
    }
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    const bool writable = fd >= 0;
    fd = writable ? fd : ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.OpenURI"), QStringLiteral("OpenFile"));
    call << PortalParent(window) << QVariant::fromValue(QDBusUnixFileDescriptor(fd))
         << QVariantMap{{QStringLiteral("ask"), true}, {QStringLiteral("writable"), writable}};
    ::close(fd);  // the message holds its own duplicate
    return bus.call(call, QDBus::Block, kPortalTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

ProgramStart StartProgram(const QString& program, const QString& path) {
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) {
        return ProgramStart::NotAProgram;
    }
    return QProcess::startDetached(program, {path}) ? ProgramStart::Started : ProgramStart::Failed;
}

}  // namespace

void OpenWithChosenProgram(const QString& path, const QWidget& window, CommonDialog& dialog,
                           MessageBox& messages) {
    if (AskPortal(path, window)) {
        return;
    }
    const QString folder = QString::fromLatin1(kProgramsFolder);
    // A cancel leaves the folder the chooser was started in.
    if (!ShowFor(dialog, kProgramDialog, folder) || dialog.FileName == folder) {
        return;
    }
    const QString program = dialog.FileName;
    switch (StartProgram(program, path)) {
        case ProgramStart::Started:
            return;
        case ProgramStart::NotAProgram:
            messages.Show(QCoreApplication::translate(
                              "kofrex::frmMain",
                              "'%1' cannot be run: it is not a program. Choose a program file, "
                              "such as one in %2.")
                              .arg(program, folder.chopped(1)));
            return;
        case ProgramStart::Failed:
            messages.Show(
                QCoreApplication::translate("kofrex::frmMain", "'%1' could not be started.")
                    .arg(program));
    }
}

}  // namespace kofrex
