#include "kofrex_icons.h"

#include <QSize>
#include <QString>

namespace kofrex {

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/icons/%1x%1/%2.png").arg(size).arg(QLatin1String(desktopFileId)),
                     QSize(size, size));
    }
    return icon;
}

}  // namespace kofrex
