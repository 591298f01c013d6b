#pragma once

// The program's one window: the current archive's path, the names stored in it, the selected
// entry's size and offset, and the commands that create, open, add to and extract from it.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>

#include "common_dialog.h"
#include "list_box.h"
#include "message_box.h"
#include "modKofrex.h"
#include "work_progress.h"

namespace kofrex {

// Exit status of a run that ended on an error no command handles.
inline constexpr int kErrorExitStatus = 1;

// What the window talks to besides the store. Parts left empty get the Qt implementations;
// tests put scripted ones in.
struct WindowPlatform {
    std::unique_ptr<CommonDialog> dialog;
    std::unique_ptr<MessageBox> messages;
    // Ends the program after an unhandled error has been shown.
    std::function<void(int exitStatus)> terminate;
    // How long an add or extract runs before its progress dialog appears.
    std::chrono::milliseconds progressDelay = kProgressDelay;
};

class frmMain : public QWidget {
    Q_OBJECT

  public:
    explicit frmMain(modKofrex& store, WindowPlatform platform = {});
    ~frmMain() override;

    // Refills the list from the store's directory and resets the entry labels.
    void ListFiles();

    // Opens the archive named when the program was started, as the open command opens a
    // chosen file; one the store refuses is reported, since no dialog showed what was chosen.
    void OpenNamedArchive(const QString& path);

    // The controls, in the order the window creates them.
    QPushButton* const cmdExtract;
    QGroupBox* const Frame1;
    QLabel* const lblOffset;
    QLabel* const lblSize;
    const std::unique_ptr<CommonDialog> cDlg;
    QPushButton* const cmdNew;
    QPushButton* const cmdAdd;
    ListBox* const lstFiles;
    QPushButton* const cmdBrowse;
    QLineEdit* const txtArchive;
    QLabel* const Label2;
    QLabel* const Label1;

  protected:
    // Closing the window while file work runs stops the work first.
    void closeEvent(QCloseEvent* event) override;
    // Local files dropped onto the window are added to the current archive, or one is opened.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void PlaceControls();
    void SetUpControls();
    void SetTabOrder();
    void WireEvents();

    // The wired events.
    void cmdNew_Click();
    void cmdBrowse_Click();
    void cmdAdd_Click();
    void cmdExtract_Click();
    void lstFiles_Click();

    // Runs a handler so that no error crosses the event loop: one that escapes is shown and
    // ends the program.
    void RunHandler(const std::function<void()>& handler);
    void EndOnError(int number, const QString& description);

    // What the open command does once a file is chosen; true when it is now current.
    bool OpenPath(const QString& path);
    // Adds each file in turn, as the add command does, then refills the list once.
    void AddFiles(const QStringList& paths);
    // Runs store work that reports progress; false when it was cancelled.
    bool RunWork(const QString& what, const std::function<void()>& work);
    // The archive changed under the table: read it again and tell the user.
    void ReadChangedArchiveAgain();
    // Lets the store free a replaced archive once the window has shown the result.
    void ReleaseWhenIdle();
    QStringList AcceptedDrop(const QDropEvent& event) const;
    void TakeDroppedFiles(const QStringList& paths);

    bool ShowDialog(bool save, const QString& title, const QString& filter, int flags);
    bool ConfirmOverwrite();
    void ShowEntry(const ArchiveEntry& entry);

    modKofrex& store_;
    const std::unique_ptr<MessageBox> messages_;
    const std::function<void(int)> terminate_;
    const std::chrono::milliseconds progressDelay_;
    // The work in progress, while there is one.
    WorkProgress* work_ = nullptr;
};

}  // namespace kofrex
