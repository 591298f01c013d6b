#pragma once

// The program's one window: the current archive's path, the names stored in it, the selected
// entry's size and offset, and the commands that create, open, add to and extract from it.

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>

#include "add_report.h"
#include "common_dialog.h"
#include "list_box.h"
#include "message_box.h"
#include "modKofrex.h"
#include "opened_entries.h"
#include "private_folder.h"
#include "work_progress.h"

namespace kofrex {

// What the window talks to besides the store. Parts left empty get the Qt implementations;
// tests put scripted ones in.
struct WindowPlatform {
    std::unique_ptr<CommonDialog> dialog;
    std::unique_ptr<MessageBox> messages;
    // How long an add or extract runs before its progress dialog appears.
    std::chrono::milliseconds progressDelay = kProgressDelay;
    // Whether the desktop has a program for a file; empty: DesktopHasProgramFor.
    std::function<bool(const QString& path)> hasProgram;
};

class frmMain : public QWidget {
    Q_OBJECT

  public:
    explicit frmMain(modKofrex& store, WindowPlatform platform = {});
    ~frmMain() override;

    // Refills the list from the store's directory and resets the entry labels.
    void ListFiles();

    // Opens the archive named when the program was started, as the open command opens a
    // chosen file.
    void OpenNamedArchive(const QString& path);

    // The size and place the window had when it was last closed, kept for the next start.
    void RestoreGeometry();

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

    // The list's menu (right click, the Menu key, Shift+F10), with its keys: Delete, F2, and
    // Enter or a double click for Open.
    QAction* const mnuExtract;
    QAction* const mnuExtractAll;
    QAction* const mnuOpen;
    QAction* const mnuReplace;
    QAction* const mnuRename;
    QAction* const mnuDelete;

    // The selected entry as a dragged row offers it: a file URL of its copy in the private
    // folder; null without a selected row or when the archive changed under the table.
    std::unique_ptr<QMimeData> DragData();

    // Asks about each opened entry whose copy was edited whether to put the edit back into the
    // archive: once the edits are quiet, and at the close, before the private folder goes.
    void AskAboutEdits(EditsToAsk which = EditsToAsk::New);

  protected:
    // Closing the window while file work runs stops the work first.
    void closeEvent(QCloseEvent* event) override;
    // Local files dropped onto the window are added to the current archive, or one is opened.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The desktop's font changed: the layout follows its size.
    void changeEvent(QEvent* event) override;

  private:
    void ShowTitle();
    void RememberGeometry();
    int FromLayout(int layoutPixels) const;
    int LabelsWidened() const;
    int ButtonsWidened() const;
    void FitLayout();
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

    // The list's verbs (entry_commands.cpp).
    void SetUpListMenu();
    void SetUpKeys();
    void EnableListCommands();
    void ShowListMenu(const QPoint& at);
    void ExtractAll();
    // Extract… with several rows selected: into a folder, as Extract All writes them.
    void ExtractSelected();
    // Writes entries `indexes` (all when empty) into the folder chosen with `use`, then says
    // in one message how it went.
    void ExtractInto(const DialogUse& use, const std::vector<std::int32_t>& indexes);
    // The selected rows as the store counts them, from 1.
    std::vector<std::int32_t> SelectedEntries() const;
    void OpenEntry();
    void ReplaceEntry();
    void RenameEntry();
    void DeleteEntry();
    void DragOutEntry();
    // Writes the selected entries under their safe names into the private folder; the row and
    // path of each written, none when the archive changed under the table (then read again).
    std::vector<std::pair<int, QString>> ExtractPrivately();
    // Runs a change of one entry and shows its outcome; `refused` tells why one was declined.
    void ChangeEntry(const QString& what, const std::function<AddOutcome()>& change,
                     const std::function<QString(AddOutcome)>& refused);
    // The overwrite question asked of each existing file in turn, with Yes to All and No to All.
    modKofrex::OverwriteQuestion AskEachOverwrite();

    // Errors (error_handling.cpp). Runs a handler so that no error crosses the event loop: one
    // that escapes is shown, and the window goes on with the archive as the file now is.
    void RunHandler(const std::function<void()>& handler);
    // Reads the current archive again and shows it; with none left, the path box is emptied.
    void ShowArchiveAsItIsNow();

    // What the open command does once a file is chosen: a file the store refuses is named.
    void OpenPath(const QString& path);
    void RefuseArchive(const QString& path);
    // Writes the `whole` entries of the damaged archive at `path` into a folder the user chooses,
    // then names what could not be recovered or written. `path` is a copy: the dialog's own
    // file name changes as it chooses the folder.
    void SalvageArchive(QString path, std::size_t whole);
    // The archive changed under the table: read it again and tell the user.
    void ReadChangedArchiveAgain();
    // The store has read the changed archive again: show it and tell the user.
    void ShowChangedArchive();

    // File work (window_work.cpp). Adds each file in turn, as the add command does, refills the
    // list once, then names in one message every file that was not stored.
    void AddFiles(const QStringList& paths);
    // Runs store work that reports progress; false when it was cancelled.
    bool RunWork(const QString& what, const std::function<void()>& work);
    // RunWork for work writing the file the dialog chose: when something took its name after
    // the user decided (`mayReplace` says whether they agreed to replace), the overwrite
    // question is asked again, and on Yes the work runs again, replacing. False when it was
    // cancelled or declined.
    bool RunWriting(const QString& what, bool mayReplace, const std::function<void(bool)>& work);
    // Lets the store free a replaced archive once the window has shown the result.
    void ReleaseWhenIdle();

    // Drops (drop_files.cpp).
    QStringList AcceptedDrop(const QDropEvent& event) const;
    void TakeDroppedFiles(const QStringList& paths);

    bool ConfirmOverwrite();
    // The overwrite question about the file `name`, with `buttons`; the answer.
    int AskOverwrite(const QString& name, int buttons);
    // Nothing is at the target, or the user agreed to replace it; sets whether they did.
    bool MayWrite(const std::string& target, bool& mayReplace);
    // The Size label, and the Offset label for one entry (none for several).
    void ShowSizes(std::int64_t size, std::optional<std::int64_t> offset);

    modKofrex& store_;
    const std::unique_ptr<MessageBox> messages_;
    const std::chrono::milliseconds progressDelay_;
    const std::function<bool(const QString& path)> hasProgram_;
    // The work in progress, while there is one.
    WorkProgress* work_ = nullptr;
    // Where the user last extracted an entry to; Extract… proposes it next.
    QString lastExtractFolder_;
    // Entries opened or dragged out are written here; removed with the window.
    std::unique_ptr<PrivateFolder> privateFolder_;

    // The round trip of opened entries (opened_entries.cpp).
    void WatchOpened(const QString& path, int row);
    void PutBackEdit(OpenedCopy& copy, const QString& name);
    std::unique_ptr<OpenedEntries> opened_;
    bool askingAboutEdits_ = false;
};

// Where the window's private folders are made: the session's own runtime folder where the
// desktop provides one, else the system's temporary folder.
std::string PrivateFoldersBase();

}  // namespace kofrex
