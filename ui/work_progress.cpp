#include "work_progress.h"

#include <algorithm>

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScopeGuard>

#include "message_box.h"

namespace kofrex {
namespace {

// The bar counts in thousandths, so that a byte count past int's range never reaches it.
constexpr int kSteps = 1000;
// Repaints and the Cancel button are served this often; between, a report only reads a clock.
constexpr qint64 kRefreshMs = 40;

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
    }
}

int Steps(const Progress& progress) {
    if (progress.total <= 0) {
        return 0;
    }
    return static_cast<int>(std::min(progress.done, progress.total) * kSteps / progress.total);
}

}  // namespace

WorkProgress::WorkProgress(QWidget* window, QString what, std::chrono::milliseconds showAfter)
    : window_(window), what_(std::move(what)), showAfter_(showAfter.count()) {
    clock_.start();
    QCoreApplication::instance()->installEventFilter(this);
}

WorkProgress::~WorkProgress() = default;

bool WorkProgress::Report(const Progress& progress) {
    const qint64 elapsed = clock_.elapsed();
    if (cancelled_ || elapsed < nextRefresh_) {
        return !cancelled_;
    }
    nextRefresh_ = elapsed + kRefreshMs;
    if (!dialog_ && DueToShow(progress, elapsed)) {
        ShowDialog();
    }
    if (dialog_) {
        ShowState(progress);
        QCoreApplication::processEvents();
    } else {
        // Paint only: input waits until the dialog is up or the work is done.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return !cancelled_;
}

void WorkProgress::CancelAndEnd() {
    cancelled_ = true;
    endRequested_ = true;
}

// After the delay, unless the work is nearly done: a dialog that vanishes at once only flashes.
bool WorkProgress::DueToShow(const Progress& progress, qint64 elapsed) const {
    if (elapsed < showAfter_) {
        return false;
    }
    if (progress.waiting || progress.done <= 0) {
        return true;
    }
    const qint64 remaining = elapsed * (progress.total - progress.done) / progress.done;
    return remaining >= showAfter_ / 2;
}

void WorkProgress::ShowDialog() {
    dialog_ =
        std::make_unique<QProgressDialog>(what_, QProgressDialog::tr("Cancel"), 0, kSteps, window_);
    dialog_->setWindowTitle(QString::fromLatin1(kApplicationTitle));
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    dialog_->setMinimumWidth(320 * dialog_->logicalDpiX() / 96);  // 320 pixels at 96 dpi
    // Cancel, Escape and the dialog's close box all stop the work.
    connect(dialog_.get(), &QProgressDialog::canceled, this, [this] { cancelled_ = true; });
    connect(dialog_.get(), &QDialog::rejected, this, [this] { cancelled_ = true; });
    // Enter never cancels: it may be meant for another window's dialog that has just lost the
    // keyboard. Escape, a click and Space on the focused button do.
    if (auto* cancel = dialog_->findChild<QPushButton*>()) {
        cancel->setAutoDefault(false);
        cancel->setDefault(false);
    }
    // The keyboard stays where the user is typing: in another program, or another Kofrex
    // window. Only from this window, or as the only window of a command, does it move to the
    // dialog.
    const bool fromHere = window_ == nullptr || window_->isActiveWindow();
    dialog_->setAttribute(Qt::WA_ShowWithoutActivating, !fromHere);
    dialog_->show();
    if (fromHere) {
        dialog_->raise();
        dialog_->activateWindow();
    }
    // Still busy, but the Cancel button can be pressed.
    QGuiApplication::changeOverrideCursor(QCursor(Qt::BusyCursor));
}

void WorkProgress::ShowState(const Progress& progress) {
    if (progress.waiting) {
        dialog_->setLabelText(
            what_ + u'\n' +
            QCoreApplication::translate("kofrex::WorkProgress",
                                        "Waiting for another program to finish with the archive…"));
        dialog_->setRange(0, 0);
        return;
    }
    dialog_->setLabelText(what_);
    dialog_->setRange(0, kSteps);
    dialog_->setValue(Steps(progress));
}

int WorkProgress::AskUser(const std::function<int()>& ask) {
    QCoreApplication::instance()->removeEventFilter(this);
    const QCursor* busy = QGuiApplication::overrideCursor();
    const QCursor working = busy != nullptr ? *busy : QCursor(Qt::WaitCursor);
    if (busy != nullptr) {
        QGuiApplication::restoreOverrideCursor();
    }
    const auto resume = qScopeGuard([this, working] {
        QGuiApplication::setOverrideCursor(working);
        QCoreApplication::instance()->installEventFilter(this);
    });
    return ask();
}

bool WorkProgress::eventFilter(QObject* receiver, QEvent* event) {
    return IsUserInput(event->type()) && receiver->isWidgetType() && !InDialog(receiver);
}

bool WorkProgress::InDialog(const QObject* receiver) const {
    const auto* widget = static_cast<const QWidget*>(receiver);
    return dialog_ && (widget == dialog_.get() || dialog_->isAncestorOf(widget));
}

}  // namespace kofrex
