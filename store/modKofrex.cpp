#include "modKofrex.h"

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace kofrex {
namespace {

// How often an add that waits for another program's lock looks again, and tells its caller.
constexpr auto kLockPollInterval = std::chrono::milliseconds(50);

bool HasName(const std::vector<ArchiveEntry>& entries, const std::string& name) {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const ArchiveEntry& entry) { return entry.Name == name; });
}

std::string LookupKey(std::string_view name) {
    return UpperCase1252(TrimSpaces(name));
}

// The header and the whole directory, as they lie at the start of the file.
ByteString EncodeFront(const ArchiveHeader& header, const std::vector<ArchiveEntry>& entries) {
    ByteString front;
    front.reserve(static_cast<std::size_t>(DirectoryEnd(header.FileCount)));
    const HeaderBytes headerBytes = EncodeHeader(header);
    front.append(headerBytes.data(), headerBytes.size());
    for (const ArchiveEntry& entry : entries) {
        const EntryBytes entryBytes = EncodeEntry(entry);
        front.append(entryBytes.data(), entryBytes.size());
    }
    return front;
}

}  // namespace

bool modKofrex::FileExists(const std::string& path) const {
    if (path.empty()) {
        return false;
    }
    // Non-blocking, so that testing a named pipe does not wait for a writer.
    const int fd = fs_.Open(path.c_str(), O_RDONLY | O_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    struct stat status {};
    const bool isFile = fs_.Status(fd, status) == 0 && !S_ISDIR(status.st_mode);
    fs_.Close(fd);
    return isFile;
}

bool modKofrex::SomethingAt(const std::string& path) const {
    struct stat status {};
    return !path.empty() && fs_.LinkStatus(path.c_str(), status) == 0;
}

void modKofrex::CreateArchive(const std::string& path) {
    ReleaseReplacedArchive();
    const ArchiveHeader header{kSignature, kVersion, 0};
    const HeaderBytes bytes = EncodeHeader(header);
    identity_ =
        WriteWholeFile(fs_, path, [&](File& out) { out.WriteAt(bytes.data(), bytes.size(), 0); });
    header_ = header;
    archivePath_ = path;
    entries_.clear();
}

bool modKofrex::OpenArchive(const std::string& path) {
    ReleaseReplacedArchive();
    if (!FileExists(path)) {
        return false;
    }
    header_ = ArchiveHeader{};
    File archive = File::OpenArchiveForReading(fs_, path);
    std::optional<Directory> directory = ReadDirectory(archive);
    archive.Close();
    if (!directory) {
        return false;
    }
    archivePath_ = path;
    TakeDirectory(std::move(*directory));
    return true;
}

bool modKofrex::ReadCurrentAgain() {
    try {
        if (!archivePath_.empty() && OpenArchive(archivePath_)) {
            return true;
        }
    } catch (const std::exception&) {
        // Unreadable now (gone between the test and the open, or no memory for its directory):
        // as good as gone.
    }
    archivePath_.clear();
    entries_.clear();
    identity_ = {};
    return false;
}

std::optional<modKofrex::Directory> modKofrex::ReadDirectory(File& archive) {
    const struct stat status = archive.Status();
    if (!S_ISREG(status.st_mode)) {
        return std::nullopt;  // a pipe or a device is no archive, whatever it would give
    }
    Directory directory;
    directory.identity = FileIdentity::Of(status);
    const std::int64_t fileLength = status.st_size;
    HeaderBytes headerBytes{};
    if (archive.ReadAt(headerBytes.data(), kHeaderSize, 0) < kHeaderSize) {
        return std::nullopt;
    }
    header_ = DecodeHeader(headerBytes);
    if (!header_.IsArchive() || header_.FileCount < 0 ||
        DirectoryEnd(header_.FileCount) > fileLength) {
        return std::nullopt;  // checked before allocating, so a bogus count costs nothing
    }
    const auto count = static_cast<std::size_t>(header_.FileCount);
    ByteString raw(count * kEntrySize, '\0');
    if (archive.ReadAt(raw.data(), raw.size(), kDirectoryOffset) < raw.size()) {
        return std::nullopt;
    }
    directory.entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const ArchiveEntry entry =
            DecodeEntry(std::span<const char, kEntrySize>(raw.data() + i * kEntrySize, kEntrySize));
        if (!EntryFitsIn(entry, fileLength)) {
            return std::nullopt;
        }
        directory.entries.push_back(entry);
    }
    return directory;
}

