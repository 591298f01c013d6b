#pragma once

// The archive store: the current archive and the operations that create, open, add to and
// read from it. A front end creates one modKofrex for the whole run and reads its state
// through the accessors; only the operations below change it.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "add_outcome.h"
#include "archive_error.h"
#include "archive_format.h"
#include "archive_plan.h"
#include "entry_table.h"
#include "file.h"
#include "file_system.h"
#include "names.h"
#include "progress.h"
#include "replacement_file.h"

namespace kofrex {

class File;

// The names entries are written under in one folder: each stored name with its padding
// trimmed, made a safe single file name (no "/" or control character, never "", "." or ".."),
// and " (2)", " (3)"... put before its extension where an earlier entry has taken the name
// (never a name another entry has as its own).
std::vector<std::string> SafeFileNames(const EntryTable& entries);
// The same names of the entries `indexes` only (1-based), in their order: one pass over the
// directory, whatever its size.
std::vector<std::string> SafeFileNames(const EntryTable& entries,
                                       const std::vector<std::int32_t>& indexes);
// The same name of row `row` (0-based) alone.
std::string SafeFileName(const EntryTable& entries, std::size_t row);

class modKofrex {
  public:
    explicit modKofrex(FileSystem& fs = FileSystem::Default()) : fs_(fs) {}
    modKofrex(const modKofrex&) = delete;
    modKofrex& operator=(const modKofrex&) = delete;

    // "" while no archive is current: at the start, and after ReadCurrentAgain() found it gone.
    const std::string& ArchivePath() const { return archivePath_; }
    // The header last written or read, also when the read showed the file is no archive.
    const ArchiveHeader& Header() const { return header_; }
    // The current archive's directory: entry i of the file is Entries()[i - 1].
    const EntryTable& Entries() const { return entries_; }
    std::int32_t EntryCount() const { return static_cast<std::int32_t>(entries_.size()); }

    // True for a path that opens for reading and is not a folder.
    bool FileExists(const std::string& path) const;

    // Replaces whatever is at `path` by an empty archive and makes it current, after any add in
    // progress on that file has finished (waiting as an add waits for another). With
    // `mayReplace` false, something found at `path` raises TargetAppeared instead.
    void CreateArchive(const std::string& path, bool mayReplace = true);

    // Reads the current archive's directory again from the file as it now is, after an error
    // left the table in doubt. False, with no archive current any more, when the file is gone
    // or no longer an archive that can be read.
    bool ReadCurrentAgain();

    // Makes `path` current when it is an archive that can be read safely; otherwise returns
    // false with the path and the directory as they were.
    bool OpenArchive(const std::string& path);

    // Stores the file at `path` in the current archive under its stored name, or says why it
    // declined: no archive, a file that cannot be read or is no regular file, a name already
    // stored, the archive itself. The archive is replaced whole,
    // never changed in place, under an exclusive lock, so that adds from two windows or
    // programs follow one another instead of one losing the other's entry.
    AddOutcome AddFileToArchive(const std::string& path);

    // Stores the files at `paths` in the order given, each as AddFileToArchive would, in one
    // rewrite of the archive: every file that can be stored, or none when the rewrite fails or
    // is cancelled. A name stored by an earlier file of the same call counts as stored.
    std::vector<AddOutcome> AddFilesToArchive(const std::vector<std::string>& paths);
    // The same for the archive at `path`, made current: opened when there is one (NoArchive for
    // every file when it is no archive), else created with the files in the same one write, so
    // that no archive is made when no file can be stored.
    std::vector<AddOutcome> AddFilesToArchive(const std::string& path,
                                              const std::vector<std::string>& paths);

    // Changes to entries (1-based, as Entries()[index - 1]), each in one rewrite of the archive
    // under the lock, as an add: remove the entries `indexes` (each once; later entries move
    // down); give entry `index` another stored name (made from `name` as a file's name is; NoName
    // when that is blank, DuplicateName when another entry has it with padding and case ignored,
    // and no rewrite when it is the stored name it has); give it the bytes of the file at `path`
    // (refused as an add refuses that file). Each answers NoSuchEntry for an index outside the
    // table (or no index at all), and ArchiveChanged when the file is no longer the one the table
    // was read from, changing nothing.
    AddOutcome DeleteEntries(const std::vector<std::int32_t>& indexes);
    AddOutcome RenameEntry(std::int32_t index, const std::string& name);
    AddOutcome ReplaceEntry(std::int32_t index, const std::string& path);

