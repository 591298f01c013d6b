#pragma once

// Every system call the store makes goes through this class, and nothing else in the store
// touches the operating system. Each call returns what its POSIX counterpart returns and sets
// errno the same way; tests derive from it to make any single call fail.

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <vector>

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
    // syncfs(2): every file of the file system that holds `fd` to the disk, in one flush.
    virtual int SyncFileSystem(int fd);
    virtual int Close(int fd);
    virtual int Status(int fd, struct stat& status);
    virtual int PathStatus(const char* path, struct stat& status);  // follows links
    virtual int LinkStatus(const char* path, struct stat& status);  // the link itself
    virtual int ReadLink(const char* path, std::string& target);
    // Whether this user may write `path`, judged as the kernel would judge an open for writing.
    virtual int MayWrite(const char* path);
    // The user whose rights the kernel checks: the effective user id.
    virtual uid_t User();
    // flock(2): LOCK_EX, LOCK_NB, LOCK_UN.
    virtual int Lock(int fd, int operation);
    // dup(2): a second descriptor of the same open file, which keeps its lock.
    virtual int Duplicate(int fd);
    // The names in `folder`, without "." and "..".
    virtual int ListFolder(const char* folder, std::vector<std::string>& names);
    // The extended attributes' names, each ending in a zero byte, as listxattr(2) gives them.
    virtual int ListAttributes(const char* path, std::string& names);
    virtual int GetAttribute(const char* path, const char* name, std::string& value);
    virtual int SetAttribute(int fd, const char* name, const std::string& value);
    // Asks the disk to start writing the given range without waiting for it.
    virtual int StartWriteBack(int fd, off_t from, off_t count);
    virtual int ChangeOwner(int fd, uid_t owner, gid_t group);
    virtual int ChangeMode(int fd, mode_t mode);
    // Gives the unnamed file `fd` the name `path`.
    virtual int Name(int fd, const char* path);
    virtual int Rename(const char* from, const char* to);
    // Like Rename, but fails with EEXIST where something already has the name `to`.
    virtual int RenameNoReplace(const char* from, const char* to);
    virtual int Remove(const char* path);
};

}  // namespace kofrex