void modKofrex::TakeDirectory(Directory directory) {
    entries_ = std::move(directory.entries);
    identity_ = directory.identity;
}

bool modKofrex::ArchiveUnchanged() const {
    struct stat status {};
    return fs_.PathStatus(archivePath_.c_str(), status) == 0 &&
           FileIdentity::Of(status) == identity_;
}

File modKofrex::OpenLockedArchive() {
    for (;;) {
        File archive = File::OpenArchiveForReading(fs_, archivePath_);
        WaitForLock(archive);
        // Another add may have renamed a new archive into place while this one waited: its lock
        // was on the file that is gone, so the file the path names now is locked instead.
        struct stat named {};
        if (fs_.PathStatus(archivePath_.c_str(), named) != 0) {
            throw ArchiveError::FromErrno(errno, "open", archivePath_);
        }
        if (FileIdentity::Of(named).SameFileAs(FileIdentity::Of(archive.Status()))) {
            return archive;
        }
    }
}

void modKofrex::WaitForLock(File& archive) {
    while (!archive.TryLockExclusive()) {
        if (progress_ && !progress_(Progress{0, 0, true})) {
            throw OperationCancelled();
        }
        std::this_thread::sleep_for(kLockPollInterval);
    }
}

AddOutcome modKofrex::AddFileToArchive(const std::string& path) {
    ReleaseReplacedArchive();
    if (!FileExists(archivePath_)) {
        return AddOutcome::NoArchive;
    }
    if (!FileExists(path)) {
        return SourceDeclined(path);
    }
    if (IsCurrentArchive(path)) {
        return AddOutcome::ArchiveItself;
    }
    std::optional<File> source = File::OpenSource(fs_, path);
    if (!source) {
        return SourceDeclined(path);  // vanished since it was tested, or a pipe or device
    }
    header_ = ArchiveHeader{};
    File archive = OpenLockedArchive();
    std::optional<Directory> old = ReadDirectory(archive);
    if (!old) {
        return AddOutcome::NoArchive;  // no longer an archive: left alone, the table as it was
    }
    TakeDirectory(*old);  // from here on the table mirrors the file as it is now

    if (header_.FileCount == kMaxPosition) {
        throw ArchiveError::Overflow(archivePath_);
    }
    ArchiveEntry added;
    added.Name = FitName(GetStoredName(path));
    if (HasName(entries_, added.Name)) {
        return AddOutcome::DuplicateName;
    }
    // The new entry's data start just past the grown directory's end of file.
    const std::int64_t grownLength = old->identity.length + static_cast<std::int64_t>(kEntrySize);
    if (grownLength + 1 > kMaxPosition) {
        throw ArchiveError::Overflow(archivePath_);
    }
    const std::int64_t room = kMaxPosition - grownLength;  // data bytes that keep it in range
    if (source->Length() > room) {
        throw ArchiveError::Overflow(archivePath_);  // known before anything is written
    }
    added.Offset = static_cast<std::int32_t>(grownLength + 1);
    WriteGrownArchive(std::move(archive), *old, added, *source, room);
    return AddOutcome::Stored;
}

AddOutcome modKofrex::SourceDeclined(const std::string& path) const {
    struct stat status {};
    const bool other = fs_.PathStatus(path.c_str(), status) == 0 && !S_ISREG(status.st_mode);
    return other ? AddOutcome::NotRegularFile : AddOutcome::Unreadable;
}

