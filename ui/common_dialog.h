#pragma once

// The window's one file chooser. The commands set its properties before each use, show it,
// and read the chosen file back from FileName; a cancel leaves FileName as they set it.

#include <QString>

namespace kofrex {

// Option bits of Flags.
inline constexpr int kDialogExplorerStyle = 0x80000;
inline constexpr int kDialogFileMustExist = 0x1000;
inline constexpr int kDialogHideReadOnly = 0x4;

class CommonDialog {
  public:
    virtual ~CommonDialog() = default;

    QString FileName;     // full path of the chosen file
    QString Filter;       // "description|pattern|description|pattern..."
    int Flags = 0;        // sum of the kDialog... bits
    QString DialogTitle;  // "" leaves the dialog's own title
    QString DefaultExt;   // with its dot, e.g. ".kfx"; added to a typed name without one

    // The chosen file's name without its folder.
    QString FileTitle() const;

    // Modal; return when the user closes the dialog.
    virtual void ShowOpen() = 0;
    virtual void ShowSave() = 0;
};

// One use of the dialog: the properties a command sets before showing it.
struct DialogUse {
    bool save;
    QString title;
    QString filter;
    int flags;
    QString defaultExt;  // "" where the file keeps exactly the name the user typed
};

// Sets up `dialog` for `use`, with no file chosen yet, and shows it; false when the user
// cancelled.
bool ShowFor(CommonDialog& dialog, const DialogUse& use);

}  // namespace kofrex
