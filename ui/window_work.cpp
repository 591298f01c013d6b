// The window's file work: adds, each with its progress, and what follows them.

#include <QCloseEvent>
#include <QCoreApplication>
#include <QScopeGuard>
#include <algorithm>

#include "error_handling.h"
#include "frmMain.h"
#include "wait_cursor.h"

namespace kofrex {
namespace {

// Posted behind the repaint of the list after an add; see ReleaseWhenIdle.
const QEvent::Type kReleaseEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

QString Adding(const QStringList& paths) {
    return paths.size() == 1 ? frmMain::tr("Adding %1…").arg(ShownStoredName(paths.first()))
                             : frmMain::tr("Adding %1 files…").arg(paths.size());
}

bool AnyIs(const std::vector<AddResult>& results, AddOutcome outcome) {
    return std::any_of(results.begin(), results.end(),
                       [outcome](const AddResult& result) { return result.outcome == outcome; });
}

}  // namespace

void frmMain::AddFiles(const QStringList& paths) {
    std::vector<std::string> storePaths;
    for (const QString& path : paths) {
        storePaths.push_back(path.toStdString());
    }
    // One rewrite for them all: every file that can be stored, or none after a cancel.
    std::vector<AddOutcome> outcomes;
    RunWork(Adding(paths), [&] { outcomes = store_.AddFilesToArchive(storePaths); });
    std::vector<AddResult> results;
    for (std::size_t i = 0; i < outcomes.size() && i < storePaths.size(); ++i) {
        results.push_back({paths[static_cast<qsizetype>(i)], outcomes[i]});
    }
    // Also after a cancel: the table mirrors the archive, which is as it was. An archive that
    // is gone or damaged is read again, so that the window no longer offers it.
    if (AnyIs(results, AddOutcome::NoArchive)) {
        ShowArchiveAsItIsNow();
    } else {
        ListFiles();
    }
    ReleaseWhenIdle();
    const QString report = AddReport(results);
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

bool frmMain::RunWriting(const QString& what, bool mayReplace,
                         const std::function<void(bool)>& work) {
    for (;;) {
        try {
            return RunWork(what, [&] { work(mayReplace); });
        } catch (const TargetAppeared&) {
            // It came after the user chose: they decide again, on what is there now.
            if (!ConfirmOverwrite()) {
                return false;
            }
            mayReplace = true;
        }
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (work_ == nullptr) {
        RunHandler([this] { AskAboutEdits(EditsToAsk::AlsoAskedBefore); });
        RememberGeometry();
        return;  // accepted: the window closes
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

void frmMain::RunHandler(const std::function<void()>& handler) {
    const std::optional<QString> error = ErrorEscaping(handler);
    if (!error) {
        return;
    }
    // Neither step may let a second error into the event loop; the window goes on regardless.
    ErrorEscaping(
        [&] { messages_->Show(*error, kButtonsOkOnly, QString::fromLatin1(kApplicationTitle)); });
    ErrorEscaping([this] { ShowArchiveAsItIsNow(); });
}

// The command stopped part-way: whatever it had read or changed, the list shows the archive
// file as it is now, and with none left the path box shows none either.
void frmMain::ShowArchiveAsItIsNow() {
    if (!store_.ReadCurrentAgain()) {
        txtArchive->clear();
    }
    ListFiles();
}

}  // namespace kofrex
