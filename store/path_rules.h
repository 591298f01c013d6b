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

// Follows the links of the last component as the kernel would, and refuses (raises) a link that
// another user planted in a sticky, world-writable folder such as /tmp, as the kernel's
// protected_symlinks rule does, also where that rule is switched off. An existing file is found
// by the kernel itself; a dangling link names the file that writing through it would create.
TargetPlace ResolveTarget(FileSystem& fs, const std::string& path);

// Why a new file could not take the place of `place` by a rename, decided before any data are
// written; nullopt when it can.
enum class RenameBlock { FolderNotWritable, StickyFolder };
std::optional<RenameBlock> RenameBlocked(FileSystem& fs, const TargetPlace& place);

}  // namespace kofrex
