#include "modKofrex.h"

#include <fcntl.h>

#include "replacement_file.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <thread>
#include <unordered_set>

namespace kofrex {
namespace {

// How often an add that waits for another program's lock looks again, and tells its caller.
constexpr auto kLockPollInterval = std::chrono::milliseconds(50);

std::string LookupKey(std::string_view name) {
    return UpperCase1252(TrimSpaces(name));
}

// The header and the whole directory, as they lie at the start of the file.
ByteString EncodeFront(const ArchiveHeader& header, const EntryTable& entries) {
    const HeaderBytes headerBytes = EncodeHeader(header);
    ByteString front(headerBytes.data(), headerBytes.size());
    front.append(entries.Raw());
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

void modKofrex::CreateArchive(const std::string& path, bool mayReplace) {
    ReleaseReplacedArchive();
    const ArchiveHeader header{kSignature, kVersion, 0};
    const HeaderBytes bytes = EncodeHeader(header);
    // An add in progress on the file there finishes first, so that its rename cannot undo this.
    std::optional<File> existing = TryOpenLocked(path);
    identity_ = WriteWholeFile(
        fs_, path, [&](File& out) { out.WriteAt(bytes.data(), bytes.size(), 0); }, mayReplace);
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
    if (!ReadInPieces(archive, rows)) {
        return std::nullopt;
    }
    for (std::size_t at = 0; at < rows.size(); at += kEntrySize) {
        if (!EntryFitsIn(std::span<const char, kEntrySize>(rows.data() + at, kEntrySize),
                         fileLength)) {
            return std::nullopt;
        }
    }
    directory.entries = EntryTable(std::move(rows));
    return directory;
}

// A directory of many megabytes is read in pieces, telling the caller how far it has come, so
// that a long open can be watched and cancelled.
bool modKofrex::ReadInPieces(File& archive, RowMemory& raw) {
    constexpr std::size_t kPiece = std::size_t{16} << 20;
    for (std::size_t done = 0; done < raw.size();) {
        const std::size_t piece = std::min(kPiece, raw.size() - done);
        if (archive.ReadAt(raw.data() + done, piece,
                           static_cast<std::int64_t>(kDirectoryOffset + done)) < piece) {
            return false;
        }
        done += piece;
        if (raw.size() > kPiece && progress_ &&
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
        const int fd = fs_.Open(path.c_str(), O_RDONLY | O_NONBLOCK, 0);
        if (fd < 0) {
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

AddOutcome modKofrex::AddFileToArchive(const std::string& path) {
    return AddFilesToArchive({path}).front();
}

std::vector<AddOutcome> modKofrex::AddFilesToArchive(const std::vector<std::string>& paths) {
    ReleaseReplacedArchive();
    if (!FileExists(archivePath_)) {
        return std::vector<AddOutcome>(paths.size(), AddOutcome::NoArchive);
    }
    const std::vector<TestedSource> sources = TestSources(paths);
    std::vector<AddOutcome> outcomes;
    for (const TestedSource& source : sources) {
        outcomes.push_back(source.outcome);
    }
    if (std::count(outcomes.begin(), outcomes.end(), AddOutcome::Stored) == 0) {
        return outcomes;
    }
    header_ = ArchiveHeader{};
    File archive = OpenLockedArchive();
    std::optional<Directory> old = ReadDirectory(archive);
    if (!old) {  // no longer an archive: left alone, the table as it was
        return std::vector<AddOutcome>(paths.size(), AddOutcome::NoArchive);
    }
    TakeDirectory(*old);  // from here on the table mirrors the file as it is now
    if (std::any_of(entries_.begin(), entries_.end(), [&](const ArchiveEntry& entry) {
            return entry.Size > 0 && entry.Offset - 1 < DirectoryEnd(header_.FileCount);
        })) {
        throw ArchiveError::DataInsideDirectory(archivePath_);  // its bytes would move with it
    }
    ArchivePlan plan = ArchivePlan::KeepingData(old->entries, old->identity.length);
    std::unordered_set<std::string> taken = StoredAmong(StoredNames(paths, outcomes));
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string name = FitName(GetStoredName(paths[i]));
        if (outcomes[i] == AddOutcome::Stored && !taken.insert(name).second) {
            outcomes[i] = AddOutcome::DuplicateName;
        } else if (outcomes[i] == AddOutcome::Stored) {
            plan.AddSource(name, paths[i], sources[i].length);
        }
    }
    if (plan.entries.size() > old->entries.size()) {
        Rewrite({std::move(archive), std::move(*old)}, plan);
    }
    return outcomes;
}

std::unordered_set<std::string> modKofrex::StoredNames(const std::vector<std::string>& paths,
                                                       const std::vector<AddOutcome>& outcomes) {
    std::unordered_set<std::string> names;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (outcomes[i] == AddOutcome::Stored) {
            names.insert(FitName(GetStoredName(paths[i])));
        }
    }
    return names;
}

// One pass over the directory, however many files are added: the names of `names` stored.
std::unordered_set<std::string> modKofrex::StoredAmong(
    const std::unordered_set<std::string>& names) const {
    std::unordered_set<std::string> stored;
    for (std::size_t row = 0; row < entries_.size(); ++row) {
        std::string name(entries_.NameAt(row));
        if (names.contains(name)) {
            stored.insert(std::move(name));
        }
    }
    return stored;
}

std::vector<modKofrex::TestedSource> modKofrex::TestSources(
    const std::vector<std::string>& paths) const {
    std::vector<TestedSource> tested;
    for (const std::string& path : paths) {
        const std::optional<File> file =
            FileExists(path) ? File::OpenSource(fs_, path) : std::nullopt;
        if (!file) {
            tested.push_back({SourceDeclined(path)});  // a pipe or a device is declined too
        } else if (IsCurrentArchive(path)) {
            tested.push_back({AddOutcome::ArchiveItself});
        } else {
            tested.push_back({AddOutcome::Stored, file->Length()});
        }
    }
    return tested;
}

AddOutcome modKofrex::SourceDeclined(const std::string& path) const {
    struct stat status {};
    const bool other = fs_.PathStatus(path.c_str(), status) == 0 && !S_ISREG(status.st_mode);
    return other ? AddOutcome::NotRegularFile : AddOutcome::Unreadable;
}

// Read once: the entry's Size is what was read, whatever the file does meanwhile.
std::int64_t modKofrex::CopySource(File& out, const std::string& path, std::int64_t position,
                                   CopyMeter& meter) {
    errno = 0;
    std::optional<File> source = File::OpenSource(fs_, path);
    if (!source) {  // gone or changed into something else since it was tested
        throw ArchiveError::FromErrno(errno != 0 ? errno : ENOENT, "read", path);
    }
    const std::int64_t length =
        out.CopyRestOf(*source, position, kMaxPosition - position, meter, archivePath_);
    source->Close();
    return length;
}

std::optional<modKofrex::Locked> modKofrex::LockUnchanged() {
    ReleaseReplacedArchive();
    File archive = OpenLockedArchive();
    std::optional<Directory> directory = ReadDirectory(archive);
    // The directory too: a rewrite of the same length may keep the identity.
    if (!directory || !(directory->identity == identity_) || directory->entries != entries_) {
        archive.Close();
        ReadCurrentAgain();
        return std::nullopt;
    }
    return Locked{std::move(archive), std::move(*directory)};
}

AddOutcome modKofrex::DeleteEntry(std::int32_t index) {
    std::optional<Locked> locked = LockUnchanged();
    if (!locked) {
        return AddOutcome::ArchiveChanged;
    }
    ArchivePlan plan;
    for (std::int32_t row = 1; row <= EntryCount(); ++row) {
        if (row != index) {
            plan.AddStored(entries_[static_cast<std::size_t>(row - 1)]);
        }
    }
    Rewrite(std::move(*locked), plan);
    return AddOutcome::Stored;
}

AddOutcome modKofrex::RenameEntry(std::int32_t index, const std::string& name) {
    std::optional<Locked> locked = LockUnchanged();
    if (!locked) {
        return AddOutcome::ArchiveChanged;
    }
    const std::string stored = FitName(GetStoredName(name));
    ArchivePlan plan;
    for (std::int32_t row = 1; row <= EntryCount(); ++row) {
        ArchiveEntry entry = entries_[static_cast<std::size_t>(row - 1)];
        if (row == index) {
            entry.Name = stored;
        } else if (entry.Name == stored) {
            return AddOutcome::DuplicateName;
        }
        plan.AddStored(entry);
    }
    Rewrite(std::move(*locked), plan);
    return AddOutcome::Stored;
}

AddOutcome modKofrex::ReplaceEntry(std::int32_t index, const std::string& path) {
    const TestedSource source = TestSources({path}).front();
    if (source.outcome != AddOutcome::Stored) {
        return source.outcome;
    }
    std::optional<Locked> locked = LockUnchanged();
    if (!locked) {
        return AddOutcome::ArchiveChanged;
    }
    ArchivePlan plan;
    for (std::int32_t row = 1; row <= EntryCount(); ++row) {
        const ArchiveEntry& entry = entries_[static_cast<std::size_t>(row - 1)];
        if (row == index) {
            plan.AddSource(entry.Name, path, source.length);
        } else {
            plan.AddStored(entry);
        }
    }
    Rewrite(std::move(*locked), plan);
    return AddOutcome::Stored;
}

void modKofrex::Rewrite(Locked locked, const ArchivePlan& plan) {
    const std::vector<std::int64_t> known = plan.KnownLengths();
    if (!plan.Directory(known)) {
        throw ArchiveError::Overflow(archivePath_);  // known before anything is written
    }
    const std::int64_t dataStart = DirectoryEnd(static_cast<std::int64_t>(plan.entries.size()));
    ReplacementFile replacement(fs_, archivePath_, Replacing::Archive);
    File& out = replacement.Output();
    CopyMeter meter(progress_, std::accumulate(known.begin(), known.end(), std::int64_t{0}));
    std::vector<std::int64_t> lengths;
    std::int64_t position = dataStart;
    for (const ArchivePlan::Piece& piece : plan.pieces) {
        if (piece.source.empty()) {
            out.CopyFrom(locked.archive, piece.from, piece.count, position, meter);
            lengths.push_back(piece.count);
        } else {
            lengths.push_back(CopySource(out, piece.source, position, meter));
        }
        position += lengths.back();
    }
    std::optional<EntryTable> written = plan.Directory(lengths);
    if (!written) {
        throw ArchiveError::Overflow(archivePath_);
    }
    ArchiveHeader header{kSignature, kVersion, static_cast<std::int32_t>(written->size())};
    const ByteString front = EncodeFront(header, *written);
    out.WriteAt(front.data(), front.size(), 0);
    // A program that takes no lock may have put a new archive in place meanwhile; this copy of
    // the old one must not replace it.
    const std::optional<FileIdentity> identity = replacement.Commit(&locked.directory.identity);
    if (!identity) {
        ReadCurrentAgain();
        throw ArchiveError::ReplacedMeanwhile(archivePath_);
    }
    header_ = header;
    TakeDirectory({std::move(*written), *identity});
    replacement.FlushFolder();
    locked.archive.Unlock();
    // Closing the replaced file frees its blocks, which takes a while for a large archive: it
    // waits until the user has seen the result.
    replacedArchive_.emplace(std::move(locked.archive));
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

std::int32_t modKofrex::EntryIndex(std::string_view name) const {
    const std::string key = LookupKey(name);
    std::size_t exact = 0;
    std::size_t folded = 0;
    for (std::size_t row = 0; row < entries_.size(); ++row) {
        if (entries_.NameAt(row) == name) {
            exact = row + 1;
        } else if (LookupKey(entries_.NameAt(row)) == key) {
            folded = row + 1;
        }
    }
    return static_cast<std::int32_t>(exact != 0 ? exact : folded);
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
    archive.Close();
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
        mayReplace);
    archive.Close();
    return true;
}

bool modKofrex::ExtractEntries(const std::string& folder, std::vector<std::int32_t> indexes,
                               const OverwriteQuestion& mayOverwrite) {
    ReleaseReplacedArchive();
    if (indexes.empty()) {
        indexes.resize(entries_.size());
        std::iota(indexes.begin(), indexes.end(), 1);
    }
    File archive = File::OpenArchiveForReading(fs_, archivePath_);
    // The whole directory once: every row written must still name the bytes it named.
    const std::optional<Directory> now = ReadDirectory(archive);
    if (!now || !(now->identity == identity_) || now->entries != entries_) {
        return false;
    }
    const std::vector<std::string> names = SafeFileNames(entries_);
    std::int64_t total = 0;
    for (const std::int32_t index : indexes) {
        total += entries_.at(static_cast<std::size_t>(index - 1)).Size;
    }
    CopyMeter meter(progress_, total);
    for (const std::int32_t index : indexes) {
        const ArchiveEntry& entry = entries_[static_cast<std::size_t>(index - 1)];
        const std::string target = folder + "/" + names[static_cast<std::size_t>(index - 1)];
        const auto fill = [&](File& out) {
            out.CopyFrom(archive, entry.Offset - 1, entry.Size, 0, meter);
        };
        // Asked again whenever something takes the name after it was found free.
        for (bool mayReplace = false;;) {
            try {
                WriteWholeFile(fs_, target, fill, mayReplace);
                break;
            } catch (const TargetAppeared&) {
                if (!mayOverwrite(target)) {
                    break;
                }
                mayReplace = true;
            }
        }
    }
    archive.Close();
    return true;
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
