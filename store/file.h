#pragma once

// Open files and whole-file replacement on top of FileSystem. Failures raise ArchiveError
// naming the file the user knows (the target, never a temporary name).

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "archive_error.h"
#include "archive_format.h"
#include "file_system.h"
#include "progress.h"

namespace kofrex {

// What tells one version of a file from another without reading it: another program that
// replaces or rewrites the file changes at least one of these.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t length = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    static FileIdentity Of(const struct stat& status);
    bool SameFileAs(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

class File;

// Counts the bytes a copy writes: reports them to the progress callback, which may stop the
// copy, and has the disk start writing every few MiB so that the final flush finds little left.
class CopyMeter {
  public:
    CopyMeter(const ProgressCallback& progress, std::int64_t total)
        : progress_(progress), total_(total) {}
    // After `count` bytes were written to `out` at `position`; raises OperationCancelled.
    void Wrote(File& out, std::int64_t position, std::int64_t count);

  private:
    const ProgressCallback& progress_;
    std::int64_t total_;
    std::int64_t done_ = 0;
    std::int64_t pendingFrom_ = 0;  // written, not yet handed to the disk
    std::int64_t pendingBytes_ = 0;
    bool writeBack_ = true;  // false once the file system has shown it cannot
};

class File {
  public:
    // A file to read whole, opened without waiting; nullopt when it cannot be opened or is not
    // a regular file (a pipe, a device, a socket), which is declined as an unreadable file is.
    // With `status`, the file's status goes there.
    static std::optional<File> OpenSource(FileSystem& fs, const std::string& path,
                                          struct stat* status = nullptr);
    // Without waiting too: a named pipe opens at once (and is then no archive). Raises.
    static File OpenArchiveForReading(FileSystem& fs, const std::string& path);
    File(FileSystem& fs, int fd, std::string path) : fs_(&fs), fd_(fd), path_(std::move(path)) {}

    File(File&& other) noexcept : fs_(other.fs_), fd_(other.fd_), path_(std::move(other.path_)) {
        other.fd_ = -1;
    }
    File& operator=(File&&) = delete;
    File(const File&) = delete;
    ~File();  // closes quietly: only reached on error paths or for files opened to read

    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }
    struct stat Status() const;
    std::int64_t Length() const { return Status().st_size; }

    // Reads up to `count` bytes from `position`, fewer only at the end of the file.
    std::size_t ReadAt(char* buffer, std::size_t count, std::int64_t position);
    // Reads a newly opened file from its start to its end, raising Overflow past `limit`.
    ByteString ReadWhole(std::int64_t limit);
    void WriteAt(const char* buffer, std::size_t count, std::int64_t position);
    // Copies `count` bytes of `source` from `from` to this file at `to`, in bounded pieces.
    void CopyFrom(File& source, std::int64_t from, std::int64_t count, std::int64_t to,
                  CopyMeter& meter);
    // Copies what is left of `source`, read sequentially, to this file at `to`, through
    // `buffer` (made large enough once, for many copies); returns the number of bytes, raising
    // Overflow of `archive` past `limit` of them (a growing source).
    std::int64_t CopyRestOf(File& source, std::int64_t to, std::int64_t limit, CopyMeter& meter,
                            const std::string& archive, ByteString& buffer);
    // False when the file system cannot start write-back early; the final Sync still flushes.
    bool StartWriteBack(std::int64_t from, std::int64_t count);
    void Sync();
    // Closes and raises the close's error, so that a lost write is not mistaken for success.
    void Close();

    // An exclusive advisory lock for the whole of one add. False while another holder has it;
    // true also where the file system has no such locks, which then cannot protect anything.
    bool TryLockExclusive();
    void Unlock();

  private:
    [[noreturn]] void Raise(Failed action) const;

    FileSystem* fs_;
    int fd_;
    std::string path_;
};

// Copies ranges of one file, reading small ones in large pieces: many small entries cost a few
// reads instead of one each.
class ReadAhead {
  public:
    explicit ReadAhead(File& source) : source_(source) {}
    // Copies `count` bytes at `from` to `out` at 0; raises EntryOutsideArchive where the source
    // ends before.
    void CopyTo(File& out, std::int64_t from, std::int64_t count, CopyMeter& meter);

  private:
    File& source_;
    ByteString piece_;
    std::int64_t pieceAt_ = 0;
};

// True when both paths name the same existing file, however spelled or linked.
bool SameFile(FileSystem& fs, const std::string& a, const std::string& b);

}  // namespace kofrex
