#include "replacement_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>

#include "archive_error.h"

namespace kofrex {
namespace {

constexpr int kNameAttempts = 100;
// Longer than any name an extract gives (15 characters, and a number in brackets) and of letters
// that numbering never uses, so that the tidy-up can never take a file an extract wrote.
constexpr std::string_view kTemporaryPrefix = ".kofrex-";
constexpr std::size_t kTemporaryLetters = 12;
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
// A temporary file is locked a moment after it is made; one younger than this may be in that
// moment, so it is never taken for abandoned.
constexpr std::time_t kAbandonedAfterSeconds = 60;

bool LacksUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Where chown cannot keep the owner (no right to, or no owners on this file system), the
// group is still tried.
bool OwnerOutOfReach(int error) {
    return error == EPERM || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
}

// Attributes this process may not read or set, or that the folder's file system lacks, are
// left behind; anything else is a real failure.
bool AttributeOutOfReach(int error) {
    return error == EPERM || error == EACCES || error == ENOTSUP || error == ENODATA ||
           error == E2BIG || error == ERANGE;
}

// Hidden, ours, and of a fixed short length, so it fits wherever the target's own name fits.
std::string TemporaryNameIn(const std::string& folder) {
    return folder + "/" + RandomName(kTemporaryPrefix, kTemporaryLetters, kTemporarySuffix);
}

// A temporary file of this user that no process holds locked, and that has not been written for
// a while, was left by a process that ended without removing it.
void RemoveIfAbandoned(FileSystem& fs, const std::string& path) {
    const int fd = fs.Open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (fd == -1) {
        return;
    }
    File file(fs, fd, path);
    struct stat status {};
    if (fs.Status(fd, status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != fs.User() ||
        status.st_nlink != 1 ||
        std::time(nullptr) - status.st_mtim.tv_sec < kAbandonedAfterSeconds ||
        fs.Lock(fd, LOCK_EX | LOCK_NB) != 0) {
        return;
    }
    fs.Remove(path.c_str());
}

// The names of this process's temporary files, in fixed storage that a signal handler may read:
// each a folder from a short table and a name of fixed length, so that a whole batch of
// extracted files fits.
constexpr int kTemporarySlots = static_cast<int>(kMaxTemporaries) + 8;
constexpr int kTemporaryFolders = 8;
constexpr std::size_t kTemporaryPathMax = 4096;
constexpr std::size_t kTemporaryNameMax = 32;
char temporaryFolders[kTemporaryFolders][kTemporaryPathMax];
int temporaryFolderUses[kTemporaryFolders];
char temporaryNames[kTemporarySlots][kTemporaryNameMax];
// The folder's place in the table, plus one; 0 for a free slot.
volatile std::sig_atomic_t temporaryFolderOf[kTemporarySlots];
int nextTemporarySlot = 0;

int FolderSlot(std::string_view folder) {
    int free = -1;
    for (int slot = 0; slot < kTemporaryFolders; ++slot) {
        if (temporaryFolderUses[slot] > 0 && folder == temporaryFolders[slot]) {
            return slot;
        }
        free = free == -1 && temporaryFolderUses[slot] == 0 ? slot : free;
    }
    if (free != -1) {
        std::memcpy(temporaryFolders[free], folder.data(), folder.size());
        temporaryFolders[free][folder.size()] = '\0';
    }
    return free;
}

int Remember(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string_view folder(path.data(), slash);
    const std::string_view name = std::string_view(path).substr(slash + 1);
    const int folderSlot = folder.size() < kTemporaryPathMax && name.size() < kTemporaryNameMax
                               ? FolderSlot(folder)
                               : -1;
    for (int tried = 0; folderSlot != -1 && tried < kTemporarySlots; ++tried) {
        const int slot = (nextTemporarySlot + tried) % kTemporarySlots;
        if (temporaryFolderOf[slot] == 0) {
            std::memcpy(temporaryNames[slot], name.data(), name.size());
            temporaryNames[slot][name.size()] = '\0';
            std::atomic_signal_fence(std::memory_order_release);  // the name before its use
            temporaryFolderOf[slot] = folderSlot + 1;
            ++temporaryFolderUses[folderSlot];
            nextTemporarySlot = slot + 1;
            return slot;
        }
    }
    return -1;
}

void Forget(int& slot) {
    if (slot >= 0) {
        --temporaryFolderUses[temporaryFolderOf[slot] - 1];
        temporaryFolderOf[slot] = 0;
        slot = -1;
    }
}

// Copies `text` after `at` in `path`, as a signal handler may; the end of what is copied.
char* Append(char* at, const char* text) {
    while (*text != '\0') {
        *at++ = *text++;
    }
    *at = '\0';
    return at;
}

void RemoveTemporaries() {
    char path[kTemporaryPathMax + kTemporaryNameMax + 1];
    for (int slot = 0; slot < kTemporarySlots; ++slot) {
        if (const int folder = temporaryFolderOf[slot]; folder != 0) {
            Append(Append(Append(path, temporaryFolders[folder - 1]), "/"), temporaryNames[slot]);
            ::unlink(path);  // safe in a signal handler
        }
    }
}

// The private folders, each with its descriptor, kept the same way.
constexpr int kFolderSlots = 4;
char folderPaths[kFolderSlots][kTemporaryPathMax];
volatile std::sig_atomic_t folderDescriptors[kFolderSlots] = {-1, -1, -1, -1};

// Removes the files in the folder open as `fd`, with calls that are safe in a signal handler:
// no allocation, no library listing of the folder. Anything else in it is left.
void EmptyFolder(int fd) {
    alignas(8) char entries[4096];
    for (bool removed = true; removed;) {  // a listing may skip names as others go
        removed = false;
        ::lseek(fd, 0, SEEK_SET);
        long size = 0;
        while ((size = ::syscall(SYS_getdents64, fd, entries, sizeof entries)) > 0) {
            for (long at = 0; at < size;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(entries + at);
                at += entry->d_reclen;
                removed |= ::unlinkat(fd, entry->d_name, 0) == 0;  // fails for . and ..
            }
        }
    }
}

void RemoveRemembered() {
    RemoveTemporaries();
    for (int slot = 0; slot < kFolderSlots; ++slot) {
        if (const int fd = folderDescriptors[slot]; fd != -1) {
            EmptyFolder(fd);
            ::rmdir(folderPaths[slot]);
        }
    }
}

extern "C" void RemoveRememberedAndEnd(int signal) {
    RemoveRemembered();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

std::string RandomName(std::string_view prefix, std::size_t letters, std::string_view suffix) {
    static std::mt19937_64 random{std::random_device{}()};
    std::string name(prefix);
    for (std::size_t i = 0; i < letters; ++i) {
        name += kLetters[random() % kLetters.size()];
    }
    return name + std::string(suffix);
}

bool IsRandomName(std::string_view name, std::string_view prefix, std::size_t letters,
                  std::string_view suffix) {
    return name.size() == prefix.size() + letters + suffix.size() && name.starts_with(prefix) &&
           name.ends_with(suffix) &&
           name.substr(prefix.size(), letters).find_first_not_of(kLetters) ==
               std::string_view::npos;
}

int RemoveFolderWhenEnded(int fd, const std::string& path) {
    if (path.size() >= kTemporaryPathMax) {
        return -1;
    }
    for (int slot = 0; slot < kFolderSlots; ++slot) {
        if (folderDescriptors[slot] == -1) {
            std::memcpy(folderPaths[slot], path.c_str(), path.size() + 1);
            folderDescriptors[slot] = fd;
            return slot;
        }
    }
    return -1;
}

void ForgetFolderWhenEnded(int slot) {
    if (slot >= 0) {
        folderDescriptors[slot] = -1;
    }
}

void RemoveAbandonedTemporaries(FileSystem& fs, const std::string& folder) {
    std::vector<std::string> names;
    if (fs.ListFolder(folder.c_str(), names) != 0) {
        return;  // only tidying: the replacement itself reports what fails in the folder
    }
    for (const std::string& name : names) {
        if (IsRandomName(name, kTemporaryPrefix, kTemporaryLetters, kTemporarySuffix)) {
            RemoveIfAbandoned(fs, folder + "/" + name);
        }
    }
}

void PrepareFolder(FileSystem& fs, const std::string& folder) {
    RefuseLinksAlong(fs, folder);
    RemoveAbandonedTemporaries(fs, folder);
}

void RemoveTemporariesWhenEnded() {
    std::atexit(RemoveRemembered);
    struct sigaction action {};
    action.sa_handler = RemoveRememberedAndEnd;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        // One ignored from the start (nohup, a background job's Ctrl+C) must not end us.
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
            ::sigaction(signal, &action, nullptr);
        }
    }
}

ReplacementFile::ReplacementFile(FileSystem& fs, const std::string& target, Replacing kind,
                                 const ReplaceRules& rules)
    : fs_(fs),
      place_(rules.lookFirst ? ResolveTarget(fs, target, rules.folderPrepared)
                             : TargetPlace{target, std::nullopt}),
      folder_(FolderOf(place_.path)),
      noReplace_(!rules.mayReplace || !place_.existing) {
    // Before anything else: even the overwrite question must not be asked about it.
    if (place_.existing && rules.spare &&
        rules.spare->SameFileAs(FileIdentity::Of(*place_.existing))) {
        throw WouldReplaceArchive(target);
    }
    if (place_.existing) {
        RefuseUnsafeTarget(kind, *place_.existing);  // before the user is asked to replace it
    }
    if (place_.existing && !rules.mayReplace) {
        throw TargetAppeared(target);
    }
    if (!rules.folderPrepared) {
        RemoveAbandonedTemporaries(fs_, folder_);
    }
    if (!place_.existing) {
        OpenTemporary(0666);  // what a newly created file gets, less the umask
        return;
    }
    if (const std::optional<RenameBlock> block = RenameBlocked(fs_, place_)) {
        if (kind == Replacing::Archive) {
            throw ArchiveError::FolderWithoutRenameRight(place_.path, folder_,
                                                         *block == RenameBlock::StickyFolder);
        }
        OpenInPlace();
        return;
    }
    OpenTemporary(0600);
    try {
        TakeAttributesOf(*place_.existing);
    } catch (...) {
        Discard();  // a destructor does not run for a constructor that raised
        throw;
    }
}

ReplacementFile::~ReplacementFile() {
    Discard();
}

void ReplacementFile::Raise(Failed action, const std::string& path) const {
    throw ArchiveError::FromErrno(errno, action, path);
}

// A rename would quietly turn a device into a file, split a hard link, replace a file this user
// may not write, or hand another user's archive to this one: each is refused, as writing the
// file in place would have been.
void ReplacementFile::RefuseUnsafeTarget(Replacing kind, const struct stat& existing) {
    if (!S_ISREG(existing.st_mode)) {
        throw ArchiveError::NotRegularFile(place_.path);
    }
    if (existing.st_nlink > 1) {
        throw ArchiveError::HardLinked(place_.path);
    }
    if (fs_.MayWrite(place_.path.c_str()) != 0) {
        Raise(Failed::Write, place_.path);
    }
    const uid_t user = fs_.User();
    if (kind == Replacing::Archive && user != 0 && existing.st_uid != user) {
        throw ArchiveError::OwnedByOtherUser(place_.path);
    }
}

void ReplacementFile::OpenTemporary(mode_t mode) {
    int fd = fs_.OpenUnnamed(folder_.c_str(), mode);
    if (fd != -1) {
        unnamed_ = true;
    } else if (!LacksUnnamedFiles(errno)) {
        Raise(Failed::CreateFileIn, folder_);
    }
    for (int attempt = 0; fd == -1 && attempt < kNameAttempts; ++attempt) {
        const std::string name = TemporaryNameIn(folder_);
        fd = fs_.Open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, mode);
        if (fd != -1) {
            temporaryName_ = name;
            temporarySlot_ = Remember(name);
        } else if (errno != EEXIST) {
            Raise(Failed::CreateFileIn, folder_);
        }
    }
    if (fd == -1) {
        errno = EEXIST;
        Raise(Failed::CreateFileIn, folder_);
    }
    output_.emplace(fs_, fd, place_.path);
    if (!unnamed_) {
        HoldLock();  // a file without a name is no other process's to take
    }
}

// Held until the rename, so that no other process takes the named file for abandoned meanwhile.
void ReplacementFile::HoldLock() {
    const int fd = output_->Descriptor();
    if (fs_.Lock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (const int holder = fs_.Duplicate(fd); holder != -1) {
            lock_.emplace(fs_, holder, place_.path);
        }
    }
}

// Where no new file may take the target's place: its old content is given up anyway.
void ReplacementFile::OpenInPlace() {
    const int fd =
        fs_.Open(place_.path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd == -1) {
        Raise(Failed::Write, place_.path);
    }
    output_.emplace(fs_, fd, place_.path);
    inPlace_ = true;
}

void ReplacementFile::TakeAttributesOf(const struct stat& existing) {
    const int fd = output_->Descriptor();
    // Owner first: changing it clears set-id bits that the mode then restores. Where the owner
    // cannot be kept, the group still can be, so a shared file stays readable by its group.
    if (fs_.ChangeOwner(fd, existing.st_uid, existing.st_gid) != 0) {
        if (!OwnerOutOfReach(errno)) {
            Raise(Failed::Write, place_.path);
        }
        if (fs_.ChangeOwner(fd, static_cast<uid_t>(-1), existing.st_gid) != 0 &&
            !OwnerOutOfReach(errno)) {
            Raise(Failed::Write, place_.path);
        }
    }
    if (fs_.ChangeMode(fd, existing.st_mode & 07777) != 0) {
        Raise(Failed::Write, place_.path);
    }
    // Last: an access list sets the group bits of the mode from its own mask.
    CopyExtendedAttributes();
}

void ReplacementFile::CopyExtendedAttributes() {
    std::string names;
    if (fs_.ListAttributes(place_.path.c_str(), names) != 0) {
        if (AttributeOutOfReach(errno)) {
            return;
        }
        Raise(Failed::Read, place_.path);
    }
    for (std::size_t at = 0; at < names.size();) {
        const std::string name(names.c_str() + at);
        at += name.size() + 1;
        std::string value;
        if (fs_.GetAttribute(place_.path.c_str(), name.c_str(), value) != 0 ||
            fs_.SetAttribute(output_->Descriptor(), name.c_str(), value) != 0) {
            if (!AttributeOutOfReach(errno)) {
                Raise(Failed::Write, place_.path);
            }
        }
    }
}

void ReplacementFile::NameTemporary() {
    HoldLock();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = TemporaryNameIn(folder_);
        if (fs_.Name(output_->Descriptor(), name.c_str()) == 0) {
            temporaryName_ = name;
            temporarySlot_ = Remember(name);
            return;
        }
        if (errno != EEXIST) {
            Raise(Failed::CreateFileIn, folder_);
        }
    }
    errno = EEXIST;
    Raise(Failed::CreateFileIn, folder_);
}

