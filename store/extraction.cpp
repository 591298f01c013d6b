// Extracting entries: one to a file of the user's choice, several into a folder under safe names,
// and what a damaged archive still holds whole. Every name read from an archive is untrusted: it
// becomes one file name inside the folder, never a path.

#include <fcntl.h>

#include <algorithm>
#include <numeric>
#include <unordered_set>

#include "modKofrex.h"
#include "replacement_file.h"

namespace kofrex {
namespace {

// An extract of several writes up to this many files, or this many bytes, before one flush of
// the file system puts them all on the disk, as far as descriptors allow: each file holds one
// or two until then (see ReplacementFile::Descriptors).
constexpr std::size_t kExtractBatch = kMaxTemporaries;
constexpr std::int64_t kExtractBatchBytes = std::int64_t{256} << 20;
constexpr int kMostDescriptorsPerFile = 2;
// Descriptors left to the rest of the process: the archive, the folder, a window's own.
constexpr long kDescriptorsKept = 16;
// Rows a survey of a damaged directory reads at a time; bytes a check of the directory compares.
constexpr std::size_t kSurveyRows = std::size_t{1} << 16;
constexpr std::size_t kCompareBytes = std::size_t{16} << 20;

// Errors that would fail every other file as well: they stop an extract of several.
bool FailsEveryFile(int error) {
    return error == ENOSPC || error == EDQUOT || error == EROFS || error == EIO ||
           error == EMFILE || error == ENFILE || error == ENOMEM;
}

}  // namespace

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

// What an extract of several carries from file to file. Files are named by their place in
// `indexes`.
struct modKofrex::Extraction {
    ReadAhead archive;
    const EntryTable& entries;
    FileIdentity spare;  // the archive read: never written over
    std::string folder;
    std::vector<std::int32_t> indexes;
    std::vector<std::string> names;  // of `indexes`, in their order
    CopyMeter meter;
    const OverwriteQuestion& mayOverwrite;
    ExtractReport report;

