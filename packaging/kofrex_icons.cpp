#include "kofrex_icons.h"

#include <QSize>
#include <QString>

// Registers the icon resources; Q_INIT_RESOURCE must be used outside any namespace. Calling it
// from applicationIcon() also makes the linker keep the resource code of this static library.
static void registerIconResources() {
    Q_INIT_RESOURCE(kofrex_icons);
}

namespace kofrex {

QIcon applicationIcon() {
    static const bool registered = (registerIconResources(), true);
    (void)registered;
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addFile(
            QStringLiteral(":/icons/%1x%1/%2.png").arg(size).arg(QLatin1String(desktopFileId)),
            QSize(size, size));
    }
    return icon;
}

}  // namespace kofrex
