#include "bench_list.h"

#include <QApplication>
#include <QElapsedTimer>
#include <memory>

#include "frmMain.h"
#include "scripted_platform.h"

namespace kofrex::bench {

double TimeListFiles(const std::string& path) {
    modKofrex store;
    if (!store.OpenArchive(path)) {
        return -1;
    }
    WindowPlatform platform;
    platform.dialog = std::make_unique<ScriptedDialog>();
    platform.messages = std::make_unique<ScriptedMessageBox>();
    frmMain window(store, std::move(platform));
    window.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    window.ListFiles();
    window.repaint();  // paints synchronously, rows included
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace kofrex::bench
