#include "private_folder.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cstring>
#include <vector>

#include "archive_error.h"
#include "file.h"
#include "replacement_file.h"

namespace kofrex {
namespace {

constexpr std::string_view kPrefix = "kofrex-";
constexpr int kNameAttempts = 100;

// Removes the files in `folder`, then the folder, which stays if anything else is left in it.
void RemoveWithFiles(FileSystem& fs, const std::string& folder) {
    std::vector<std::string> names;
    if (fs.ListFolder(folder.c_str(), names) == 0) {
        for (const std::string& name : names) {
            fs.Remove((folder + "/" + name).c_str());  // fails for a folder, which is left
        }
    }
    fs.RemoveFolder(folder.c_str());
}

// A new folder for this user alone, as mkdtemp(3) makes it; "" with errno set when none can be.
std::string NewFolderIn(FileSystem& fs, const std::string& base) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string path = base + "/" + RandomName(kPrefix);
        if (fs.MakeFolder(path.c_str(), 0700) == 0) {
            return path;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};  // errno is EEXIST
}

}  // namespace

PrivateFolder::PrivateFolder(FileSystem& fs, const std::string& base)
    : fs_(fs), path_(NewFolderIn(fs, base)) {
    const int fd =
        path_.empty() ? -1 : fs_.Open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd != -1) {
        folder_.emplace(fs_, fd, path_);
    }
    if (fd == -1 || fs_.Lock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (!path_.empty()) {
            fs_.RemoveFolder(path_.c_str());
        }
        throw ArchiveError(
            error,
            KOFREX_TEXT("kofrex::ArchiveError", "Could not create a private folder in %1: %2."),
            {{base}, {std::strerror(error)}});
    }
    slot_ = RemoveFolderWhenEnded(fd, path_);
}

PrivateFolder::~PrivateFolder() {
    ForgetFolderWhenEnded(slot_);
    RemoveWithFiles(fs_, path_);
}

void RemoveAbandonedPrivateFolders(FileSystem& fs, const std::string& base) {
    std::vector<std::string> names;
    if (fs.ListFolder(base.c_str(), names) != 0) {
        return;  // only tidying
    }
    for (const std::string& name : names) {
        const std::string path = base + "/" + name;
        const int fd = IsRandomName(name, kPrefix)
                           ? fs.Open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW)
                           : -1;
        if (fd == -1) {
            continue;
        }
        File folder(fs, fd, path);
        struct stat status {};
        if (fs.Status(fd, status) == 0 && status.st_uid == fs.User() &&
            fs.Lock(fd, LOCK_EX | LOCK_NB) == 0) {
            RemoveWithFiles(fs, path);
        }
    }
}

}  // namespace kofrex
