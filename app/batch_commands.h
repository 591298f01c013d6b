#pragma once

// The commands that work on an archive without a window, for scripts and file managers. Each
// uses the store as the window does (its lock, its old-or-new rewrite), prints failures on
// stderr, and returns the program's exit status: 0 when everything asked was done, else 1.
// Paths are bytes as the kernel takes them, relative to the current folder; names are UTF-8.

#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "progress.h"

namespace kofrex {

// How a command answers a user who started it from a desktop without a terminal, as a file
// manager's action: its progress in a window with Cancel, and what it had to say in one message
// at its end (nothing when everything was done). What it says goes to stderr as well. The window
// system's side is the program's: these commands link no widgets.
class DesktopAnswer {
  public:
    virtual ~DesktopAnswer() = default;
    // The store's progress for the work `doing` ("Adding to a.kfx…"); false once cancelled.
    virtual bool Report(const QString& doing, const Progress& progress) = 0;
    // The work is over: its progress goes.
    virtual void Done() = 0;
    // All the command had to say.
    virtual void Tell(const QString& said) = 0;
};

// Writes `text` on stdout and flushes it; false when any of it could not be written.
bool Printed(std::string_view text);

// One line per entry on stdout: stored name, size, 1-based offset, tab-separated; with `json`
// a JSON array of {"name", "size", "offset"} objects instead.
int ListArchive(const std::string& archive, bool json);

// Stores `files` in one rewrite of `archive`, created when nothing is there; each file that is
// not stored is named on stderr with the reason.
int AddToArchive(const std::string& archive, const std::vector<std::string>& files,
                 DesktopAnswer* desktop = nullptr);

// Writes the entries stored as `names` (all when empty) into `folder`, created with its parents
// when missing, each under its safe name from SafeFileNames(); a file already there is left alone
// and named on stderr, unless `overwrite`.
int ExtractFromArchive(const std::string& folder, const std::string& archive,
                       const std::vector<std::string>& names, bool overwrite,
                       DesktopAnswer* desktop = nullptr);

// Writes every entry of each of `archives` beside it: a single entry straight into the archive's
// folder, several into a folder named after the archive (see FolderNamedAfter()), created when
// missing. Files already there are left alone and named, unless `overwrite`.
int ExtractHere(const std::vector<std::string>& archives, bool overwrite,
                DesktopAnswer* desktop = nullptr);

// Writes each entry of the damaged `archive` whose data lie whole in it into `folder`, as
// ExtractFromArchive writes them all, and names on stderr each entry that could not be recovered
// and why: 1 when one was lost. The archive itself is only read.
int SalvageFromArchive(const std::string& folder, const std::string& archive, bool overwrite,
                       DesktopAnswer* desktop = nullptr);

}  // namespace kofrex
