#include "common_dialog.h"

#include <QFileInfo>

namespace kofrex {

QString CommonDialog::FileTitle() const {
    return QFileInfo(FileName).fileName();
}

bool ShowFor(CommonDialog& dialog, const DialogUse& use) {
    dialog.FileName.clear();
    dialog.Filter = use.filter;
    dialog.Flags = use.flags;
    dialog.DialogTitle = use.title;
    dialog.DefaultExt = use.defaultExt;
    if (use.save) {
        dialog.ShowSave();
    } else {
        dialog.ShowOpen();
    }
    return !dialog.FileName.isEmpty();
}

}  // namespace kofrex
