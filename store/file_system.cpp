#include "file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace kofrex {
namespace {

// A call that a signal interrupted before it did anything is made again.
template <class Call>
auto RetriedOnInterrupt(Call system) -> decltype(system()) {
    decltype(system()) result;
    do {
        result = system();
    } while (result == -1 && errno == EINTR);
    return result;
}

}  // namespace

const char* NameOf(Call call) {
    static constexpr const char* kNames[] = {
        "Open",        "OpenUnnamed",    "Read",         "ReadAt",       "WriteAt",
        "Sync",        "SyncFileSystem", "Close",        "Status",       "PathStatus",
        "LinkStatus",  "ReadLink",       "MayWrite",     "Duplicate",    "ListFolder",
        "Lock",        "ListAttributes", "GetAttribute", "SetAttribute", "StartWriteBack",
        "ChangeOwner", "ChangeMode",     "Name",         "Rename",       "RenameNoReplace",
        "Remove",      "MakeFolder",     "RemoveFolder"};
    return kNames[static_cast<int>(call)];
}

FileSystem& FileSystem::Default() {
    static FileSystem instance;
    return instance;
}

int FileSystem::Open(const char* path, int flags, mode_t mode) {
    return Pass(Call::Open, [&] {
        return RetriedOnInterrupt([&] { return ::open(path, flags | O_CLOEXEC, mode); });
    });
}

int FileSystem::OpenUnnamed(const char* folder, mode_t mode) {
    return Pass(Call::OpenUnnamed, [&] { return Open(folder, O_TMPFILE | O_RDWR, mode); });
}

ssize_t FileSystem::Read(int fd, void* buffer, size_t count) {
    return Pass(Call::Read, [&] {
        return RetriedOnInterrupt([&] { return ::read(fd, buffer, Portion(count)); });
    });
}

ssize_t FileSystem::ReadAt(int fd, void* buffer, size_t count, off_t position) {
    return Pass(Call::ReadAt, [&] {
        return RetriedOnInterrupt([&] { return ::pread(fd, buffer, Portion(count), position); });
    });
}

ssize_t FileSystem::WriteAt(int fd, const void* buffer, size_t count, off_t position) {
    return Pass(Call::WriteAt, [&] {
        return RetriedOnInterrupt([&] { return ::pwrite(fd, buffer, Portion(count), position); });
    });
}

int FileSystem::Sync(int fd) {
    return Pass(Call::Sync, [&] { return ::fsync(fd); });
}

int FileSystem::SyncFileSystem(int fd) {
    return Pass(Call::SyncFileSystem, [&] { return ::syncfs(fd); });
}

int FileSystem::Close(int fd) {
    const int result = ::close(fd);  // the descriptor goes, whatever is reported
    return Pass(Call::Close, [=] { return result; });
}

int FileSystem::Status(int fd, struct stat& status) {
    return Pass(Call::Status, [&] { return ::fstat(fd, &status); });
}

int FileSystem::PathStatus(const char* path, struct stat& status) {
    return Pass(Call::PathStatus, [&] { return ::stat(path, &status); });
}

int FileSystem::LinkStatus(const char* path, struct stat& status) {
    return Pass(Call::LinkStatus, [&] { return ::lstat(path, &status); });
}

int FileSystem::ReadLink(const char* path, std::string& target) {
    return Pass(Call::ReadLink, [&] {
        std::string buffer(256, '\0');
        for (;;) {
            const ssize_t length = ::readlink(path, buffer.data(), buffer.size());
            if (length < 0) {
                return -1;
            }
            if (static_cast<std::size_t>(length) < buffer.size()) {
                buffer.resize(static_cast<std::size_t>(length));
                target = std::move(buffer);
                return 0;
            }
            buffer.resize(buffer.size() * 2);
        }
    });
}

int FileSystem::MayWrite(const char* path) {
    return Pass(Call::MayWrite, [&] { return ::faccessat(AT_FDCWD, path, W_OK, AT_EACCESS); });
}

long FileSystem::DescriptorLimit() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return 1024;  // the usual default, should the limit be unknown or unlimited
    }
    return static_cast<long>(limit.rlim_cur);
}

uid_t FileSystem::User() {
    return ::geteuid();
}