    // Writes entries `indexes` (all when empty; each once) into `folder`, each under its name
    // from SafeFileNames() and as ExtractEntry writes one. `mayOverwrite` is asked for each file
    // that exists already. A file that is declined, that is the archive itself, or that cannot be
    // written (a folder, a pipe, a hard link, a refused link) is left alone and named in the
    // report, and the others are written; a full disk or a failing read stops it all (raises).
    // Nothing is written when the archive file is no longer the one the table was read from. A
    // cancel ends it before the next file and leaves no partial file.
    using OverwriteQuestion = std::function<bool(const std::string& path)>;
    struct LeftAlone {
        enum class Reason { Declined, ArchiveItself, CannotWrite };
        std::int32_t index = 0;
        std::string path;
        Reason reason = Reason::Declined;
        std::optional<ArchiveError> error;  // why it could not be written
    };
    struct ExtractReport {
        bool archiveChanged = false;  // then nothing was written
        std::size_t written = 0;
        std::vector<LeftAlone> leftAlone;
    };
    ExtractReport ExtractEntries(const std::string& folder, std::vector<std::int32_t> indexes,
                                 const OverwriteQuestion& mayOverwrite);

    // Why the last read of an archive refused the file; nullopt after one that was read, or
    // that could not be opened at all.
    const std::optional<Damage>& Refusal() const { return refusal_; }

    // What a damaged archive, whose directory is whole, still holds: the entries whose data lie
    // whole in it, and each of the others with its damage. The archive is only read, and the
    // current archive stays current. Nullopt when not even the directory can be read.
    struct LostEntry {
        Damage damage;
        std::string name;  // as stored
    };
    struct SalvageReport {
        std::size_t whole = 0;
        std::size_t total = 0;
        std::vector<LostEntry> lost;  // by SalvageEntries
        ExtractReport extracted;      // of the whole entries, by SalvageEntries
    };
    // Counts only, reading the directory a piece at a time.
    std::optional<SalvageReport> SurveyDamaged(const std::string& path);
    // Writes the whole entries into `folder` as ExtractEntries writes them all, under the names
    // Extract All gives, and names each of the others.
    std::optional<SalvageReport> SalvageEntries(const std::string& path, const std::string& folder,
                                                const OverwriteQuestion& mayOverwrite);

    // Fills entry's Name and Size from the file at `path`; leaves entry as it was when the file
    // cannot be read. Offset is not touched.
    void BuildEntry(const std::string& path, ArchiveEntry& entry) const;

    // The whole content of the file at `path`; empty when it cannot be read.
    ByteString ReadFileBytes(const std::string& path) const;

    // The bytes of the entry stored as `name`: an entry whose Name is exactly `name` (padded)
    // first, else the last one equal to it with spaces trimmed and case ignored; empty when none
    // is.
    ByteString GetEntryData(std::string_view name) const;
    // The 1-based rows stored as `name`: those stored as exactly `name`, else those equal to it
    // with spaces trimmed and case ignored; in directory order.
    std::vector<std::int32_t> EntryRows(std::string_view name) const;
    // The 1-based row of the entry GetEntryData(name) reads; 0 when none is.
    std::int32_t EntryIndex(std::string_view name) const;

    // Writes the data of entry `index` (1-based, as Entries()[index - 1]) to `target` as its
    // whole content, replacing it in one step, streamed through a bounded buffer. Goes by the
    // row, not by name, so two entries of one name each give their own bytes. Returns false,
    // writing nothing, when the archive file is no longer the one the table was read from.
    // With `mayReplace` false, something found at `target` raises TargetAppeared instead.
    bool ExtractEntry(std::int32_t index, const std::string& target, bool mayReplace = true);

    // True while the archive file is still the one the table was read from: same device,
    // inode, length and modification time. One stat; no data are read.
    bool ArchiveUnchanged() const;

    // True when anything at all is at `path`: a file the user cannot read, a folder, a
    // dangling symbolic link. Decides whether to ask before replacing.
    bool SomethingAt(const std::string& path) const;

    // Told how far add, extract and new archive have come; may stop them (OperationCancelled).
    // An add that waits for another program's lock on the archive reports `waiting`.
    void SetProgress(ProgressCallback callback) { progress_ = std::move(callback); }

    // An add keeps the replaced archive open so that freeing its blocks is not part of the
    // wait; this lets it go. Call when the user has seen the result (also done by the next
    // operation and at the end).
    void ReleaseReplacedArchive();

