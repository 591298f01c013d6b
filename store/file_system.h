#pragma once

// Every system call the store makes goes through this class, and nothing else in the store
// touches the operating system. Each call returns what its POSIX counterpart returns and sets
// errno the same way. Each also passes one hook first, named after its method, so that a file
// system for tests can fail any single call, or let a read or write move only part of its bytes.

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <string>
#include <vector>

namespace kofrex {

// The calls a file system for tests may fail, one for each method below that reaches the system;
// an enumeration, so that a misspelled one does not compile.
enum class Call {
    Open,
    OpenUnnamed,
    Read,
    ReadAt,
    WriteAt,
    Sync,
    SyncFileSystem,
    Close,
    Status,
    PathStatus,
    LinkStatus,
    ReadLink,
    MayWrite,
    Duplicate,
    ListFolder,
    Lock,
    ListAttributes,
    GetAttribute,
    SetAttribute,
    StartWriteBack,
    ChangeOwner,
    ChangeMode,
    Name,
    Rename,
    RenameNoReplace,
    Remove,
    MakeFolder,
    RemoveFolder
};
// The call's name, as the method is named.
const char* NameOf(Call call);

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // The instance the program uses.
    static FileSystem& Default();

    int Open(const char* path, int flags, mode_t mode = 0);  // the mode of a file it creates
    // An unnamed file in `folder`, opened for reading and writing; see Name().
    int OpenUnnamed(const char* folder, mode_t mode);
    // Sequential, for files read whole from the start: pipes and devices cannot seek.
    ssize_t Read(int fd, void* buffer, size_t count);
    ssize_t ReadAt(int fd, void* buffer, size_t count, off_t position);
    ssize_t WriteAt(int fd, const void* buffer, size_t count, off_t position);
    int Sync(int fd);
    // syncfs(2): every file of the file system that holds `fd` to the disk, in one flush.
    int SyncFileSystem(int fd);
    int Close(int fd);
    int Status(int fd, struct stat& status);
    int PathStatus(const char* path, struct stat& status);  // follows links
    int LinkStatus(const char* path, struct stat& status);  // the link itself
    int ReadLink(const char* path, std::string& target);
    // Whether this user may write `path`, judged as the kernel would judge an open for writing.
    int MayWrite(const char* path);
    // The user whose rights the kernel checks: the effective user id.
    virtual uid_t User();
    // flock(2): LOCK_EX, LOCK_NB, LOCK_UN.
    int Lock(int fd, int operation);
    // dup(2): a second descriptor of the same open file, which keeps its lock.
    int Duplicate(int fd);
    // The names in `folder`, without "." and "..".
    int ListFolder(const char* folder, std::vector<std::string>& names);
    // The extended attributes' names, each ending in a zero byte, as listxattr(2) gives them.
    int ListAttributes(const char* path, std::string& names);
    int GetAttribute(const char* path, const char* name, std::string& value);
    int SetAttribute(int fd, const char* name, const std::string& value);
    // Asks the disk to start writing the given range without waiting for it.
    int StartWriteBack(int fd, off_t from, off_t count);
    int ChangeOwner(int fd, uid_t owner, gid_t group);
    int ChangeMode(int fd, mode_t mode);
    // Gives the unnamed file `fd` the name `path`.
    int Name(int fd, const char* path);
    int Rename(const char* from, const char* to);
    // Like Rename, but fails with EEXIST where something already has the name `to`.
    int RenameNoReplace(const char* from, const char* to);
    int Remove(const char* path);
    // mkdir(2) and rmdir(2).
    int MakeFolder(const char* path, mode_t mode);
    int RemoveFolder(const char* path);
    // The descriptors this process may have open at once: the soft RLIMIT_NOFILE.
    virtual long DescriptorLimit();

  protected:
    // 0 lets the call through; an errno fails it with that error, before it reaches the system.
    virtual int Fault(Call /*call*/) { return 0; }
    // The bytes of `count` that a read or write passed by Fault may move.
    virtual size_t Portion(size_t count) { return count; }

  private:
    template <class System>
    auto Pass(Call call, System system) -> decltype(system()) {
        const int error = Fault(call);
        return error != 0 ? (errno = error, -1) : system();
    }
};

}  // namespace kofrex
