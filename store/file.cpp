#include "file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "archive_error.h"

namespace kofrex {
namespace {

constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
constexpr int kNameAttempts = 100;

[[noreturn]] void RaiseErrno() {
    throw ArchiveError::FromErrno(errno);
}

bool LacksUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TemporaryNameBeside(const std::string& target) {
    static std::mt19937_64 random{std::random_device{}()};
    const std::string folder = FolderOf(target);
    const std::size_t slash = target.find_last_of('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "/." + base + "." + std::to_string(random() % 1'000'000'000) + ".tmp";
}

}  // namespace

File File::OpenForReading(FileSystem& fs, const std::string& path) {
    const int fd = fs.Open(path.c_str(), O_RDONLY, 0);
    if (fd < 0) {
        RaiseErrno();
    }
    return File(fs, fd);
}

File File::OpenArchiveForReading(FileSystem& fs, const std::string& path) {
    const int fd = fs.Open(path.c_str(), O_RDONLY | O_NONBLOCK, 0);
    if (fd < 0) {
        RaiseErrno();
    }
    return File(fs, fd);
}

std::optional<File> File::TryOpenForReading(FileSystem& fs, const std::string& path) {
    const int fd = fs.Open(path.c_str(), O_RDONLY, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    return File(fs, fd);
}

File::~File() {
    if (fd_ >= 0) {
        fs_->Close(fd_);
    }
}

struct stat File::Status() const {
    struct stat status {};
    if (fs_->Status(fd_, status) != 0) {
        RaiseErrno();
    }
    return status;
}

std::size_t File::ReadAt(char* buffer, std::size_t count, std::int64_t position) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            fs_->ReadAt(fd_, buffer + done, count - done, static_cast<off_t>(position + done));
        if (got < 0) {
            RaiseErrno();
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

ByteString File::ReadWhole(std::int64_t limit) {
    // One byte more than expected, so that a file that grew is noticed without a second pass.
    const std::int64_t expected = std::max<std::int64_t>(0, Length());
    if (expected > limit) {
        throw ArchiveError::Overflow();  // known too long: not worth reading
    }
    ByteString data(static_cast<std::size_t>(std::min(expected, limit) + 1), '\0');
    std::size_t total = 0;
    for (;;) {
        const ssize_t got = fs_->Read(fd_, data.data() + total, data.size() - total);
        if (got < 0) {
            RaiseErrno();
        }
        total += static_cast<std::size_t>(got);
        if (got == 0) {
            break;  // end of file
        }
        if (total < data.size()) {
            continue;
        }
        if (static_cast<std::int64_t>(total) > limit) {
            throw ArchiveError::Overflow();
        }
        const std::size_t grown =
            std::min<std::size_t>(data.size() + std::max(kCopyChunk, data.size() / 2),
                                  static_cast<std::size_t>(limit) + 1);
        data.resize(grown, '\0');
    }
    data.resize(total);
    return data;
}

void File::WriteAt(const char* buffer, std::size_t count, std::int64_t position) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put =
            fs_->WriteAt(fd_, buffer + done, count - done, static_cast<off_t>(position + done));
        if (put < 0) {
            RaiseErrno();
        }
        if (put == 0) {
            throw ArchiveError::FromErrno(ENOSPC);
        }
        done += static_cast<std::size_t>(put);
    }
}

void File::CopyFrom(File& source, std::int64_t from, std::int64_t count, std::int64_t to) {
    // Through one bounded buffer: on ext4 this beats the kernel's copy_file_range, and memory
    // stays flat however large the archive is.
    ByteString buffer(static_cast<std::size_t>(std::min<std::int64_t>(count, kCopyChunk)), '\0');
    for (std::int64_t done = 0; done < count;) {
        const auto piece =
            static_cast<std::size_t>(std::min<std::int64_t>(count - done, kCopyChunk));
        if (source.ReadAt(buffer.data(), piece, from + done) < piece) {
            throw ArchiveError::EntryOutsideArchive();
        }
        WriteAt(buffer.data(), piece, to + done);
        done += static_cast<std::int64_t>(piece);
    }
}

std::int64_t File::CopyRestOf(File& source, std::int64_t to, std::int64_t limit) {
    ByteString buffer(kCopyChunk, '\0');
    std::int64_t done = 0;
    for (;;) {
        const ssize_t got = source.fs_->Read(source.fd_, buffer.data(), buffer.size());
        if (got < 0) {
            RaiseErrno();
        }
        if (got == 0) {
            return done;
        }
        if (done + got > limit) {
            throw ArchiveError::Overflow();
        }
        WriteAt(buffer.data(), static_cast<std::size_t>(got), to + done);
        done += got;
    }
}

void File::Sync() {
    if (fs_->Sync(fd_) != 0) {
        RaiseErrno();
    }
}

void File::Close() {
    const int fd = fd_;
    fd_ = -1;
    if (fs_->Close(fd) != 0) {
        RaiseErrno();
    }
}

ReplacementFile::ReplacementFile(FileSystem& fs, const std::string& target) : fs_(fs) {
    const bool exists = fs_.ResolveLinks(target.c_str(), target_) == 0;
    if (!exists && errno != ENOENT) {
        RaiseErrno();
    }
    if (!exists) {
        target_ = target;  // a new file
    }
    folder_ = FolderOf(target_);
    struct stat existing {};
    if (exists) {
        if (fs_.PathStatus(target_.c_str(), existing) != 0) {
            RaiseErrno();
        }
        OpenTemporary(0600);
        try {
            TakeOwnerAndMode(existing);
        } catch (...) {
            Discard();  // a destructor does not run for a constructor that raised
            throw;
        }
    } else {
        OpenTemporary(0666);  // what a newly created file gets, less the umask
    }
}

ReplacementFile::~ReplacementFile() {
    Discard();
}

void ReplacementFile::OpenTemporary(mode_t mode) {
    const int unnamed = fs_.OpenUnnamed(folder_.c_str(), mode);
    if (unnamed >= 0) {
        unnamed_ = true;
        output_.emplace(fs_, unnamed);
        return;
    }
    if (!LacksUnnamedFiles(errno)) {
        RaiseErrno();
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = TemporaryNameBeside(target_);
        const int fd = fs_.Open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, mode);
        if (fd >= 0) {
            temporaryName_ = name;
            output_.emplace(fs_, fd);
            return;
        }
        if (errno != EEXIST) {
            RaiseErrno();
        }
    }
    throw ArchiveError::FromErrno(EEXIST);
}

