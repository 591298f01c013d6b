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

// Files an extract of several writes before it flushes them all at once, where descriptors
// allow: each holds two until then (the file and its lock).
constexpr std::size_t kExtractBatch = 64;
constexpr long kDescriptorsPerFile = 2;
// Descriptors left to the rest of the process: the archive, the folder, a window's own.
constexpr long kDescriptorsKept = 16;
// Rows a survey of a damaged directory reads at a time.
constexpr std::size_t kSurveyRows = std::size_t{1} << 16;

// Errors that would fail every other file as well: they stop an extract of several.
bool FailsEveryFile(int error) {
    return error == ENOSPC || error == EDQUOT || error == EROFS || error == EIO ||
           error == EMFILE || error == ENFILE || error == ENOMEM;
}

// A name from an archive is untrusted: it must stay one name inside the folder.
std::string SafeName(std::string_view windows1252) {
    std::string name = DecodeWindows1252(TrimSpaces(windows1252));
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '/') {
            c = '_';
        }
    }
    if (name.empty() || name == "." || name == "..") {
        name = std::string(std::max<std::size_t>(name.size(), 1), '_');
    }
    return name;
}

std::string Numbered(const std::string& name, int number) {
    const std::size_t dot = name.find_last_of('.');
    const std::size_t split = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, split) + " (" + std::to_string(number) + ")" + name.substr(split);
}

}  // namespace

std::vector<std::string> SafeFileNames(const EntryTable& entries) {
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (std::size_t row = 0; row < entries.size(); ++row) {
        names.push_back(SafeName(entries.NameAt(row)));
    }
    // Chosen over the whole set: a name that is already safe keeps it, and a number never
    // gives a later entry's own name to an earlier one.
    std::unordered_set<std::string> taken(names.begin(), names.end());
    std::unordered_set<std::string> claimed;
    for (std::string& name : names) {
        if (claimed.insert(name).second) {
            continue;
        }
        std::string unique;
        for (int number = 2; !taken.insert(unique = Numbered(name, number)).second; ++number) {
        }
        name = std::move(unique);
    }
    return names;
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
    const EntryTable& entries;
    FileIdentity spare;  // the archive read: never written over
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
    return ExtractRows(archive, {entries_, identity_}, folder, indexes, mayOverwrite);
}

modKofrex::ExtractReport modKofrex::ExtractRows(File& archive, const Directory& directory,
                                                const std::string& folder,
                                                const std::vector<std::int32_t>& indexes,
                                                const OverwriteQuestion& mayOverwrite) {
    std::int64_t total = 0;
    for (const std::int32_t index : indexes) {
        total += directory.entries.at(static_cast<std::size_t>(index - 1)).Size;
    }
    Extraction extraction{archive,
                          directory.entries,
                          directory.identity,
                          folder,
                          SafeFileNames(directory.entries),
                          CopyMeter(progress_, total),
                          mayOverwrite,
                          {}};
    // Once for the folder, not for each of thousands of files.
    PrepareFolder(fs_, folder);
    const std::size_t batch = ExtractBatchSize();
    for (std::size_t first = 0; first < indexes.size(); first += batch) {
        const std::size_t end = std::min(indexes.size(), first + batch);
        ExtractBatch(extraction, {indexes.begin() + first, indexes.begin() + end});
    }
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
        throw ArchiveError::FromErrno(errno, Failed::WriteToFolder, extraction.folder);
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
    const ArchiveEntry entry = extraction.entries[static_cast<std::size_t>(index - 1)];
    const std::string target = extraction.Target(index);
    for (;;) {
        std::unique_ptr<ReplacementFile> written;
        try {
            written =
                std::make_unique<ReplacementFile>(fs_, target, Replacing::ChosenFile,
                                                  ReplaceRules{mayReplace, true, extraction.spare});
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

}  // namespace kofrex
