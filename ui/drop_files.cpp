// Files dragged from a file manager onto the window: added to the current archive, or, with
// none current, one archive to open.

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "frmMain.h"

namespace kofrex {
namespace {

QStringList LocalFiles(const QMimeData& data) {
    QStringList paths;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

}  // namespace

// Local files only: several while an archive is current, else one to open.
QStringList frmMain::AcceptedDrop(const QDropEvent& event) const {
    const QStringList paths =
        event.mimeData() != nullptr ? LocalFiles(*event.mimeData()) : QStringList();
    const bool fits = !store_.ArchivePath().empty() ? !paths.isEmpty() : paths.size() == 1;
    // A row dragged out of the list and let go over the window stays where it is.
    const bool fromThisWindow = event.source() != nullptr;
    return fits && !fromThisWindow && event.possibleActions().testFlag(Qt::CopyAction)
               ? paths
               : QStringList();
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void frmMain::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptedDrop(*event).isEmpty()) {
        event->ignore();
        return;
    }
    // Copied, never moved: the source must stay where it is.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void frmMain::dropEvent(QDropEvent* event) {
    const QStringList paths = AcceptedDrop(*event);
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The program the files came from waits until the drop returns; the work comes after.
    QMetaObject::invokeMethod(
        this, [this, paths] { RunHandler([this, &paths] { TakeDroppedFiles(paths); }); },
        Qt::QueuedConnection);
}

void frmMain::TakeDroppedFiles(const QStringList& paths) {
    // A dialog or other work came first; commands never run inside one another.
    if (work_ != nullptr || QApplication::activeModalWidget() != nullptr) {
        return;
    }
    if (!store_.ArchivePath().empty()) {
        AddFiles(paths);
    } else if (paths.size() == 1) {
        OpenPath(paths.constFirst());
    }
}

}  // namespace kofrex
