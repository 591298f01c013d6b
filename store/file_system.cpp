#include "file_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace kofrex {

FileSystem& FileSystem::Default() {
    static FileSystem instance;
    return instance;
}

int FileSystem::Open(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int FileSystem::OpenUnnamed(const char* folder, mode_t mode) {
#ifdef O_TMPFILE
    return Open(folder, O_TMPFILE | O_RDWR, mode);
#else
    (void)folder, (void)mode;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

ssize_t FileSystem::Read(int fd, void* buffer, size_t count) {
    ssize_t done;
    do {
        done = ::read(fd, buffer, count);
    } while (done < 0 && errno == EINTR);
    return done;
}

ssize_t FileSystem::ReadAt(int fd, void* buffer, size_t count, off_t position) {
    ssize_t done;
    do {
        done = ::pread(fd, buffer, count, position);
    } while (done < 0 && errno == EINTR);
    return done;
}

ssize_t FileSystem::WriteAt(int fd, const void* buffer, size_t count, off_t position) {
    ssize_t done;
    do {
        done = ::pwrite(fd, buffer, count, position);
    } while (done < 0 && errno == EINTR);
    return done;
}

int FileSystem::Sync(int fd) {
    return ::fsync(fd);
}

int FileSystem::Close(int fd) {
    return ::close(fd);
}

int FileSystem::Status(int fd, struct stat& status) {
    return ::fstat(fd, &status);
}

int FileSystem::PathStatus(const char* path, struct stat& status) {
    return ::stat(path, &status);
}

int FileSystem::ResolveLinks(const char* path, std::string& resolved) {
    char* absolute = ::realpath(path, nullptr);
    if (absolute == nullptr) {
        return -1;
    }
    resolved = absolute;
    std::free(absolute);
    return 0;
}

int FileSystem::ChangeOwner(int fd, uid_t owner, gid_t group) {
    return ::fchown(fd, owner, group);
}

int FileSystem::ChangeMode(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}

int FileSystem::Name(int fd, const char* path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path, AT_SYMLINK_FOLLOW) == 0) {
        return 0;
    }
    if (errno != ENOENT) {
        return -1;
    }
    // No /proc: the direct form, which needs the right to name any open file.
    return ::linkat(fd, "", AT_FDCWD, path, AT_EMPTY_PATH);
}

int FileSystem::Rename(const char* from, const char* to) {
    return ::rename(from, to);
}

int FileSystem::Remove(const char* path) {
    return ::unlink(path);
}

}  // namespace kofrex
