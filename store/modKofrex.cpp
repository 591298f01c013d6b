#include "modKofrex.h"

#include <fcntl.h>

#include "replacement_file.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <thread>

namespace kofrex {
namespace {

// Files an extract of several writes before it flushes them all at once, where descriptors
// allow: each holds two until then (the file and its lock).
constexpr std::size_t kExtractBatch = 64;
constexpr long kDescriptorsPerFile = 2;
// Descriptors left to the rest of the process: the archive, the folder, a window's own.
constexpr long kDescriptorsKept = 16;

// Errors that would fail every other file as well: they stop an extract of several.
bool FailsEveryFile(int error) {
    return error == ENOSPC || error == EDQUOT || error == EROFS || error == EIO ||
           error == EMFILE || error == ENFILE || error == ENOMEM;
}

// How often an add that waits for another program's lock looks again, and tells its caller.
constexpr auto kLockPollInterval = std::chrono::milliseconds(50);

std::string LookupKey(std::string_view name) {
    return UpperCase1252(TrimSpaces(name));
}

}  // namespace

bool modKofrex::FileExists(const std::string& path) const {
    if (path.empty()) {
        return false;
    }
    // Non-blocking, so that testing a named pipe does not wait for a writer.
    const int fd = fs_.Open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd == -1) {
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

void modKofrex::CreateArchive(const std::string& path, bool mayReplace) {
    ReleaseReplacedArchive();
    const ArchiveHeader header{kSignature, kVersion, 0};
    const HeaderBytes bytes = EncodeHeader(header);
    // An add in progress on the file there finishes first, so that its rename cannot undo this.
    std::optional<File> existing = TryOpenLocked(path);
    identity_ = WriteWholeFile(
        fs_, path, [&](File& out) { out.WriteAt(bytes.data(), bytes.size(), 0); },
        ReplaceRules{mayReplace, false, std::nullopt});
    header_ = header;
    archivePath_ = path;
    entries_ = {};
}

bool modKofrex::OpenArchive(const std::string& path) {
    ReleaseReplacedArchive();
    if (!FileExists(path)) {
        return false;
    }
    header_ = ArchiveHeader{};
    File archive = File::OpenArchiveForReading(fs_, path);
    std::optional<Directory> directory = ReadDirectory(archive);
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
    entries_ = {};
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
    RowMemory rows(static_cast<std::size_t>(header_.FileCount) * kEntrySize);
    if (!ReadInPieces(archive, rows, fileLength)) {
        return std::nullopt;
    }
    directory.entries = EntryTable(std::move(rows));
    return directory;
}

// A directory of many megabytes is read in pieces, telling the caller how far it has come, so
// that a long open can be watched and cancelled. Each piece's rows are checked as it comes: a
// hostile count costs no more than the first piece that cannot be right.
bool modKofrex::ReadInPieces(File& archive, RowMemory& raw, std::int64_t fileLength) {
    constexpr std::size_t kPiece = std::size_t{16} << 20;
    constexpr std::size_t kRowsPerPiece = kPiece / kEntrySize;
    for (std::size_t done = 0; done < raw.size();) {
        const std::size_t piece = std::min(kRowsPerPiece * kEntrySize, raw.size() - done);
        if (archive.ReadAt(raw.data() + done, piece,
                           static_cast<std::int64_t>(kDirectoryOffset + done)) < piece) {
            return false;
        }
        for (std::size_t at = done; at < done + piece; at += kEntrySize) {
            if (!EntryFitsIn(std::span<const char, kEntrySize>(raw.data() + at, kEntrySize),
                             fileLength)) {
                return false;
            }
        }
        done += piece;
        if (raw.size() > kRowsPerPiece * kEntrySize && progress_ &&
            !progress_(Progress{static_cast<std::int64_t>(done),
                                static_cast<std::int64_t>(raw.size()), false})) {
            throw OperationCancelled();
        }
    }
    return true;
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
    std::optional<File> archive = TryOpenLocked(archivePath_);
    if (!archive) {
        throw ArchiveError::FromErrno(errno, "open", archivePath_);
    }
    return std::move(*archive);
}

std::optional<File> modKofrex::TryOpenLocked(const std::string& path) {
    for (;;) {
        const int fd = fs_.Open(path.c_str(), O_RDONLY | O_NONBLOCK);
        if (fd == -1) {
            return std::nullopt;
        }
        File file(fs_, fd, path);
        if (!S_ISREG(file.Status().st_mode)) {
            return std::nullopt;  // no add locks it; replacing it is refused elsewhere
        }
        WaitForLock(file);
        // Another add may have renamed a new archive into place while this one waited: its lock
        // was on the file that is gone, so the file the path names now is locked instead.
        struct stat named {};
        if (fs_.PathStatus(path.c_str(), named) != 0) {
            return std::nullopt;
        }
        if (FileIdentity::Of(named).SameFileAs(FileIdentity::Of(file.Status()))) {
            return file;
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
    return data;
}

std::vector<std::int32_t> modKofrex::EntryRows(std::string_view name) const {
    // An exact name is one of at most kNameSize bytes, as padded in the directory.
    const std::string exact = name.size() <= kNameSize ? FitName(name) : std::string();
    const std::string key = LookupKey(name);
    std::vector<std::int32_t> exactRows;
    std::vector<std::int32_t> foldedRows;
    for (std::size_t row = 0; row < entries_.size(); ++row) {
        const auto index = static_cast<std::int32_t>(row + 1);
        if (entries_.NameAt(row) == exact) {
            exactRows.push_back(index);
        } else if (exactRows.empty() && LookupKey(entries_.NameAt(row)) == key) {
            foldedRows.push_back(index);
        }
    }
    return exactRows.empty() ? foldedRows : exactRows;
}

std::int32_t modKofrex::EntryIndex(std::string_view name) const {
    const std::vector<std::int32_t> rows = EntryRows(name);
    return rows.empty() ? 0 : rows.back();
}

ByteString modKofrex::GetEntryData(std::string_view name) const {
    const std::int32_t index = EntryIndex(name);
    if (index == 0) {
        return {};
    }
    const ArchiveEntry& entry = entries_[static_cast<std::size_t>(index - 1)];
    File archive = File::OpenArchiveForReading(fs_, archivePath_);
    ByteString data(static_cast<std::size_t>(entry.Size), '\0');
    if (archive.ReadAt(data.data(), data.size(), entry.Offset - 1) < data.size()) {
        throw ArchiveError::EntryOutsideArchive(archivePath_);
    }
    return data;
}

bool modKofrex::ExtractEntry(std::int32_t index, const std::string& target, bool mayReplace) {
    ReleaseReplacedArchive();
    const ArchiveEntry entry = entries_.at(static_cast<std::size_t>(index - 1));
    File archive = File::OpenArchiveForReading(fs_, archivePath_);
    // Checked on the file that is read, not only on the path: a stale table would name other
    // bytes, and nothing may be written from them.
    if (!(FileIdentity::Of(archive.Status()) == identity_) ||
        !RecordUnchanged(archive, index, entry)) {
        return false;
    }
    WriteWholeFile(
        fs_, target,
        [&](File& out) {
            CopyMeter meter(progress_, entry.Size);
            out.CopyFrom(archive, entry.Offset - 1, entry.Size, 0, meter);
        },
        ReplaceRules{mayReplace, false, identity_});
    return true;
}

// What an extract of several carries from file to file.
struct modKofrex::Extraction {
    File& archive;
    std::string folder;
    std::vector<std::string> names;
    CopyMeter meter;
    const OverwriteQuestion& mayOverwrite;
    ExtractReport report;

    std::string Target(std::int32_t index) const { return folder + "/" + names[index - 1]; }
    void LeaveAlone(std::int32_t index, LeftAlone::Reason reason,
                    std::optional<ArchiveError> error = std::nullopt) {
        report.leftAlone.push_back({index, Target(index), reason, std::move(error)});
    }
};

modKofrex::ExtractReport modKofrex::ExtractEntries(const std::string& folder,
                                                   std::vector<std::int32_t> indexes,
                                                   const OverwriteQuestion& mayOverwrite) {
    ReleaseReplacedArchive();
    if (indexes.empty()) {
        indexes.resize(entries_.size());
        std::iota(indexes.begin(), indexes.end(), 1);
    }
    // A row asked for twice is one file, written once.
    std::vector<bool> seen(entries_.size() + 1);
    std::erase_if(indexes, [&](std::int32_t index) {
        const bool repeated = seen.at(static_cast<std::size_t>(index));
        seen[static_cast<std::size_t>(index)] = true;
        return repeated;
    });
    File archive = File::OpenArchiveForReading(fs_, archivePath_);
    // The whole directory once: every row written must still name the bytes it named.
    const std::optional<Directory> now = ReadDirectory(archive);
    if (!now || !(now->identity == identity_) || now->entries != entries_) {
        ExtractReport changed;
        changed.archiveChanged = true;
        return changed;
    }
    std::int64_t total = 0;
    for (const std::int32_t index : indexes) {
        total += entries_.at(static_cast<std::size_t>(index - 1)).Size;
    }
    Extraction extraction{
        archive, folder, SafeFileNames(entries_), CopyMeter(progress_, total), mayOverwrite, {}};
    // Once for the folder, not for each of thousands of files.
    PrepareFolder(fs_, folder);
    const std::size_t batch = ExtractBatchSize();
    for (std::size_t first = 0; first < indexes.size(); first += batch) {
        const std::size_t end = std::min(indexes.size(), first + batch);
        ExtractBatch(extraction, {indexes.begin() + first, indexes.begin() + end});
    }
    return std::move(extraction.report);
}

std::size_t modKofrex::ExtractBatchSize() const {
    const long limit = fs_.DescriptorLimit();
    const long spare = std::max(kDescriptorsKept, limit / 4);
    return static_cast<std::size_t>(
        std::clamp<long>((limit - spare) / kDescriptorsPerFile, 1, kExtractBatch));
}

// Files are written in batches: each into a temporary file, then one flush of the file system
// puts them all on the disk, then each takes its name, and one flush of the folder makes the
// names durable. After a crash each file is still wholly there or not at all, but the disk is
// flushed twice a batch instead of twice a file.
void modKofrex::ExtractBatch(Extraction& extraction, const std::vector<std::int32_t>& indexes) {
    std::vector<std::pair<std::unique_ptr<ReplacementFile>, std::int32_t>> batch;
    for (const std::int32_t index : indexes) {
        if (auto written = WriteEntry(extraction, index)) {
            batch.emplace_back(std::move(written), index);
        }
    }
    if (batch.empty()) {
        return;
    }
    if (fs_.SyncFileSystem(batch.front().first->Output().Descriptor()) != 0) {
        throw ArchiveError::FromErrno(errno, "write to the folder", extraction.folder);
    }
    for (auto& [written, index] : batch) {
        try {
            written->Commit(nullptr, true);
        } catch (const TargetAppeared&) {  // taken after it was found free: asked again
            written.reset();
            if (!extraction.mayOverwrite(extraction.Target(index))) {
                extraction.LeaveAlone(index, LeftAlone::Reason::Declined);
                continue;
            }
            written = WriteEntry(extraction, index, true);
            if (written) {
                written->Commit();
            }
        } catch (const ArchiveError& error) {  // one file that cannot take its name
            if (FailsEveryFile(error.Number())) {
                throw;
            }
            extraction.LeaveAlone(index, LeftAlone::Reason::CannotWrite, error);
            continue;
        }
        extraction.report.written += written ? 1 : 0;
    }
    FlushFolder(fs_, extraction.folder);
}

// Entry `index` written to a temporary file that is to replace its target; nullptr when it is
// left alone: the user would not have an existing file replaced, it is the archive itself, or it
// cannot be written there.
std::unique_ptr<ReplacementFile> modKofrex::WriteEntry(Extraction& extraction, std::int32_t index,
                                                       bool mayReplace) {
    const ArchiveEntry entry = entries_[static_cast<std::size_t>(index - 1)];
    const std::string target = extraction.Target(index);
    for (;;) {
        std::unique_ptr<ReplacementFile> written;
        try {
            written = std::make_unique<ReplacementFile>(fs_, target, Replacing::ChosenFile,
                                                        ReplaceRules{mayReplace, true, identity_});
        } catch (const TargetAppeared&) {
            if (!extraction.mayOverwrite(target)) {
                extraction.LeaveAlone(index, LeftAlone::Reason::Declined);
                return nullptr;
            }
            mayReplace = true;
            continue;
        } catch (const WouldReplaceArchive&) {
            extraction.LeaveAlone(index, LeftAlone::Reason::ArchiveItself);
            return nullptr;
        } catch (const ArchiveError& error) {
            if (FailsEveryFile(error.Number())) {
                throw;
            }
            extraction.LeaveAlone(index, LeftAlone::Reason::CannotWrite, error);
            return nullptr;
        }
        written->Output().CopyFrom(extraction.archive, entry.Offset - 1, entry.Size, 0,
                                   extraction.meter);
        return written;
    }
}

// A rewrite in place of the same length within the file system's timestamp granularity leaves
// the identity as it was; the entry's own record still tells.
bool modKofrex::RecordUnchanged(File& archive, std::int32_t index, const ArchiveEntry& entry) {
    EntryBytes record{};
    return archive.ReadAt(record.data(), kEntrySize, DirectoryEnd(index - 1)) == kEntrySize &&
           DecodeEntry(record) == entry;
}

bool modKofrex::IsCurrentArchive(const std::string& path) const {
    return SameFile(fs_, path, archivePath_);
}

}  // namespace kofrex
