// Every change to an archive: adding files, deleting, renaming and replacing an entry. Each
// describes the new archive as a plan, and one rewrite writes it, under the lock, into a new
// file that replaces the archive in one step.

#include <algorithm>
#include <cerrno>
#include <numeric>
#include <unordered_set>

#include "modKofrex.h"
#include "replacement_file.h"

namespace kofrex {
namespace {

// The header and the whole directory, as they lie at the start of the file.
ByteString EncodeFront(const ArchiveHeader& header, const EntryTable& entries) {
    const HeaderBytes headerBytes = EncodeHeader(header);
    ByteString front(headerBytes.data(), headerBytes.size());
    front.append(entries.Raw());
    return front;
}

// The source at `path`, held open since its test, or opened now.
std::optional<File> HeldOrOpened(FileSystem& fs, const std::string& path,
                                 std::unordered_map<std::string, File>* held) {
    if (held != nullptr) {
        if (const auto found = held->find(path); found != held->end()) {
            std::optional<File> source(std::move(found->second));
            held->erase(found);
            return source;
        }
    }
    errno = 0;
    return File::OpenSource(fs, path);
}

}  // namespace

AddOutcome modKofrex::AddFileToArchive(const std::string& path) {
    return AddFilesToArchive({path}).front();
}

std::vector<AddOutcome> modKofrex::AddFilesToArchive(const std::vector<std::string>& paths) {
    ReleaseReplacedArchive();
    if (!FileExists(archivePath_)) {
        return std::vector<AddOutcome>(paths.size(), AddOutcome::NoArchive);
    }
    HeldSources held;
    const std::vector<TestedSource> sources = TestSources(paths, &held);
    if (std::none_of(sources.begin(), sources.end(), [](const TestedSource& source) {
            return source.outcome == AddOutcome::Stored;
        })) {
        ArchivePlan nothing;
        return PlanAdds(paths, sources, nothing);
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
    const std::vector<AddOutcome> outcomes = PlanAdds(paths, sources, plan);
    if (plan.entries.size() > old->entries.size()) {
        Rewrite(Locked{std::move(archive), std::move(*old)}, plan, archivePath_, &held);
    }
    return outcomes;
}

std::vector<AddOutcome> modKofrex::AddFilesToArchive(const std::string& path,
                                                     const std::vector<std::string>& paths) {
    ReleaseReplacedArchive();
    if (SomethingAt(path)) {
        return OpenArchive(path) ? AddFilesToArchive(paths)
                                 : std::vector<AddOutcome>(paths.size(), AddOutcome::NoArchive);
    }
    archivePath_.clear();
    entries_ = {};
    ArchivePlan plan;
    HeldSources held;
    const std::vector<AddOutcome> outcomes = PlanAdds(paths, TestSources(paths, &held), plan);
    if (plan.entries.empty()) {
        return outcomes;
    }
    try {
        Rewrite(std::nullopt, plan, path, &held);
    } catch (const TargetAppeared&) {
        // Another program made it meanwhile: added to that one, if it is an archive.
        return AddFilesToArchive(path, paths);
    }
    return outcomes;
}

// Duplicates among the sources and with the table are declined; the others join `plan`.
std::vector<AddOutcome> modKofrex::PlanAdds(const std::vector<std::string>& paths,
                                            const std::vector<TestedSource>& sources,
                                            ArchivePlan& plan) {
    std::vector<AddOutcome> outcomes;
    for (const TestedSource& source : sources) {
        outcomes.push_back(source.outcome);
    }
    std::unordered_set<std::string> taken = StoredAmong(StoredNames(paths, outcomes));
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string name = FitName(GetStoredName(paths[i]));
        if (outcomes[i] == AddOutcome::Stored && !taken.insert(name).second) {
            outcomes[i] = AddOutcome::DuplicateName;
        } else if (outcomes[i] == AddOutcome::Stored) {
            plan.AddSource(name, paths[i], sources[i].length);
        }
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

std::vector<modKofrex::TestedSource> modKofrex::TestSources(const std::vector<std::string>& paths,
                                                            HeldSources* held) const {
    // The archive looked at once, however many files are added.
    struct stat archive {};
    const bool current =
        !archivePath_.empty() && fs_.PathStatus(archivePath_.c_str(), archive) == 0;
    const auto holdable = static_cast<std::size_t>(SpareDescriptors());
    std::vector<TestedSource> tested;
    for (const std::string& path : paths) {
        struct stat status {};
        std::optional<File> file = File::OpenSource(fs_, path, &status);
        if (!file) {
            tested.push_back({SourceDeclined(path)});  // a pipe or a device is declined too
        } else if (current && FileIdentity::Of(status).SameFileAs(FileIdentity::Of(archive))) {
            tested.push_back({AddOutcome::ArchiveItself});
        } else {
            tested.push_back({AddOutcome::Stored, status.st_size});
            if (held != nullptr && held->size() < holdable) {
                held->emplace(path, std::move(*file));
            }
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
                                   CopyMeter& meter, ByteString& buffer, HeldSources* held) {
    std::optional<File> source = HeldOrOpened(fs_, path, held);
    if (!source) {  // gone or changed into something else since it was tested
        throw ArchiveError::FromErrno(errno != 0 ? errno : ENOENT, Failed::Read, path);
    }
    const std::int64_t length =
        out.CopyRestOf(*source, position, kMaxPosition - position, meter, archivePath_, buffer);
    source->Close();
    return length;
}

std::optional<modKofrex::Locked> modKofrex::LockUnchanged() {
    ReleaseReplacedArchive();
    File archive = OpenLockedArchive();
    std::optional<Directory> directory = ReadDirectory(archive);
    // The directory too: a rewrite of the same length may keep the identity.
    if (!directory || !(directory->identity == identity_) || directory->entries != entries_) {
        ReadCurrentAgain();
        return std::nullopt;
    }
    return Locked{std::move(archive), std::move(*directory)};
}

AddOutcome modKofrex::DeleteEntries(const std::vector<std::int32_t>& indexes) {
    if (indexes.empty() || !std::all_of(indexes.begin(), indexes.end(),
                                        [this](std::int32_t index) { return HoldsRow(index); })) {
        return AddOutcome::NoSuchEntry;
    }
    std::optional<Locked> locked = LockUnchanged();
    if (!locked) {
        return AddOutcome::ArchiveChanged;
    }
    std::vector<bool> deleted(entries_.size());
    for (const std::int32_t index : indexes) {
        deleted[static_cast<std::size_t>(index - 1)] = true;
    }
    ArchivePlan plan;
    for (std::size_t row = 0; row < entries_.size(); ++row) {
        if (!deleted[row]) {
            plan.AddStored(entries_[row]);
        }
    }
    Rewrite(std::move(*locked), plan, archivePath_);
    return AddOutcome::Stored;
}

AddOutcome modKofrex::RenameEntry(std::int32_t index, const std::string& name) {
    const std::string stored = FitName(GetStoredName(name));
    if (!HoldsRow(index)) {
        return AddOutcome::NoSuchEntry;
    }
    if (TrimSpaces(stored).empty()) {
        return AddOutcome::NoName;  // a blank row nobody could find or extract by its name
    }
    std::optional<Locked> locked = LockUnchanged();
    if (!locked) {
        return AddOutcome::ArchiveChanged;
    }
    if (entries_.NameAt(static_cast<std::size_t>(index - 1)) == stored) {
        return AddOutcome::Stored;  // the same bytes: nothing to rewrite
    }
    // Judged as lookups find names, so that no two entries answer to one name.
    const std::string key = UpperCase1252(TrimSpaces(stored));
    ArchivePlan plan;
    for (std::int32_t row = 1; row <= EntryCount(); ++row) {
        ArchiveEntry entry = entries_[static_cast<std::size_t>(row - 1)];
        if (row == index) {
            entry.Name = stored;
        } else if (UpperCase1252(TrimSpaces(entry.Name)) == key) {
            return AddOutcome::DuplicateName;
        }
        plan.AddStored(entry);
    }
    Rewrite(std::move(*locked), plan, archivePath_);
    return AddOutcome::Stored;
}

AddOutcome modKofrex::ReplaceEntry(std::int32_t index, const std::string& path) {
    if (!HoldsRow(index)) {
        return AddOutcome::NoSuchEntry;
    }
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
    Rewrite(std::move(*locked), plan, archivePath_);
    return AddOutcome::Stored;
}

void modKofrex::Rewrite(std::optional<Locked> locked, const ArchivePlan& plan,
                        const std::string& path, HeldSources* held) {
    const std::vector<std::int64_t> known = plan.KnownLengths();
    if (!plan.Directory(known)) {
        throw ArchiveError::Overflow(path);  // known before anything is written
    }
    const std::int64_t dataStart = DirectoryEnd(static_cast<std::int64_t>(plan.entries.size()));
    // A new archive never takes the place of a file that appeared meanwhile.
    ReplacementFile replacement(fs_, path, Replacing::Archive,
                                ReplaceRules{locked.has_value(), false, std::nullopt});
    File& out = replacement.Output();
    CopyMeter meter(progress_, std::accumulate(known.begin(), known.end(), std::int64_t{0}));
    std::vector<std::int64_t> lengths;
    ByteString buffer;  // one for every source
    std::int64_t position = dataStart;
    for (const ArchivePlan::Piece& piece : plan.pieces) {
        if (piece.source.empty()) {
            out.CopyFrom(locked->archive, piece.from, piece.count, position, meter);
            lengths.push_back(piece.count);
        } else {
            lengths.push_back(CopySource(out, piece.source, position, meter, buffer, held));
        }
        position += lengths.back();
    }
    std::optional<EntryTable> written = plan.Directory(lengths);
    if (!written) {
        throw ArchiveError::Overflow(path);
    }
    ArchiveHeader header{kSignature, kVersion, static_cast<std::int32_t>(written->size())};
    const ByteString front = EncodeFront(header, *written);
    out.WriteAt(front.data(), front.size(), 0);
    // A program that takes no lock may have put a new archive in place meanwhile; this copy of
    // the old one must not replace it.
    const std::optional<FileIdentity> identity =
        replacement.Commit(locked ? &locked->directory.identity : nullptr);
    if (!identity) {
        ReadCurrentAgain();
        throw ArchiveError::ReplacedMeanwhile(path);
    }
    header_ = header;
    archivePath_ = path;
    TakeDirectory({std::move(*written), *identity});
    replacement.FlushFolder();
    if (locked) {
        locked->archive.Unlock();
        // Closing the replaced file frees its blocks, which takes a while for a large archive:
        // it waits until the user has seen the result.
        replacedArchive_.emplace(std::move(locked->archive));
    }
}

}  // namespace kofrex
