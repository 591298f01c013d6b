#include "common_dialog.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kofrex {

QString CommonDialog::FileTitle() const {
    return QFileInfo(FileName).fileName();
}

bool ShowFor(CommonDialog& dialog, const DialogUse& use, const QString& proposed) {
    dialog.FileName = proposed;
    dialog.FileNames.clear();
    dialog.ReplaceConfirmed = false;
    dialog.Filter = QCoreApplication::translate("kofrex::frmMain", use.filter);
    dialog.Flags = use.flags;
    dialog.DialogTitle = QCoreApplication::translate("kofrex::frmMain", use.title);
    dialog.DefaultExt = use.defaultExt;
    switch (use.kind) {
        case DialogKind::Open:
            dialog.ShowOpen();
            break;
        case DialogKind::Save:
            dialog.ShowSave();
            break;
        case DialogKind::Folder:
            dialog.ShowFolder();
    }
    // A cancel leaves a proposed name in FileName: only a choice fills FileNames.
    return !dialog.FileNames.isEmpty() && !dialog.FileName.isEmpty();
}

}  // namespace kofrex