int FileSystem::Duplicate(int fd) {
    return Pass(Call::Duplicate, [&] { return ::fcntl(fd, F_DUPFD_CLOEXEC, 0); });
}

int FileSystem::ListFolder(const char* folder, std::vector<std::string>& names) {
    return Pass(Call::ListFolder, [&] {
        DIR* listing = ::opendir(folder);
        if (listing == nullptr) {
            return -1;
        }
        names.clear();
        errno = 0;
        while (const dirent* item = ::readdir(listing)) {
            const std::string name = item->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        const int error = errno;
        ::closedir(listing);
        errno = error;
        return error == 0 ? 0 : -1;
    });
}

int FileSystem::Lock(int fd, int operation) {
    return Pass(Call::Lock,
                [&] { return RetriedOnInterrupt([&] { return ::flock(fd, operation); }); });
}

namespace {

// Calls `query` with a growing buffer until the value fits; the value may change meanwhile.
template <typename Query>
int QueryWhole(std::string& out, Query query) {
    for (;;) {
        const ssize_t size = query(nullptr, 0);
        if (size < 0) {
            return -1;
        }
        out.assign(static_cast<std::size_t>(size), '\0');
        const ssize_t got = query(out.data(), out.size());
        if (got >= 0) {
            out.resize(static_cast<std::size_t>(got));
            return 0;
        }
        if (errno != ERANGE) {
            return -1;
        }
    }
}

}  // namespace

int FileSystem::ListAttributes(const char* path, std::string& names) {
    return Pass(Call::ListAttributes, [&] {
        return QueryWhole(
            names, [&](char* buffer, size_t size) { return ::listxattr(path, buffer, size); });
    });
}

int FileSystem::GetAttribute(const char* path, const char* name, std::string& value) {
    return Pass(Call::GetAttribute, [&] {
        return QueryWhole(
            value, [&](char* buffer, size_t size) { return ::getxattr(path, name, buffer, size); });
    });
}

int FileSystem::SetAttribute(int fd, const char* name, const std::string& value) {
    return Pass(Call::SetAttribute,
                [&] { return ::fsetxattr(fd, name, value.data(), value.size(), 0); });
}

int FileSystem::StartWriteBack(int fd, off_t from, off_t count) {
    return Pass(Call::StartWriteBack,
                [&] { return ::sync_file_range(fd, from, count, SYNC_FILE_RANGE_WRITE); });
}

int FileSystem::ChangeOwner(int fd, uid_t owner, gid_t group) {
    return Pass(Call::ChangeOwner, [&] { return ::fchown(fd, owner, group); });
}

int FileSystem::ChangeMode(int fd, mode_t mode) {
    return Pass(Call::ChangeMode, [&] { return ::fchmod(fd, mode); });
}

int FileSystem::Name(int fd, const char* path) {
    return Pass(Call::Name, [&] {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path, AT_SYMLINK_FOLLOW) == 0) {
            return 0;
        }
        if (errno != ENOENT) {
            return -1;
        }
        // No /proc: the direct form, which needs the right to name any open file.
        return ::linkat(fd, "", AT_FDCWD, path, AT_EMPTY_PATH);
    });
}

int FileSystem::Rename(const char* from, const char* to) {
    return Pass(Call::Rename, [&] { return ::rename(from, to); });
}

int FileSystem::RenameNoReplace(const char* from, const char* to) {
    return Pass(Call::RenameNoReplace, [&] {
        if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
            return 0;
        }
        if (errno != EINVAL && errno != ENOSYS) {
            return -1;
        }
        // A file system without the flag: a new hard link fails where the name is taken, too.
        if (::link(from, to) != 0) {
            return -1;
        }
        return ::unlink(from);
    });
}

int FileSystem::Remove(const char* path) {
    return Pass(Call::Remove, [&] { return ::unlink(path); });
}

int FileSystem::MakeFolder(const char* path, mode_t mode) {
    return Pass(Call::MakeFolder, [&] { return ::mkdir(path, mode); });
}

int FileSystem::RemoveFolder(const char* path) {
    return Pass(Call::RemoveFolder, [&] { return ::rmdir(path); });
}

}  // namespace kofrex