void modKofrex::WriteGrownArchive(File archive, const Directory& old, ArchiveEntry added,
                                  File& source, std::int64_t room) {
    const std::int64_t oldDataStart = DirectoryEnd(header_.FileCount);
    const std::int64_t oldData = old.identity.length - oldDataStart;
    ReplacementFile replacement(fs_, archivePath_);
    File& out = replacement.Output();
    CopyMeter meter(progress_, oldData + source.Length());
    // The data region moves one entry towards the end, to make room for the new entry.
    out.CopyFrom(archive, oldDataStart, oldData,
                 oldDataStart + static_cast<std::int64_t>(kEntrySize), meter);
    // Read once: Size is what was read, whatever the file does meanwhile.
    added.Size = static_cast<std::int32_t>(
        out.CopyRestOf(source, added.Offset - 1, room, meter, archivePath_));
    source.Close();

    std::vector<ArchiveEntry> grown = old.entries;
    for (ArchiveEntry& entry : grown) {
        entry.Offset += static_cast<std::int32_t>(kEntrySize);
    }
    grown.push_back(added);
    ArchiveHeader header = header_;
    header.FileCount = static_cast<std::int32_t>(grown.size());
    const ByteString front = EncodeFront(header, grown);
    out.WriteAt(front.data(), front.size(), 0);
    const FileIdentity identity = replacement.Commit();

    header_ = header;
    TakeDirectory({std::move(grown), identity});
    replacement.FlushFolder();
    archive.Unlock();
    // Closing the replaced file frees its blocks, which takes a while for a large archive: it
    // waits until the user has seen the result.
    replacedArchive_.emplace(std::move(archive));
}

void modKofrex::ReleaseReplacedArchive() {
    replacedArchive_.reset();
}

void modKofrex::BuildEntry(const std::string& path, ArchiveEntry& entry) const {
    if (!FileExists(path)) {
        return;
    }
    std::optional<File> file = File::OpenSource(fs_, path);
    if (!file) {
        return;
    }
    const std::int64_t length = file->Length();
    if (length > kMaxPosition) {
        throw ArchiveError::TooLarge(path);
    }
    file->Close();
    entry.Name = FitName(GetStoredName(path));
    entry.Size = static_cast<std::int32_t>(length);
}

ByteString modKofrex::ReadFileBytes(const std::string& path) const {
    if (!FileExists(path)) {
        return {};
    }
    std::optional<File> file = File::OpenSource(fs_, path);
    if (!file) {
        return {};
    }
    ByteString data = file->ReadWhole(kMaxPosition);
    file->Close();
    return data;
}

const ArchiveEntry* modKofrex::FindEntry(std::string_view name) const {
    const ArchiveEntry* match = nullptr;
    for (const ArchiveEntry& entry : entries_) {
        if (entry.Name == name) {
            match = &entry;
        }
    }
    if (match != nullptr) {
        return match;
    }
    const std::string key = LookupKey(name);
    for (const ArchiveEntry& entry : entries_) {
        if (LookupKey(entry.Name) == key) {
            match = &entry;
        }
    }
    return match;
}

ByteString modKofrex::GetEntryData(std::string_view name) const {
    const ArchiveEntry* entry = FindEntry(name);
    if (entry == nullptr) {
        return {};
    }
    File archive = File::OpenArchiveForReading(fs_, archivePath_);
    ByteString data(static_cast<std::size_t>(entry->Size), '\0');
    if (archive.ReadAt(data.data(), data.size(), entry->Offset - 1) < data.size()) {
        throw ArchiveError::EntryOutsideArchive(archivePath_);
    }
    archive.Close();
    return data;
}

bool modKofrex::ExtractEntry(std::int32_t index, const std::string& target) {
    ReleaseReplacedArchive();
    const ArchiveEntry entry = entries_.at(static_cast<std::size_t>(index - 1));
    File archive = File::OpenArchiveForReading(fs_, archivePath_);
    // Checked on the file that is read, not only on the path: a stale table would name other
    // bytes, and nothing may be written from them.
    if (!(FileIdentity::Of(archive.Status()) == identity_)) {
        return false;
    }
    WriteWholeFile(fs_, target, [&](File& out) {
        CopyMeter meter(progress_, entry.Size);
        out.CopyFrom(archive, entry.Offset - 1, entry.Size, 0, meter);
    });
    archive.Close();
    return true;
}

bool modKofrex::IsCurrentArchive(const std::string& path) const {
    return SameFile(fs_, path, archivePath_);
}

}  // namespace kofrex