    // True when `path` names the current archive's file, however spelled or linked.
    bool IsCurrentArchive(const std::string& path) const;

  private:
    struct Directory {
        EntryTable entries;
        FileIdentity identity;
    };
    // Reads the header into header_ and then the directory; nullopt, with the refusal noted,
    // when the file is not an archive or (with `wholeEntries`) names data outside itself.
    std::optional<Directory> ReadDirectory(File& archive, bool wholeEntries = true);
    // Reads the header of a file of `fileLength` bytes into `header`; the damage that makes the
    // file no archive whose whole directory lies in it.
    static std::optional<Damage> ReadHeader(File& archive, std::int64_t fileLength,
                                            ArchiveHeader& header);
    bool ReadInPieces(File& archive, RowMemory& raw, std::int64_t fileLength, bool wholeEntries);
    // The table and the identity it was read from become current.
    void TakeDirectory(Directory directory);
    // Why a file to add that cannot be opened to read whole is declined.
    AddOutcome SourceDeclined(const std::string& path) const;
    // The current archive, opened and locked, and still the file its path names.
    File OpenLockedArchive();
    // The regular file at `path` the same way; nullopt when there is none to open.
    std::optional<File> TryOpenLocked(const std::string& path);
    bool RecordUnchanged(File& archive, std::int32_t index, const ArchiveEntry& entry);
    bool HoldsRow(std::int32_t index) const { return index >= 1 && index <= EntryCount(); }
    // The descriptors an extract's batch of files, or an add's sources, may hold at once.
    long SpareDescriptors() const;
    // The archive's header and the rows `indexes` still as the table has them.
    bool DirectoryUnchanged(File& archive, const std::vector<std::int32_t>& indexes);
    struct Extraction;
    struct Batch;
    ExtractReport ExtractRows(File& archive, const Directory& directory, const std::string& folder,
                              std::vector<std::int32_t> indexes,
                              const OverwriteQuestion& mayOverwrite);
    void NameBatch(Extraction& extraction, Batch& batch);
    void KeepWrittenFiles(Extraction& extraction, Batch& batch);
    void NameOrAsk(Extraction& extraction, std::unique_ptr<ReplacementFile> written,
                   std::size_t at);
    std::unique_ptr<ReplacementFile> WriteEntry(Extraction& extraction, std::size_t at,
                                                bool lookFirst);
    // The planned adds of `paths` whose tests `sources` passed, in `plan`, and their outcomes.
    struct TestedSource;
    std::vector<AddOutcome> PlanAdds(const std::vector<std::string>& paths,
                                     const std::vector<TestedSource>& sources, ArchivePlan& plan);
    void WaitForLock(File& archive);
    // The current archive locked, with its directory, when it is still the file the table was
    // read from; otherwise nullopt, with the table read again.
    struct Locked {
        File archive;
        Directory directory;
    };
    std::optional<Locked> LockUnchanged();
    // The source files of an add, each tested before the lock is taken; AddOutcome::Stored for
    // those that may be stored once their names are checked.
    struct TestedSource {
        AddOutcome outcome;
        std::int64_t length = 0;
    };
    // Source files held open from their test to their copy, as far as descriptors allow, so
    // that each is opened once.
    using HeldSources = std::unordered_map<std::string, File>;
    std::vector<TestedSource> TestSources(const std::vector<std::string>& paths,
                                          HeldSources* held = nullptr) const;
    // The stored names the sources that may be stored would take.
    static std::unordered_set<std::string> StoredNames(const std::vector<std::string>& paths,
                                                       const std::vector<AddOutcome>& outcomes);
    std::unordered_set<std::string> StoredAmong(const std::unordered_set<std::string>& names) const;
    // Writes the archive `plan` describes to a new file and renames it over the archive: the
    // one place where an archive is rewritten. Without `locked`, a new archive at `path`.
    void Rewrite(std::optional<Locked> locked, const ArchivePlan& plan, const std::string& path,
                 HeldSources* held = nullptr);
    std::int64_t CopySource(File& out, const std::string& path, std::int64_t position,
                            CopyMeter& meter, ByteString& buffer, HeldSources* held);

    FileSystem& fs_;
    ProgressCallback progress_;
    std::string archivePath_;
    ArchiveHeader header_;
    EntryTable entries_;
    FileIdentity identity_;                // of the file entries_ was read from
    std::optional<Damage> refusal_;        // see Refusal()
    std::optional<File> replacedArchive_;  // see ReleaseReplacedArchive()
};

}  // namespace kofrex
