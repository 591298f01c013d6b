#include "file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "archive_error.h"

namespace kofrex {
namespace {

constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
// Write-back starts for every this many bytes written; 16 MiB kept the disk busy while the
// copy went on, without the small requests that cost more than they save.
constexpr std::int64_t kWriteBackChunk = std::int64_t{16} << 20;
// Entries up to this size are read a piece of kReadAheadPiece at a time.
constexpr std::int64_t kReadAheadEntry = std::int64_t{64} << 10;
constexpr std::int64_t kReadAheadPiece = std::int64_t{4} << 20;
}  // namespace

FileIdentity FileIdentity::Of(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec,
            status.st_mtim.tv_nsec};
}

void CopyMeter::Wrote(File& out, std::int64_t position, std::int64_t count) {
    done_ += count;
    if (writeBack_) {
        if (pendingFrom_ + pendingBytes_ != position) {
            pendingFrom_ = position;  // a new stretch: the old one is left to the final flush
            pendingBytes_ = 0;
        }
        pendingBytes_ += count;
        if (pendingBytes_ >= kWriteBackChunk) {
            writeBack_ = out.StartWriteBack(pendingFrom_, pendingBytes_);
            pendingFrom_ += pendingBytes_;
            pendingBytes_ = 0;
        }
    }
    if (progress_ && !progress_(Progress{done_, total_, false})) {
        throw OperationCancelled();
    }
}

std::optional<File> File::OpenSource(FileSystem& fs, const std::string& path, struct stat* status) {
    const int fd = fs.Open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd == -1) {
        return std::nullopt;
    }
    File file(fs, fd, path);
    struct stat own {};
    struct stat& found = status != nullptr ? *status : own;
    if (fs.Status(fd, found) != 0 || !S_ISREG(found.st_mode)) {
        return std::nullopt;
    }
    return file;
}

File File::OpenArchiveForReading(FileSystem& fs, const std::string& path) {
    const int fd = fs.Open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd == -1) {
        throw ArchiveError::FromErrno(errno, Failed::Open, path);
    }
    return File(fs, fd, path);
}

File::~File() {
    if (fd_ != -1) {
        fs_->Close(fd_);
    }
}

void File::Raise(Failed action) const {
    throw ArchiveError::FromErrno(errno, action, path_);
}

struct stat File::Status() const {
    struct stat status {};
    if (fs_->Status(fd_, status) != 0) {
        Raise(Failed::Read);
    }
    return status;
}

std::size_t File::ReadAt(char* buffer, std::size_t count, std::int64_t position) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            fs_->ReadAt(fd_, buffer + done, count - done, static_cast<off_t>(position + done));
        if (got < 0) {
            Raise(Failed::Read);
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
        throw ArchiveError::TooLarge(path_);  // known too long: not worth reading
    }
    ByteString data(static_cast<std::size_t>(std::min(expected, limit) + 1), '\0');
    std::size_t total = 0;
    for (;;) {
        const ssize_t got = fs_->Read(fd_, data.data() + total, data.size() - total);
        if (got < 0) {
            Raise(Failed::Read);
        }
        total += static_cast<std::size_t>(got);
        if (got == 0) {
            break;  // end of file
        }
        if (total < data.size()) {
            continue;
        }
        if (static_cast<std::int64_t>(total) > limit) {
            throw ArchiveError::TooLarge(path_);
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
            Raise(Failed::Write);
        }
        if (put == 0) {
            errno = ENOSPC;
            Raise(Failed::Write);
        }
        done += static_cast<std::size_t>(put);
    }
}

void File::CopyFrom(File& source, std::int64_t from, std::int64_t count, std::int64_t to,
                    CopyMeter& meter) {
    // Through one bounded buffer: on ext4 this beats the kernel's copy_file_range, and memory
    // stays flat however large the archive is.
    ByteString buffer(static_cast<std::size_t>(std::min<std::int64_t>(count, kCopyChunk)), '\0');
    for (std::int64_t done = 0; done < count;) {
        const auto piece =
            static_cast<std::size_t>(std::min<std::int64_t>(count - done, kCopyChunk));
        if (source.ReadAt(buffer.data(), piece, from + done) < piece) {
            throw ArchiveError::EntryOutsideArchive(source.path_);
        }
        WriteAt(buffer.data(), piece, to + done);
        meter.Wrote(*this, to + done, static_cast<std::int64_t>(piece));
        done += static_cast<std::int64_t>(piece);
    }
}

std::int64_t File::CopyRestOf(File& source, std::int64_t to, std::int64_t limit, CopyMeter& meter,
                              const std::string& archive, ByteString& buffer) {
    buffer.resize(std::max(buffer.size(), kCopyChunk));
    std::int64_t done = 0;
    for (;;) {
        const ssize_t got = source.fs_->Read(source.fd_, buffer.data(), buffer.size());
        if (got < 0) {
            source.Raise(Failed::Read);
        }
        if (got == 0) {
            return done;
        }
        if (done + got > limit) {
            throw ArchiveError::Overflow(archive);
        }
        WriteAt(buffer.data(), static_cast<std::size_t>(got), to + done);
        meter.Wrote(*this, to + done, got);
        done += got;
    }
}

bool File::StartWriteBack(std::int64_t from, std::int64_t count) {
    return fs_->StartWriteBack(fd_, static_cast<off_t>(from), static_cast<off_t>(count)) == 0;
}

void File::Sync() {
    if (fs_->Sync(fd_) != 0) {
        Raise(Failed::Write);
    }
}

void File::Close() {
    const int fd = fd_;
    fd_ = -1;
    if (fs_->Close(fd) != 0) {
        Raise(Failed::Write);
    }
}

bool File::TryLockExclusive() {
    if (fs_->Lock(fd_, LOCK_EX | LOCK_NB) == 0) {
        return true;
    }
    return errno != EWOULDBLOCK;
}

void File::Unlock() {
    fs_->Lock(fd_, LOCK_UN);  // closing lets it go too; nothing to do if this fails
}

void ReadAhead::CopyTo(File& out, std::int64_t from, std::int64_t count, CopyMeter& meter) {
    if (count > kReadAheadEntry) {
        out.CopyFrom(source_, from, count, 0, meter);
        return;
    }
    const std::int64_t pieceEnd = pieceAt_ + static_cast<std::int64_t>(piece_.size());
    if (from < pieceAt_ || from + count > pieceEnd) {
        piece_.resize(static_cast<std::size_t>(kReadAheadPiece));
        piece_.resize(source_.ReadAt(piece_.data(), piece_.size(), from));
        pieceAt_ = from;
        if (static_cast<std::int64_t>(piece_.size()) < count) {
            throw ArchiveError::EntryOutsideArchive(source_.Path());
        }
    }
    out.WriteAt(piece_.data() + (from - pieceAt_), static_cast<std::size_t>(count), 0);
    meter.Wrote(out, 0, count);
}

bool SameFile(FileSystem& fs, const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    // An empty path names nothing: its status fails too.
    if (fs.PathStatus(a.c_str(), first) != 0 || fs.PathStatus(b.c_str(), second) != 0) {
        return false;
    }
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace kofrex