std::optional<FileIdentity> ReplacementFile::Commit(const FileIdentity* expected, bool flushed) {
    if (!flushed) {
        output_->Sync();
    }
    if (!inPlace_ && unnamed_ && noReplace_ && expected == nullptr) {
        return LinkInPlace();
    }
    if (!inPlace_ && unnamed_) {
        NameTemporary();  // the name lives only until the rename below
    }
    // The rename keeps inode and modification time, so this is the target's identity after it.
    const FileIdentity identity = FileIdentity::Of(output_->Status());
    output_->Close();
    output_.reset();
    if (inPlace_) {
        return identity;
    }
    if (expected != nullptr) {
        struct stat now {};
        if (fs_.PathStatus(place_.path.c_str(), now) != 0 && errno != ENOENT) {
            Raise(Failed::Replace, place_.path);
        }
        if (!FileIdentity::Of(now).SameFileAs(*expected)) {
            return std::nullopt;  // the destructor removes the new content
        }
    }
    PutInPlace();
    return identity;
}

// A file without a name takes the target's own name in one step, where nothing has it yet.
FileIdentity ReplacementFile::LinkInPlace() {
    const FileIdentity identity = FileIdentity::Of(output_->Status());
    if (fs_.Name(output_->Descriptor(), place_.path.c_str()) != 0) {
        if (errno == EEXIST) {
            throw TargetAppeared(place_.path);
        }
        Raise(Failed::Replace, place_.path);
    }
    output_->Close();
    output_.reset();
    return identity;
}

