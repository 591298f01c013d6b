#include "common_dialog.h"

#include <QFileInfo>

namespace kofrex {

QString CommonDialog::FileTitle() const {
    return QFileInfo(FileName).fileName();
}

}  // namespace kofrex
