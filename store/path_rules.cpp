#include "path_rules.h"

#include <fcntl.h>

#include <cerrno>
#include <deque>

#include "archive_error.h"
#include "file.h"

namespace kofrex {
namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows before ELOOP

bool SharedWithOthers(const struct stat& folder) {
    return (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
}

// In a sticky, world-writable folder a link is followed only when it belongs to the one who
// follows it or to the folder's owner: anyone may plant a link there.
void RefuseLinkPlantedByOthers(FileSystem& fs, const std::string& link, const struct stat& status) {
    struct stat folder {};
    if (fs.PathStatus(FolderOf(link).c_str(), folder) != 0) {
        throw ArchiveError::FromErrno(errno, Failed::Open, link);
    }
    if (SharedWithOthers(folder) && status.st_uid != fs.User() && status.st_uid != folder.st_uid) {
        throw ArchiveError::LinkRefused(link);
    }
}

std::deque<std::string> Components(const std::string& path) {
    std::deque<std::string> components;
    for (std::size_t at = 0; at <= path.size();) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        if (slash > at) {
            components.emplace_back(path, at, slash - at);
        }
        at = slash + 1;
    }
    return components;
}

// Looks at every link met on the way to the folder `path`, without following any (the caller's
// open leaves that to the kernel): each is judged by the folder that holds it, and its target
// is walked in turn. With `create`, missing folders are made, so that none is made through a
// refused link. Stops quietly at the first name that is missing or cannot be looked at: the
// operation on the path reports that.
void WalkFolders(FileSystem& fs, const std::string& path, bool create) {
    std::deque<std::string> rest = Components(path);
    // A prefix with no link in it: each link met is replaced by its target.
    std::string reached = path.starts_with('/') ? "" : ".";
    for (int hops = 0; !rest.empty();) {
        const std::string name = reached + "/" + rest.front();
        struct stat status {};
        if (fs.LinkStatus(name.c_str(), status) != 0) {
            if (errno != ENOENT || !create) {
                return;
            }
            if (fs.MakeFolder(name.c_str(), 0777) != 0 &&
                (errno != EEXIST || ++hops > kMaxLinkHops)) {
                throw ArchiveError::FromErrno(errno, Failed::CreateFolder, name);
            }
            continue;  // looked at again: another program may have put a link there meanwhile
        }
        rest.pop_front();
        if (!S_ISLNK(status.st_mode)) {
            reached = name;
            continue;
        }
        RefuseLinkPlantedByOthers(fs, name, status);
        std::string target;
        if (++hops > kMaxLinkHops || fs.ReadLink(name.c_str(), target) != 0) {
            return;
        }
        const std::deque<std::string> more = Components(target);
        rest.insert(rest.begin(), more.begin(), more.end());
        if (target.starts_with('/')) {
            reached = "";
        }
    }
}

// The name the kernel reached for an open descriptor, checked against the file it has open.
std::optional<std::string> NameOfOpenFile(FileSystem& fs, int fd) {
    std::string name;
    struct stat open {};
    struct stat named {};
    if (fs.ReadLink(("/proc/self/fd/" + std::to_string(fd)).c_str(), name) != 0 ||
        fs.Status(fd, open) != 0 || fs.PathStatus(name.c_str(), named) != 0 ||
        open.st_dev != named.st_dev || open.st_ino != named.st_ino) {
        return std::nullopt;
    }
    return name;
}

}  // namespace

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

void RefuseLinksAlong(FileSystem& fs, const std::string& folder) {
    WalkFolders(fs, folder, false);
}

void MakeFolders(FileSystem& fs, const std::string& folder) {
    WalkFolders(fs, folder, true);
}

TargetPlace ResolveTarget(FileSystem& fs, const std::string& path, bool folderChecked) {
    // Each link of the chain is looked at, not followed: that is left to the kernel below.
    std::string name = path;
    struct stat status {};
    for (int hops = 0;; ++hops) {
        if (!folderChecked || hops > 0) {
            RefuseLinksAlong(fs, FolderOf(name));
        }
        if (fs.LinkStatus(name.c_str(), status) != 0) {
            if (errno != ENOENT) {
                throw ArchiveError::FromErrno(errno, Failed::Open, name);
            }
            return {name, std::nullopt};
        }
        if (!S_ISLNK(status.st_mode)) {
            break;
        }
        RefuseLinkPlantedByOthers(fs, name, status);
        if (hops == kMaxLinkHops) {
            throw ArchiveError::FromErrno(ELOOP, Failed::Open, path);
        }
        std::string link;
        if (fs.ReadLink(name.c_str(), link) != 0) {
            throw ArchiveError::FromErrno(errno, Failed::Open, name);
        }
        name = link.starts_with('/') ? link : FolderOf(name) + "/" + link;
    }
    if (name == path) {
        return {path, status};
    }
    // The kernel follows the links itself, with every check it makes.
    const int fd = fs.Open(path.c_str(), O_PATH);
    if (fd == -1) {
        throw ArchiveError::FromErrno(errno, Failed::Open, path);
    }
    File resolved(fs, fd, path);
    return {NameOfOpenFile(fs, fd).value_or(name), resolved.Status()};
}

std::optional<RenameBlock> RenameBlocked(FileSystem& fs, const TargetPlace& place) {
    const std::string folder = FolderOf(place.path);
    if (fs.MayWrite(folder.c_str()) != 0) {
        // A missing or read-only folder is named by the step that fails on it.
        return errno == EACCES ? std::optional(RenameBlock::FolderNotWritable) : std::nullopt;
    }
    struct stat status {};
    const uid_t user = fs.User();
    if (!place.existing || user == 0 || fs.PathStatus(folder.c_str(), status) != 0) {
        return std::nullopt;
    }
    // In a sticky folder only the file's or the folder's owner may replace the file.
    if ((status.st_mode & S_ISVTX) != 0 && place.existing->st_uid != user &&
        status.st_uid != user) {
        return RenameBlock::StickyFolder;
    }
    return std::nullopt;
}

}  // namespace kofrex
