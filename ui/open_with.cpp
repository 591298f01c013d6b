#include "open_with.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QProcess>
#include <QRandomGenerator>
#include <QVariantMap>
#include <algorithm>

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
bool AskPortal(const QString& path, const QWidget& window, PortalAnswer* answer) {
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
    // Listening before the call, on the path the request will have, so that no answer is missed.
    const QString token = QStringLiteral("kofrex%1").arg(QRandomGenerator::global()->generate());
    const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                .arg(bus.baseService().mid(1).replace(u'.', u'_'), token);
    bus.connect(QString(), request, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), answer, SLOT(Response(uint, QVariantMap)));
    call << PortalParent(window) << QVariant::fromValue(QDBusUnixFileDescriptor(fd))
         << QVariantMap{{QStringLiteral("ask"), true},
                        {QStringLiteral("writable"), writable},
                        {QStringLiteral("handle_token"), token}};
    ::close(fd);  // the message holds its own duplicate
    return bus.call(call, QDBus::Block, kPortalTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

// The folders desktop entries and their caches are in, and those of the users' own
// associations, as the desktop's opener looks them up.
QStringList SearchPath(const char* home, const QString& homeDefault, const char* system,
                       const QString& systemDefault, const QString& below) {
    QStringList folders{qEnvironmentVariable(home, homeDefault) + below};
    for (const QString& folder :
         qEnvironmentVariable(system, systemDefault).split(u':', Qt::SkipEmptyParts)) {
        folders << folder + below;
    }
    return folders;
}

QStringList AssociationFiles() {
    const QString home = QDir::homePath();
    QStringList files;
    const QStringList applications =
        SearchPath("XDG_DATA_HOME", home + "/.local/share", "XDG_DATA_DIRS",
                   "/usr/local/share:/usr/share", QStringLiteral("/applications"));
    for (const QString& folder : applications) {
        files << folder + "/mimeapps.list" << folder + "/mimeinfo.cache";
        for (const QString& entry :
             QDir(folder).entryList({QStringLiteral("*.desktop")}, QDir::Files)) {
            files << folder + u'/' + entry;
        }
    }
    for (const QString& folder : SearchPath("XDG_CONFIG_HOME", home + "/.config", "XDG_CONFIG_DIRS",
                                            "/etc/xdg", QString())) {
        files << folder + "/mimeapps.list";
    }
    return files;
}

// A desktop entry's MimeType line, or an association or cache line "type=program.desktop;",
// outside the removed associations.
bool NamesProgramFor(const QString& file, const QStringList& types) {
    QFile text(file);
    if (!text.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    bool removed = false;
    while (!text.atEnd()) {
        const QString line = QString::fromUtf8(text.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            removed = line == QLatin1String("[Removed Associations]");
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        const QString key = line.left(equals).trimmed();
        const QStringList values = line.mid(equals + 1).split(u';', Qt::SkipEmptyParts);
        const bool named =
            key == QLatin1String("MimeType")
                ? std::any_of(values.begin(), values.end(),
                              [&](const QString& type) { return types.contains(type); })
                : types.contains(key) && !values.isEmpty();
        if (equals > 0 && !removed && named) {
            return true;
        }
    }
    return false;
}

ProgramStart StartProgram(const QString& program, const QString& path) {
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) {
        return ProgramStart::NotAProgram;
    }
    return QProcess::startDetached(program, {path}) ? ProgramStart::Started : ProgramStart::Failed;
}

void ChooseProgram(const QString& path, CommonDialog& dialog, MessageBox& messages) {
    const QString folder = QString::fromLatin1(kProgramsFolder);
    if (!ShowFor(dialog, kProgramDialog, folder)) {
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

}  // namespace

PortalAnswer::PortalAnswer(std::function<void()> otherwise, QObject* parent)
    : QObject(parent), otherwise_(std::move(otherwise)) {}

void PortalAnswer::Response(uint response, const QVariantMap& /*results*/) {
    deleteLater();
    if (response != 0) {  // 0: a program was started with the file
        otherwise_();
    }
}

bool DesktopHasProgramFor(const QString& path) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    const QStringList types = QStringList{type.name()} + type.aliases() + type.allAncestors();
    const QStringList files = AssociationFiles();
    return std::any_of(files.begin(), files.end(),
                       [&](const QString& file) { return NamesProgramFor(file, types); });
}

void OpenWithChosenProgram(const QString& path, QWidget& window, CommonDialog& dialog,
                           MessageBox& messages) {
    // Owned by the window until the portal answers; a chooser that opened nothing (no program
    // listed for the type, or cancelled) is followed by the chooser of program files.
    auto* answer = new PortalAnswer(
        [path, &dialog, &messages] { ChooseProgram(path, dialog, messages); }, &window);
    if (!AskPortal(path, window, answer)) {
        delete answer;
        ChooseProgram(path, dialog, messages);
    }
}

}  // namespace kofrex
