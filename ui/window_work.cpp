// The window's file work: adds one after another, each with its progress, and what follows them.

#include <QCloseEvent>
#include <QCoreApplication>
#include <QScopeGuard>
#include <algorithm>

#include "frmMain.h"
#include "wait_cursor.h"

namespace kofrex {
namespace {

// Posted behind the repaint of the list after an add; see ReleaseWhenIdle.
const QEvent::Type kReleaseEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

QString Adding(const QString& path) {
    return QStringLiteral("Adding %1…").arg(ShownStoredName(path));
}

bool AnyIs(const std::vector<AddResult>& results, AddOutcome outcome) {
    return std::any_of(results.begin(), results.end(),
                       [outcome](const AddResult& result) { return result.outcome == outcome; });
}

}  // namespace

void frmMain::AddFiles(const QStringList& paths) {
    std::vector<AddResult> results;
    for (const QString& path : paths) {
        AddOutcome outcome = AddOutcome::Stored;
        if (!RunWork(Adding(path),
                     [&] { outcome = store_.AddFileToArchive(path.toStdString()); })) {
            break;
        }
        results.push_back({path, outcome});
    }
    // Also after a cancel: the table mirrors the archive, which is as it was. An archive that
    // is gone or damaged is read again, so that the window no longer offers it.
    if (AnyIs(results, AddOutcome::NoArchive)) {
        ShowArchiveAsItIsNow();
    } else {
        ListFiles();
    }
    ReleaseWhenIdle();
    const QString report = RefusalReport(results);
    if (!report.isEmpty()) {
        messages_->Show(report, kButtonsOkOnly, QString::fromLatin1(kApplicationTitle));
    }
}

bool frmMain::RunWork(const QString& what, const std::function<void()>& work) {
    WorkProgress progress(this, what, progressDelay_);
    bool finished = false;
    {
        WaitCursor busy;
        work_ = &progress;
        const auto leave = qScopeGuard([this] { work_ = nullptr; });
        try {
            work();
            finished = true;
        } catch (const OperationCancelled&) {
            // The store left every file as it was; a cancel is no error.
        }
    }
    if (progress.EndRequested()) {
        // Closed during the work: the window closes once the command has finished.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return false;
    }
    return finished;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (work_ == nullptr) {
        QWidget::closeEvent(event);
        return;
    }
    work_->CancelAndEnd();
    event->ignore();
}

// Posted with low priority, so it comes behind the repaint that shows the new list.
void frmMain::ReleaseWhenIdle() {
    QCoreApplication::postEvent(this, new QEvent(kReleaseEvent), Qt::LowEventPriority);
}

bool frmMain::event(QEvent* event) {
    if (event->type() != kReleaseEvent) {
        return QWidget::event(event);
    }
    // Work that started meanwhile releases it itself.
    if (work_ == nullptr) {
        RunHandler([this] { store_.ReleaseReplacedArchive(); });
    }
    return true;
}

}  // namespace kofrex