void ReplacementFile::PutInPlace() {
    const char* from = temporaryName_.c_str();
    const char* to = place_.path.c_str();
    if ((noReplace_ ? fs_.RenameNoReplace(from, to) : fs_.Rename(from, to)) != 0) {
        if (noReplace_ && errno == EEXIST) {
            throw TargetAppeared(place_.path);
        }
        Raise(Failed::Replace, place_.path);
    }
    Forget(temporarySlot_);
    temporaryName_.clear();
    lock_.reset();
}

void ReplacementFile::FlushFolder() {
    if (!inPlace_) {  // else no name changed
        kofrex::FlushFolder(fs_, folder_);
    }
}

void FlushFolder(FileSystem& fs, const std::string& folder) {
    const int fd = fs.Open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd == -1) {
        throw ArchiveError::FromErrno(errno, Failed::WriteToFolder, folder);
    }
    File opened(fs, fd, folder);
    opened.Sync();
    opened.Close();
}

// Only as the replacement ends: its files close with it.
void ReplacementFile::Discard() noexcept {
    if (!temporaryName_.empty()) {
        fs_.Remove(temporaryName_.c_str());
    }
    Forget(temporarySlot_);
}

FileIdentity WriteWholeFile(FileSystem& fs, const std::string& path,
                            const std::function<void(File&)>& fill, const ReplaceRules& rules) {
    ReplacementFile replacement(fs, path, Replacing::ChosenFile, rules);
    fill(replacement.Output());
    const FileIdentity identity = *replacement.Commit();
    replacement.FlushFolder();
    return identity;
}

}  // namespace kofrex
