#pragma once

// Every system call the store makes goes through this class, and nothing else in the store
// touches the operating system. Each call returns what its POSIX counterpart returns and sets
// errno the same way; tests derive from it to make any single call fail.

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace kofrex {

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // The instance the program uses.
    static FileSystem& Default();

    virtual int Open(const char* path, int flags, mode_t mode);
    // An unnamed file in `folder`, opened for reading and writing; see Name().
    virtual int OpenUnnamed(const char* folder, mode_t mode);
    // Sequential, for files read whole from the start: pipes and devices cannot seek.
    virtual ssize_t Read(int fd, void* buffer, size_t count);
    virtual ssize_t ReadAt(int fd, void* buffer, size_t count, off_t position);
    virtual ssize_t WriteAt(int fd, const void* buffer, size_t count, off_t position);
    virtual int Sync(int fd);
    virtual int Close(int fd);
    virtual int Status(int fd, struct stat& status);
    virtual int PathStatus(const char* path, struct stat& status);  // follows links
    // Sets `resolved` to the absolute path with every symbolic link resolved.
    virtual int ResolveLinks(const char* path, std::string& resolved);
    virtual int ChangeOwner(int fd, uid_t owner, gid_t group);
    virtual int ChangeMode(int fd, mode_t mode);
    // Gives the unnamed file `fd` the name `path`.
    virtual int Name(int fd, const char* path);
    virtual int Rename(const char* from, const char* to);
    virtual int Remove(const char* path);
};

}  // namespace kofrex