void ReplacementFile::TakeOwnerAndMode(const struct stat& existing) {
    // Owner first: changing it clears set-id bits that the mode then restores.
    if (fs_.ChangeOwner(output_->Descriptor(), existing.st_uid, existing.st_gid) != 0 &&
        errno != EPERM) {
        RaiseErrno();
    }
    if (fs_.ChangeMode(output_->Descriptor(), existing.st_mode & 07777) != 0) {
        RaiseErrno();
    }
}

void ReplacementFile::NameTemporary() {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = TemporaryNameBeside(target_);
        if (fs_.Name(output_->Descriptor(), name.c_str()) == 0) {
            temporaryName_ = name;
            return;
        }
        if (errno != EEXIST) {
            RaiseErrno();
        }
    }
    throw ArchiveError::FromErrno(EEXIST);
}

void ReplacementFile::Commit() {
    output_->Sync();
    if (unnamed_) {
        NameTemporary();  // the name lives only until the rename below
    }
    output_->Close();
    output_.reset();
    if (fs_.Rename(temporaryName_.c_str(), target_.c_str()) != 0) {
        RaiseErrno();
    }
    temporaryName_.clear();
}

void ReplacementFile::FlushFolder() {
    const int fd = fs_.Open(folder_.c_str(), O_RDONLY | O_DIRECTORY, 0);
    if (fd < 0) {
        RaiseErrno();
    }
    File folder(fs_, fd);
    folder.Sync();
    folder.Close();
}

void ReplacementFile::Discard() noexcept {
    output_.reset();
    if (!temporaryName_.empty()) {
        fs_.Remove(temporaryName_.c_str());
        temporaryName_.clear();
    }
}

void WriteWholeFile(FileSystem& fs, const std::string& path, std::string_view bytes) {
    WriteWholeFile(fs, path, [&](File& out) { out.WriteAt(bytes.data(), bytes.size(), 0); });
}

void WriteWholeFile(FileSystem& fs, const std::string& path,
                    const std::function<void(File&)>& fill) {
    struct stat status {};
    if (fs.PathStatus(path.c_str(), status) == 0 && !S_ISREG(status.st_mode)) {
        const int fd = fs.Open(path.c_str(), O_WRONLY | O_TRUNC, 0);
        if (fd < 0) {
            RaiseErrno();
        }
        File device(fs, fd);
        fill(device);
        device.Close();
        return;
    }
    ReplacementFile replacement(fs, path);
    fill(replacement.Output());
    replacement.Commit();
    replacement.FlushFolder();
}

bool SameFile(FileSystem& fs, const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    if (a.empty() || b.empty() || fs.PathStatus(a.c_str(), first) != 0 ||
        fs.PathStatus(b.c_str(), second) != 0) {
        return false;
    }
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace kofrex
