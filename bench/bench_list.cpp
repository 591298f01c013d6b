#include "bench_list.h"

#include <QApplication>
#include <QElapsedTimer>

#include "frmMain.h"

namespace kofrex::bench {

ShownWindow::ShownWindow(modKofrex& store) {
    window_ = std::make_unique<frmMain>(store);  // its dialogs are never shown
    window_->show();
    QApplication::processEvents();
}

ShownWindow::~ShownWindow() = default;

void ShownWindow::ListFiles() {
    window_->ListFiles();
    window_->repaint();  // paints synchronously, rows included
    QApplication::processEvents();
}

double ShownWindow::TimeSelect(int row) {
    QElapsedTimer timer;
    timer.start();
    window_->lstFiles->setCurrentIndex(window_->lstFiles->model()->index(row, 0));
    // What the selection changed is painted, as in the running program: the rows and labels.
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

QWidget* ShownWindow::Widget() const {
    return window_.get();
}

double TimeListFiles(const std::string& path) {
    modKofrex store;
    if (!store.OpenArchive(path)) {
        return -1;
    }
    ShownWindow window(store);
    QElapsedTimer timer;
    timer.start();
    window.ListFiles();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace kofrex::bench
