#include "file_manager_actions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kofrex {
namespace {

const QString kArchiveExt = QStringLiteral(".kfx");

const DialogUse kAddDialog{
    DialogKind::Save, QT_TRANSLATE_NOOP("kofrex::frmMain", "Add to Kofrex archive"),
    QT_TRANSLATE_NOOP("kofrex::frmMain", "Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*"),
    kDialogExplorerStyle | kDialogHideReadOnly, kArchiveExt};
const DialogUse kExtractDialog{DialogKind::Folder,
                               QT_TRANSLATE_NOOP("kofrex::frmMain", "Extract all files to..."), "",
                               kDialogExplorerStyle, QString()};

// The paths are bytes; the chooser shows text.
QString Decoded(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string Encoded(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

QString ProposedArchive(const std::vector<std::string>& files) {
    const QFileInfo first(Decoded(files.front()));
    const QDir folder = first.absoluteDir();
    QString name = files.size() == 1 ? first.completeBaseName() : folder.dirName();
    if (name.isEmpty()) {  // ".profile", or the root folder
        name = files.size() == 1 ? first.fileName() : QStringLiteral("Archive");
    }
    return folder.filePath(name + kArchiveExt);
}

int RunAskingAction(const AskingAction& action, CommonDialog& dialog, DesktopAnswer* desktop) {
    if (action.kind == AskingAction::Kind::Add) {
        if (!ShowFor(dialog, kAddDialog, ProposedArchive(action.paths))) {
            return 0;
        }
        const std::string archive = Encoded(dialog.FileName);
        return RunSayingErrors([&] { return AddToArchive(archive, action.paths, desktop); },
                               desktop);
    }
    const QString proposed = QFileInfo(Decoded(action.paths.front())).absolutePath();
    if (!ShowFor(dialog, kExtractDialog, proposed)) {
        return 0;
    }
    const std::string folder = Encoded(dialog.FileName);
    int status = 0;
    for (const std::string& archive : action.paths) {
        status |= RunSayingErrors(
            [&] { return ExtractFromArchive(folder, archive, {}, false, desktop); }, desktop);
    }
    return status;
}

}  // namespace kofrex
