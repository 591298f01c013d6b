#pragma once

// Shared helpers for the store tests: a scratch folder, whole-file reads and writes, archive
// images built by hand from the byte layout, and a file system that fails on request.

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "archive_format.h"
#include "file_system.h"

namespace kofrex::test {

class ScratchFolder {
  public:
    ScratchFolder();
    // A scratch folder inside `base` instead of the system's temporary folder.
    explicit ScratchFolder(const std::filesystem::path& base);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // Names in the folder, sorted; shows leftover temporary files.
    std::vector<std::string> Names() const;

  private:
    std::filesystem::path path_;
};

void WriteFile(const std::string& path, const ByteString& bytes);
ByteString ReadFile(const std::string& path);
// FNV-1a, 64 bits: a compact fingerprint for comparing large archives in messages and logs.
std::uint64_t Hash64(const ByteString& bytes);

// 4-byte little-endian image of a signed 32-bit value.
ByteString Le32(std::int32_t value);
// One directory entry as it lies in the file.
ByteString EntryImage(const std::string& name15, std::int32_t offset, std::int32_t size);

struct StoredFile {
    std::string name15;  // exactly 15 bytes
    ByteString data;
};
// A well-formed archive holding `files` in directory order, data after the directory.
ByteString ArchiveImage(const std::vector<StoredFile>& files);

// Which calls a FaultyFileSystem lets through and which it fails.
class FaultyFileSystem : public FileSystem {
  public:
    enum class Fault { kError, kShortWrite };

    // Fails call number `first` (1-based), and every later one too when `persistent`.
    void FailFrom(int first, bool persistent, int error, Fault fault = Fault::kError);
    int Calls() const { return calls_; }
    // The kind of the call that was failed first, "" when none was.
    const std::string& FailedCall() const { return failedCall_; }
    // The kind of every call so far ("open", "write", "rename" ...), in order.
    const std::vector<std::string>& CallKinds() const { return kinds_; }

    int Open(const char* path, int flags, mode_t mode) override;
    int OpenUnnamed(const char* folder, mode_t mode) override;
    ssize_t Read(int fd, void* buffer, size_t count) override;
    ssize_t ReadAt(int fd, void* buffer, size_t count, off_t position) override;
    ssize_t WriteAt(int fd, const void* buffer, size_t count, off_t position) override;
    int Sync(int fd) override;
    int Close(int fd) override;
    int Status(int fd, struct stat& status) override;
    int PathStatus(const char* path, struct stat& status) override;
    int ResolveLinks(const char* path, std::string& resolved) override;
    int ChangeOwner(int fd, uid_t owner, gid_t group) override;
    int ChangeMode(int fd, mode_t mode) override;
    int Name(int fd, const char* path) override;
    int Rename(const char* from, const char* to) override;

  private:
    // Counts the call; true when it is to fail, with errno set.
    bool ShouldFail(const char* kind);

    int calls_ = 0;
    int first_ = 0;
    bool persistent_ = false;
    int error_ = EIO;
    Fault fault_ = Fault::kError;
    std::string failedCall_;
    std::vector<std::string> kinds_;
};

}  // namespace kofrex::test
