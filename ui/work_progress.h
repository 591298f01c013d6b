#pragma once

// Long file work on the window's one thread. The store reports how far it has come between
// its chunks; this keeps the window painted, shows a progress dialog with Cancel once the work
// has run a while, and tells the store to stop when the user cancels. While it lives, user
// input reaches only that dialog, as with a modal one; a close of the main window still
// arrives, so that the window can cancel first and end afterwards.

#include <QElapsedTimer>
#include <QObject>
#include <QProgressDialog>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

#include "progress.h"

namespace kofrex {

// How long work runs before the progress dialog appears; shorter work shows none.
inline constexpr std::chrono::milliseconds kProgressDelay{500};

class WorkProgress : public QObject {
  public:
    // `what` is the dialog's text, e.g. "Adding DATA.BIN…". Without a `window` the dialog is
    // a window of its own.
    WorkProgress(QWidget* window, QString what, std::chrono::milliseconds showAfter);
    ~WorkProgress() override;
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // The store's progress callback: false once the work is to stop.
    bool Report(const Progress& progress);

    // Asks the user a question in the middle of the work: input reaches the question, under the
    // normal cursor, until it is answered. Returns the answer.
    int AskUser(const std::function<int()>& ask);

    // The main window is being closed: stop the work, then end.
    void CancelAndEnd();
    bool EndRequested() const { return endRequested_; }

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

  private:
    bool DueToShow(const Progress& progress, qint64 elapsed) const;
    void ShowDialog();
    void ShowState(const Progress& progress);
    bool InDialog(const QObject* receiver) const;

    QWidget* const window_;
    const QString what_;
    const qint64 showAfter_;
    QElapsedTimer clock_;
    qint64 nextRefresh_ = 0;
    bool cancelled_ = false;
    bool endRequested_ = false;
    // Made when the work has run long enough to need it.
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace kofrex
