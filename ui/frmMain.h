#pragma once

// The program's one window: the current archive's path, the names stored in it, the selected
// entry's size and offset, and the commands that create, open, add to and extract from it.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>

#include "common_dialog.h"
#include "list_box.h"
#include "message_box.h"
#include "modKofrex.h"

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
};

class frmMain : public QWidget {
    Q_OBJECT

  public:
    explicit frmMain(modKofrex& store, WindowPlatform platform = {});

    // Refills the list from the store's directory and resets the entry labels.
    void ListFiles();

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
    void RunHandler(void (frmMain::*handler)());
    void EndOnError(int number, const QString& description);

    bool ShowDialog(bool save, const QString& title, const QString& filter, int flags);
    bool ConfirmOverwrite();
    void ShowEntry(const ArchiveEntry& entry);

    modKofrex& store_;
    const std::unique_ptr<MessageBox> messages_;
    const std::function<void(int)> terminate_;
};

}  // namespace kofrex
