#include <QApplication>

#include "frmMain.h"
#include "modKofrex.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    kofrex::modKofrex store;
    kofrex::frmMain window(store);
    window.show();
    // Non-zero when the window ended the run on an error it could not handle.
    return application.exec();
}
