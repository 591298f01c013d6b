#pragma once

// The window's one file chooser. The commands set its properties before each use, show it,
// and read the chosen file back from FileName; a cancel leaves FileName as they set it.

#include <QString>
#include <QStringList>

namespace kofrex {

// Option bits of Flags.
inline constexpr int kDialogExplorerStyle = 0x80000;
inline constexpr int kDialogFileMustExist = 0x1000;
inline constexpr int kDialogHideReadOnly = 0x4;
inline constexpr int kDialogAllowMultiSelect = 0x200;  // FileNames holds every file chosen

class CommonDialog {
  public:
    virtual ~CommonDialog() = default;

    QString FileName;       // full path of the chosen file (the first, where several were)
    QStringList FileNames;  // every chosen file, in the order the dialog gives them; none when
                            // the user cancelled
    QString Filter;         // "description|pattern|description|pattern..."
    int Flags = 0;          // sum of the kDialog... bits
    QString DialogTitle;    // "" leaves the dialog's own title
    QString DefaultExt;     // with its dot, e.g. ".kfx"; added to a typed name without one
    // The desktop's chooser asked itself whether to replace FileName, and the user agreed, so
    // the commands do not ask a second time.
    bool ReplaceConfirmed = false;

    // The chosen file's name without its folder.
    QString FileTitle() const;

    // Modal; return when the user closes the dialog.
    virtual void ShowOpen() = 0;
    virtual void ShowSave() = 0;
    // Chooses a folder instead of a file; FileName is its path.
    virtual void ShowFolder() = 0;
};

// One use of the dialog: the properties a command sets before showing it.
enum class DialogKind { Open, Save, Folder };

struct DialogUse {
    DialogKind kind;
    const char* title;   // English, translated when shown
    const char* filter;  // as Filter, English, translated when shown
    int flags;
    QString defaultExt;  // "" where the file keeps exactly the name the user typed
};

// Sets up `dialog` for `use`, with no file chosen yet or `proposed` offered, and shows it; false
// when the user cancelled. A `proposed` ending in '/' is the folder the dialog starts in.
bool ShowFor(CommonDialog& dialog, const DialogUse& use, const QString& proposed = {});

}  // namespace kofrex