    std::string Target(std::size_t at) const { return folder + "/" + names[at]; }
    void LeaveAlone(std::size_t at, LeftAlone::Reason reason,
                    std::optional<ArchiveError> error = std::nullopt) {
        report.leftAlone.push_back({indexes[at], Target(at), reason, std::move(error)});
    }
};

// Files written and not yet named, with their places in the extraction.
struct modKofrex::Batch {
    std::vector<std::pair<std::unique_ptr<ReplacementFile>, std::size_t>> files;
    int descriptors = 0;
    std::int64_t bytes = 0;
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
    // Every row written must still name the bytes it named.
    if (!DirectoryUnchanged(archive, indexes)) {
        ExtractReport changed;
        changed.archiveChanged = true;
        return changed;
    }
    return ExtractRows(archive, {entries_, identity_}, folder, std::move(indexes), mayOverwrite);
}

// The header, and the stretch of the directory from the first row asked for to the last,
// compared a piece at a time with the table: ten million entries need no second copy of it, and
// one row costs one record.
bool modKofrex::DirectoryUnchanged(File& archive, const std::vector<std::int32_t>& indexes) {
    const HeaderBytes header =
        EncodeHeader({kSignature, kVersion, static_cast<std::int32_t>(entries_.size())});
    HeaderBytes read{};
    if (!(FileIdentity::Of(archive.Status()) == identity_) ||
        archive.ReadAt(read.data(), kHeaderSize, 0) < kHeaderSize || read != header) {
        return false;
    }
    if (indexes.empty()) {
        return true;
    }
    const auto [first, last] = std::minmax_element(indexes.begin(), indexes.end());
    const std::string_view rows =
        entries_.Raw().substr(static_cast<std::size_t>(*first - 1) * kEntrySize,
                              static_cast<std::size_t>(*last - *first + 1) * kEntrySize);
    ByteString piece(std::min(kCompareBytes, rows.size()), '\0');
    for (std::size_t done = 0; done < rows.size(); done += piece.size()) {
        const std::size_t size = std::min(piece.size(), rows.size() - done);
        const std::int64_t at = DirectoryEnd(*first - 1) + static_cast<std::int64_t>(done);
        if (archive.ReadAt(piece.data(), size, at) < size ||
            rows.substr(done, size) != std::string_view(piece.data(), size)) {
            return false;
        }
    }
    return true;
}

modKofrex::ExtractReport modKofrex::ExtractRows(File& archive, const Directory& directory,
                                                const std::string& folder,
                                                std::vector<std::int32_t> indexes,
                                                const OverwriteQuestion& mayOverwrite) {
    std::int64_t total = 0;
    for (const std::int32_t index : indexes) {
        total += directory.entries.at(static_cast<std::size_t>(index - 1)).Size;
    }
    std::vector<std::string> names = SafeFileNames(directory.entries, indexes);
    Extraction extraction{ReadAhead(archive),
                          directory.entries,
                          directory.identity,
                          folder,
                          std::move(indexes),
                          std::move(names),
                          CopyMeter(progress_, total),
                          mayOverwrite,
                          {}};
    // Once for the folder, not for each of thousands of files.
    PrepareFolder(fs_, folder);
    const long descriptors = SpareDescriptors();
    Batch batch;
    try {
        for (std::size_t at = 0; at < extraction.indexes.size(); ++at) {
            if (std::unique_ptr<ReplacementFile> written = WriteEntry(extraction, at, false)) {
                batch.descriptors += written->Descriptors();
                batch.bytes +=
                    extraction.entries[static_cast<std::size_t>(extraction.indexes[at] - 1)].Size;
                batch.files.emplace_back(std::move(written), at);
            }
            if (batch.files.size() == kExtractBatch || batch.bytes >= kExtractBatchBytes ||
                batch.descriptors + kMostDescriptorsPerFile > descriptors) {
                NameBatch(extraction, batch);
            }
        }
    } catch (const OperationCancelled&) {
        KeepWrittenFiles(extraction, batch);
        throw;
    }
    NameBatch(extraction, batch);
    return std::move(extraction.report);
}

// Counted a piece at a time without keeping the directory: a hostile count of millions of
// damaged rows costs the reading, not the memory.
std::optional<modKofrex::SalvageReport> modKofrex::SurveyDamaged(const std::string& path) {
    ReleaseReplacedArchive();
    if (!FileExists(path)) {
        return std::nullopt;
    }
    File archive = File::OpenArchiveForReading(fs_, path);
    const struct stat status = archive.Status();
    ArchiveHeader header;
    if (!S_ISREG(status.st_mode) || ReadHeader(archive, status.st_size, header)) {
        return std::nullopt;
    }
    SalvageReport report;
    report.total = static_cast<std::size_t>(header.FileCount);
    ByteString piece(std::min<std::size_t>(kSurveyRows, report.total) * kEntrySize, '\0');
    for (std::size_t first = 0; first < report.total; first += kSurveyRows) {
        const std::size_t rows = std::min(kSurveyRows, report.total - first);
        const std::int64_t at = DirectoryEnd(static_cast<std::int64_t>(first));
        if (archive.ReadAt(piece.data(), rows * kEntrySize, at) < rows * kEntrySize) {
            return std::nullopt;  // cut short meanwhile
        }
        for (std::size_t row = 0; row < rows; ++row) {
            const std::span<const char, kEntrySize> bytes(piece.data() + row * kEntrySize,
                                                          kEntrySize);
            report.whole += EntryDamage(bytes, 0, status.st_size) ? 0 : 1;
        }
    }
    return report;
}

std::optional<modKofrex::SalvageReport> modKofrex::SalvageEntries(
    const std::string& path, const std::string& folder, const OverwriteQuestion& mayOverwrite) {
    ReleaseReplacedArchive();
    if (!FileExists(path)) {
        return std::nullopt;
    }
    File archive = File::OpenArchiveForReading(fs_, path);
    const ArchiveHeader current = header_;
    const std::optional<Directory> directory = ReadDirectory(archive, false);
    header_ = current;
    if (!directory) {
        return std::nullopt;  // not even the directory is whole
    }
    SalvageReport report;
    report.total = directory->entries.size();
    std::vector<std::int32_t> whole;
    for (std::size_t row = 0; row < report.total; ++row) {
        const std::optional<Damage> damage =
            EntryDamage(directory->entries.Row(row), static_cast<std::int64_t>(row + 1),
                        directory->identity.length);
        if (damage) {
            report.lost.push_back({*damage, std::string(directory->entries.NameAt(row))});
        } else {
            whole.push_back(static_cast<std::int32_t>(row + 1));
        }
    }
    report.whole = whole.size();
    report.extracted = ExtractRows(archive, *directory, folder, whole, mayOverwrite);
    return report;
}

long modKofrex::SpareDescriptors() const {
    const long limit = fs_.DescriptorLimit();
    return std::max<long>(limit - std::max(kDescriptorsKept, limit / 4), kMostDescriptorsPerFile);
}

// Files are written in batches: each without a name (or under a temporary one), then one flush
// of the file system puts them all on the disk, then each takes its name, and one flush of the
// folder makes the names durable. After a crash each file is still wholly there or not at all,
// but the disk is flushed twice a batch instead of twice a file.
void modKofrex::NameBatch(Extraction& extraction, Batch& batch) {
    if (batch.files.empty()) {
        return;
    }
    if (fs_.SyncFileSystem(batch.files.front().first->Output().Descriptor()) != 0) {
        throw ArchiveError::FromErrno(errno, Failed::WriteToFolder, extraction.folder);
    }
    for (auto& [written, at] : batch.files) {
        try {
            NameOrAsk(extraction, std::move(written), at);
        } catch (const ArchiveError& error) {  // one file that cannot take its name
            if (FailsEveryFile(error.Number())) {
                throw;
            }
            extraction.LeaveAlone(at, LeftAlone::Reason::CannotWrite, error);
        }
    }
    batch = {};
    FlushFolder(fs_, extraction.folder);
}

// A cancel stops before the next file, not before the files already written whole: each of the
// batch takes its name where that is free, and the user is asked nothing more. Whatever fails
// here only leaves a file out: the cancel is what the user is told of.
void modKofrex::KeepWrittenFiles(Extraction& extraction, Batch& batch) {
    try {
        if (batch.files.empty() ||
            fs_.SyncFileSystem(batch.files.front().first->Output().Descriptor()) != 0) {
            return;
        }
        for (auto& file : batch.files) {
            try {
                file.first->Commit(nullptr, true);
            } catch (const TargetAppeared&) {  // left as it is, unasked
            } catch (const ArchiveError&) {
            }
        }
        FlushFolder(fs_, extraction.folder);
    } catch (const ArchiveError&) {
    }
}

// Where something has the name already, it is looked at as a replacement looks, and the user
// asked, only now: a new file in an empty folder costs no look before it is written.
void modKofrex::NameOrAsk(Extraction& extraction, std::unique_ptr<ReplacementFile> written,
                          std::size_t at) {
    try {
        written->Commit(nullptr, true);
    } catch (const TargetAppeared&) {
        written = WriteEntry(extraction, at, true);
        if (!written) {
            return;
        }
        written->Commit();
    }
    ++extraction.report.written;
}

// Entry `at` written to a file that is to take its target's name; nullptr when it is left alone:
// the user would not have an existing file replaced, it is the archive itself, or it cannot be
// written there. Without `lookFirst`, nothing is looked up at the target yet.
std::unique_ptr<ReplacementFile> modKofrex::WriteEntry(Extraction& extraction, std::size_t at,
                                                       bool lookFirst) {
    const ArchiveEntry entry =
        extraction.entries[static_cast<std::size_t>(extraction.indexes[at] - 1)];
    const std::string target = extraction.Target(at);
    bool mayReplace = false;
    for (;;) {
        std::unique_ptr<ReplacementFile> written;
        try {
            written = std::make_unique<ReplacementFile>(
                fs_, target, Replacing::ChosenFile,
                ReplaceRules{mayReplace, true, extraction.spare, lookFirst});
        } catch (const TargetAppeared&) {
            if (!extraction.mayOverwrite(target)) {
                extraction.LeaveAlone(at, LeftAlone::Reason::Declined);
                return nullptr;
            }
            mayReplace = true;
            continue;
        } catch (const WouldReplaceArchive&) {
            extraction.LeaveAlone(at, LeftAlone::Reason::ArchiveItself);
            return nullptr;
        } catch (const ArchiveError& error) {
            if (FailsEveryFile(error.Number())) {
                throw;
            }
            extraction.LeaveAlone(at, LeftAlone::Reason::CannotWrite, error);
            return nullptr;
        }
        extraction.archive.CopyTo(written->Output(), entry.Offset - 1, entry.Size,
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

}  // namespace kofrex
