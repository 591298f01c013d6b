#pragma once

// Open files and whole-file replacement on top of FileSystem. Failures raise ArchiveError
// with errno's number and text.

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "archive_format.h"
#include "file_system.h"

namespace kofrex {

class File {
  public:
    // Raises the open's error.
    static File OpenForReading(FileSystem& fs, const std::string& path);
    // The same without waiting: a named pipe opens at once (and reads as empty), so that only
    // regular files need be taken for archives.
    static File OpenArchiveForReading(FileSystem& fs, const std::string& path);
    // nullopt when the file cannot be opened; never raises.
    static std::optional<File> TryOpenForReading(FileSystem& fs, const std::string& path);
    File(FileSystem& fs, int fd) : fs_(&fs), fd_(fd) {}

    File(File&& other) noexcept : fs_(other.fs_), fd_(other.fd_) { other.fd_ = -1; }
    File& operator=(File&&) = delete;
    File(const File&) = delete;
    ~File();  // closes quietly: only reached on error paths or for files opened to read

    int Descriptor() const { return fd_; }
    struct stat Status() const;
    std::int64_t Length() const { return Status().st_size; }

    // Reads up to `count` bytes from `position`, fewer only at the end of the file.
    std::size_t ReadAt(char* buffer, std::size_t count, std::int64_t position);
    // Reads a newly opened file from its start to its end, raising Overflow past `limit`
    // bytes. Reads sequentially, so pipes and devices serve too.
    ByteString ReadWhole(std::int64_t limit);
    void WriteAt(const char* buffer, std::size_t count, std::int64_t position);
    // Copies `count` bytes of `source` from `from` to this file at `to`, in bounded pieces.
    void CopyFrom(File& source, std::int64_t from, std::int64_t count, std::int64_t to);
    // Copies what is left of `source`, read sequentially, to this file at `to`; returns the
    // number of bytes, raising Overflow past `limit` of them.
    std::int64_t CopyRestOf(File& source, std::int64_t to, std::int64_t limit);
    void Sync();
    // Closes and raises the close's error, so that a lost write is not mistaken for success.
    void Close();

  private:
    FileSystem* fs_;
    int fd_;
};

// Builds the new content of `target` in a temporary file beside it and puts it in place with
// one rename, so the target is either wholly old or wholly new, whatever happens meanwhile.
// A symbolic link is followed: the file it names is replaced and the link kept. An existing
// target keeps its permission bits, and its owner where the process may set it.
class ReplacementFile {
  public:
    ReplacementFile(FileSystem& fs, const std::string& target);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile();  // without Commit(), the temporary file goes and the target stays

    File& Output() { return *output_; }
    // Flushes the new content to disk and renames it over the target: from here on the target
    // holds the new content.
    void Commit();
    // Makes the rename itself durable. Separate from Commit() so that a caller can record the
    // new content as current before this last step can fail.
    void FlushFolder();

  private:
    void OpenTemporary(mode_t mode);
    void TakeOwnerAndMode(const struct stat& existing);
    void NameTemporary();
    void Discard() noexcept;

    FileSystem& fs_;
    std::string target_;
    std::string folder_;
    std::string temporaryName_;  // empty while the temporary file has no name
    bool unnamed_ = false;
    std::optional<File> output_;
};

// Replaces the whole content of `path` by `bytes` (see ReplacementFile). A target that exists
// but is not a regular file, a device say, is written in place instead.
void WriteWholeFile(FileSystem& fs, const std::string& path, std::string_view bytes);
// The same, with the content written by `fill` from position 0 of the file it is given.
void WriteWholeFile(FileSystem& fs, const std::string& path,
                    const std::function<void(File&)>& fill);

// True when both paths name the same existing file, however spelled or linked.
bool SameFile(FileSystem& fs, const std::string& a, const std::string& b);

}  // namespace kofrex
