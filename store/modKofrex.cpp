#include "modKofrex.h"

#include <fcntl.h>

#include "replacement_file.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <thread>

namespace kofrex {
namespace {

// How often an add that waits for another program's lock looks again, and tells its caller.
constexpr auto kLockPollInterval = std::chrono::milliseconds(50);

std::string LookupKey(std::string_view name) {
    return UpperCase1252(TrimSpaces(name));
}

// Whether a stored name is `key` with spaces trimmed and case ignored, without a copy of it: a
// lookup among millions of rows makes none.
bool MatchesKey(std::string_view stored, std::string_view key) {
    const std::string_view name = TrimSpaces(stored);
    return name.size() == key.size() &&
           std::equal(name.begin(), name.end(), key.begin(),
                      [](char a, char b) { return UpperCase1252(a) == b; });
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
    refusal_.reset();
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

std::optional<modKofrex::Directory> modKofrex::ReadDirectory(File& archive, bool wholeEntries) {
    refusal_.reset();
    const struct stat status = archive.Status();
    if (!S_ISREG(status.st_mode)) {
        refusal_ = Damage{Damage::Kind::NotRegularFile};  // whatever a pipe or device would give
        return std::nullopt;
    }
    Directory directory;
    directory.identity = FileIdentity::Of(status);
    const std::int64_t fileLength = status.st_size;
    // Checked before allocating, so a bogus count costs nothing.
    if ((refusal_ = ReadHeader(archive, fileLength, header_))) {
        return std::nullopt;
    }
    RowMemory rows(static_cast<std::size_t>(header_.FileCount) * kEntrySize);
    if (!ReadInPieces(archive, rows, fileLength, wholeEntries)) {
        return std::nullopt;
    }
    directory.entries = EntryTable(std::move(rows));
    return directory;
}

std::optional<Damage> modKofrex::ReadHeader(File& archive, std::int64_t fileLength,
                                            ArchiveHeader& header) {
    HeaderBytes bytes{};
    if (archive.ReadAt(bytes.data(), kHeaderSize, 0) < kHeaderSize) {
        return Damage{Damage::Kind::ShorterThanHeader, 0, fileLength};
    }
    header = DecodeHeader(bytes);
    return HeaderDamage(header, fileLength);
}

// A directory of many megabytes is read in pieces, telling the caller how far it has come, so
// that a long open can be watched and cancelled. Each piece's rows are checked as it comes: a
// hostile count costs no more than the first piece that cannot be right.
bool modKofrex::ReadInPieces(File& archive, RowMemory& raw, std::int64_t fileLength,
                             bool wholeEntries) {
    constexpr std::size_t kRowsPerPiece = (std::size_t{16} << 20) / kEntrySize;
    constexpr std::size_t kPiece = kRowsPerPiece * kEntrySize;
    for (std::size_t done = 0; done < raw.size();) {
        const std::size_t piece = std::min(kPiece, raw.size() - done);
        const std::size_t got = archive.ReadAt(raw.data() + done, piece,
                                               static_cast<std::int64_t>(kDirectoryOffset + done));
        if (got < piece) {  // cut short since its length was taken
            refusal_ = Damage{Damage::Kind::DirectoryPastEnd, 0, header_.FileCount,
                              static_cast<std::int64_t>((done + got) / kEntrySize)};
            return false;
        }
        for (std::size_t at = done; wholeEntries && at < done + piece; at += kEntrySize) {
            refusal_ = EntryDamage(std::span<const char, kEntrySize>(raw.data() + at, kEntrySize),
                                   static_cast<std::int64_t>(at / kEntrySize + 1), fileLength);
            if (refusal_) {
                return false;
            }
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
        throw ArchiveError::FromErrno(errno, Failed::Open, archivePath_);
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
        } else if (exactRows.empty() && MatchesKey(entries_.NameAt(row), key)) {
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

bool modKofrex::IsCurrentArchive(const std::string& path) const {
    return SameFile(fs_, path, archivePath_);
}

}  // namespace kofrex
