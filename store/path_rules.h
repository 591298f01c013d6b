#pragma once

// Where a file that replaces another may be written, decided by the rules the kernel applies in
// folders shared with other users: which links may be followed, and who may rename what.

#include <sys/stat.h>

#include <optional>
#include <string>

#include "file_system.h"

namespace kofrex {

std::string FolderOf(const std::string& path);

// The file a path names once its links are followed.
struct TargetPlace {
    std::string path;                     // with no link left in its last component
    std::optional<struct stat> existing;  // nullopt when nothing has that name yet
};

// Refuses (raises) a link met anywhere on the way to `folder` that another user planted in a
// sticky, world-writable folder such as /tmp, as the kernel's protected_symlinks rule does for
// the last one, also where that rule is switched off.
void RefuseLinksAlong(FileSystem& fs, const std::string& folder);

// Makes `folder` and its missing parents, with the same rule for every link on the way.
void MakeFolders(FileSystem& fs, const std::string& folder);

// Follows the links of the last component as the kernel would, with the rule above for every
// link on the way (for the last component only when `folderChecked`: the caller has checked the
// folder). An existing file is found by the kernel itself; a dangling link names the file that
// writing through it would create.
TargetPlace ResolveTarget(FileSystem& fs, const std::string& path, bool folderChecked = false);

// Why a new file could not take the place of `place` by a rename, decided before any data are
// written; nullopt when it can.
enum class RenameBlock { FolderNotWritable, StickyFolder };
std::optional<RenameBlock> RenameBlocked(FileSystem& fs, const TargetPlace& place);

}  // namespace kofrex
