#include "file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "archive_error.h"

namespace kofrex {
namespace {

constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
// Write-back starts for every this many bytes written; 16 MiB kept the disk busy while the
// copy went on, without the small requests that cost more than they save.
constexpr std::int64_t kWriteBackChunk = std::int64_t{16} << 20;
constexpr int kNameAttempts = 100;
constexpr int kMaxLinkHops = 40;  // as the kernel allows before ELOOP

bool LacksUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Attributes this process may not read or set, or that the folder's file system lacks, are
// left behind; anything else is a real failure.
bool AttributeOutOfReach(int error) {
    return error == EPERM || error == EACCES || error == ENOTSUP || error == ENODATA ||
           error == E2BIG || error == ERANGE;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Hidden, ours, and of a fixed short length, so it fits wherever the target's own name fits.
std::string TemporaryNameIn(const std::string& folder) {
    static std::mt19937_64 random{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = folder + "/.kofrex-";
    for (int i = 0; i < 6; ++i) {
        name += kLetters[random() % (sizeof kLetters - 1)];
    }
    return name;
}

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

std::optional<File> File::OpenSource(FileSystem& fs, const std::string& path) {
    const int fd = fs.Open(path.c_str(), O_RDONLY | O_NONBLOCK, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    File file(fs, fd, path);
    struct stat status {};
    if (fs.Status(fd, status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return file;
}

File File::OpenArchiveForReading(FileSystem& fs, const std::string& path) {
    const int fd = fs.Open(path.c_str(), O_RDONLY | O_NONBLOCK, 0);
    if (fd < 0) {
        throw ArchiveError::FromErrno(errno, "open", path);
    }
    return File(fs, fd, path);
}

File::~File() {
    if (fd_ >= 0) {
        fs_->Close(fd_);
    }
}

void File::Raise(const char* action) const {
    throw ArchiveError::FromErrno(errno, action, path_);
}

struct stat File::Status() const {
    struct stat status {};
    if (fs_->Status(fd_, status) != 0) {
        Raise("read");
    }
    return status;
}

std::size_t File::ReadAt(char* buffer, std::size_t count, std::int64_t position) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            fs_->ReadAt(fd_, buffer + done, count - done, static_cast<off_t>(position + done));
        if (got < 0) {
            Raise("read");
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
            Raise("read");
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
            Raise("write");
        }
        if (put == 0) {
            errno = ENOSPC;
            Raise("write");
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
                              const std::string& archive) {
    ByteString buffer(kCopyChunk, '\0');
    std::int64_t done = 0;
    for (;;) {
        const ssize_t got = source.fs_->Read(source.fd_, buffer.data(), buffer.size());
        if (got < 0) {
            source.Raise("read");
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
        Raise("write");
    }
}

void File::Close() {
    const int fd = fd_;
    fd_ = -1;
    if (fs_->Close(fd) != 0) {
        Raise("write");
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

ReplacementFile::ReplacementFile(FileSystem& fs, const std::string& target) : fs_(fs) {
    // Links are followed by hand: the kernel's resolution gives up on a dangling link, whose
    // target is still the file the user means.
    target_ = target;
    struct stat existing {};
    for (int hops = 0;; ++hops) {
        if (fs_.LinkStatus(target_.c_str(), existing) != 0) {
            if (errno != ENOENT) {
                Raise("open", target_);
            }
            folder_ = FolderOf(target_);
            OpenTemporary(0666);  // what a newly created file gets, less the umask
            return;
        }
        if (!S_ISLNK(existing.st_mode)) {
            break;
        }
        if (hops == kMaxLinkHops) {
            errno = ELOOP;
            Raise("open", target);
        }
        std::string link;
        if (fs_.ReadLink(target_.c_str(), link) != 0) {
            Raise("open", target_);
        }
        target_ = link.starts_with('/') ? link : FolderOf(target_) + "/" + link;
    }
    folder_ = FolderOf(target_);
    RefuseUnsafeTarget(existing);
    OpenTemporary(0600);
    try {
        TakeAttributesOf(existing);
    } catch (...) {
        Discard();  // a destructor does not run for a constructor that raised
        throw;
    }
}

ReplacementFile::~ReplacementFile() {
    Discard();
}

void ReplacementFile::Raise(const char* action, const std::string& path) const {
    throw ArchiveError::FromErrno(errno, action, path);
}

// A rename would quietly turn a device into a file, split a hard link, or replace a file this
// user may not write: each is refused, as writing the file in place would have been.
void ReplacementFile::RefuseUnsafeTarget(const struct stat& existing) {
    if (!S_ISREG(existing.st_mode)) {
        throw ArchiveError::NotRegularFile(target_);
    }
    if (existing.st_nlink > 1) {
        throw ArchiveError::HardLinked(target_);
    }
    if (fs_.MayWrite(target_.c_str()) != 0) {
        Raise("write", target_);
    }
}

void ReplacementFile::OpenTemporary(mode_t mode) {
    const int unnamed = fs_.OpenUnnamed(folder_.c_str(), mode);
    if (unnamed >= 0) {
        unnamed_ = true;
        output_.emplace(fs_, unnamed, target_);
        return;
    }
    if (!LacksUnnamedFiles(errno)) {
        Raise("create a file in the folder", folder_);
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = TemporaryNameIn(folder_);
        const int fd = fs_.Open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, mode);
        if (fd >= 0) {
            temporaryName_ = name;
            output_.emplace(fs_, fd, target_);
            return;
        }
        if (errno != EEXIST) {
            Raise("create a file in the folder", folder_);
        }
    }
    errno = EEXIST;
    Raise("create a file in the folder", folder_);
}

void ReplacementFile::TakeAttributesOf(const struct stat& existing) {
    const int fd = output_->Descriptor();
    // Owner first: changing it clears set-id bits that the mode then restores. Where the owner
    // cannot be kept, the group still can be, so a shared archive stays readable by its group.
    if (fs_.ChangeOwner(fd, existing.st_uid, existing.st_gid) != 0) {
        if (errno != EPERM) {
            Raise("write", target_);
        }
        if (fs_.ChangeOwner(fd, static_cast<uid_t>(-1), existing.st_gid) != 0 && errno != EPERM) {
            Raise("write", target_);
        }
    }
    if (fs_.ChangeMode(fd, existing.st_mode & 07777) != 0) {
        Raise("write", target_);
    }
    // Last: an access list sets the group bits of the mode from its own mask.
    CopyExtendedAttributes();
}

void ReplacementFile::CopyExtendedAttributes() {
    std::string names;
    if (fs_.ListAttributes(target_.c_str(), names) != 0) {
        if (AttributeOutOfReach(errno)) {
            return;
        }
        Raise("read", target_);
    }
    for (std::size_t at = 0; at < names.size();) {
        const std::string name(names.c_str() + at);
        at += name.size() + 1;
        std::string value;
        if (fs_.GetAttribute(target_.c_str(), name.c_str(), value) != 0 ||
            fs_.SetAttribute(output_->Descriptor(), name.c_str(), value) != 0) {
            if (!AttributeOutOfReach(errno)) {
                Raise("write", target_);
            }
        }
    }
}

void ReplacementFile::NameTemporary() {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = TemporaryNameIn(folder_);
        if (fs_.Name(output_->Descriptor(), name.c_str()) == 0) {
            temporaryName_ = name;
            return;
        }
        if (errno != EEXIST) {
            Raise("create a file in the folder", folder_);
        }
    }
    errno = EEXIST;
    Raise("create a file in the folder", folder_);
}

FileIdentity ReplacementFile::Commit() {
    output_->Sync();
    if (unnamed_) {
        NameTemporary();  // the name lives only until the rename below
    }
    // The rename keeps inode and modification time, so this is the target's identity after it.
    const FileIdentity identity = FileIdentity::Of(output_->Status());
    output_->Close();
    output_.reset();
    if (fs_.Rename(temporaryName_.c_str(), target_.c_str()) != 0) {
        Raise("replace", target_);
    }
    temporaryName_.clear();
    return identity;
}

void ReplacementFile::FlushFolder() {
    const int fd = fs_.Open(folder_.c_str(), O_RDONLY | O_DIRECTORY, 0);
    if (fd < 0) {
        Raise("write to the folder", folder_);
    }
    File folder(fs_, fd, folder_);
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

FileIdentity WriteWholeFile(FileSystem& fs, const std::string& path,
                            const std::function<void(File&)>& fill) {
    ReplacementFile replacement(fs, path);
    fill(replacement.Output());
    const FileIdentity identity = replacement.Commit();
    replacement.FlushFolder();
    return identity;
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
