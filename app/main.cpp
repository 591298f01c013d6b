#include <QApplication>

#include "frmMain.h"
#include "kofrex_icons.h"
#include "modKofrex.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kofrex::desktopFileId));
    QApplication::setWindowIcon(kofrex::applicationIcon());
    kofrex::modKofrex store;
    kofrex::frmMain window(store);
    window.show();
    // Non-zero when the window ended the run on an error it could not handle.
    return application.exec();
}
