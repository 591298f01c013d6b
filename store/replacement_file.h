#pragma once

// Whole-file replacement: the new content is built in a temporary file beside the target and put
// in its place with one rename, so the target is either wholly old or wholly new, whatever
// happens meanwhile. Failures raise ArchiveError naming the file the user knows (the target,
// never a temporary name).

#include <functional>
#include <optional>
#include <string>

#include "file.h"
#include "file_system.h"
#include "path_rules.h"

namespace kofrex {

// What a replacement takes the place of.
enum class Replacing {
    // An archive grown by an add: replaced whole by a rename or not at all, and never handed to
    // another owner.
    Archive,
    // A file the user chose to overwrite. Where no rename may put a new file in its place, it is
    // written in place instead: its old content is given up anyway.
    ChosenFile,
};

// What a replacement may do with what it finds at its target.
struct ReplaceRules {
    // False when nothing was at the target when the user decided: whatever is found there, now
    // or when the new content is put in place, raises TargetAppeared.
    bool mayReplace = true;
    // The caller has prepared the folder (PrepareFolder); one writing many files into one folder
    // does that once instead of once a file.
    bool folderPrepared = false;
    // A file that is never replaced, however the target names it (another name, a hard link, a
    // link): the archive an extract reads. Raises WouldReplaceArchive.
    std::optional<FileIdentity> spare;
    // False for a new file in a prepared folder: nothing is looked up at the target before the
    // content is written, and the file takes the name only where nothing has it yet (else
    // Commit() raises TargetAppeared, and the caller looks before it asks).
    bool lookFirst = true;
};

// A symbolic link is followed where the kernel would follow it (see ResolveTarget), also a
// dangling one; the link is kept. An existing target keeps its permission bits, its owner (or
// at least its group) and its extended attributes; one that is not a regular file, has other
// hard links or may not be written by this user is refused before anything is written.
class ReplacementFile {
  public:
    ReplacementFile(FileSystem& fs, const std::string& target, Replacing kind,
                    const ReplaceRules& rules = {});
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile();  // without Commit(), the temporary file goes and the target stays

    File& Output() { return *output_; }
    // The descriptors it holds until Commit(): one for a file without a name, two for a named
    // temporary file and its lock.
    int Descriptors() const { return unnamed_ ? 1 : 2; }
    // Flushes the new content to disk and renames it over the target, whose identity it then is.
    // With `expected`, only while the target is still that file (device and inode): nullopt when
    // another program put a new one there meanwhile, which is then left as it is.
    // With `flushed`, the caller has already put the new content on the disk (SyncFileSystem).
    std::optional<FileIdentity> Commit(const FileIdentity* expected = nullptr,
                                       bool flushed = false);
    // Makes the rename itself durable. Separate from Commit() so that a caller can record the
    // new content as current before this last step can fail.
    void FlushFolder();

  private:
    void RefuseUnsafeTarget(Replacing kind, const struct stat& existing);
    void OpenTemporary(mode_t mode);
    void OpenInPlace();
    void TakeAttributesOf(const struct stat& existing);
    void CopyExtendedAttributes();
    void HoldLock();
    void NameTemporary();
    FileIdentity LinkInPlace();
    void PutInPlace();
    void Discard() noexcept;
    [[noreturn]] void Raise(Failed action, const std::string& path) const;

    FileSystem& fs_;
    TargetPlace place_;
    std::string folder_;
    bool noReplace_;
    bool inPlace_ = false;       // the target itself is written, not a temporary file
    std::string temporaryName_;  // empty while the temporary file has no name
    int temporarySlot_ = -1;     // see RemoveTemporariesWhenEnded()
    bool unnamed_ = false;
    std::optional<File> output_;
    // A second descriptor of the temporary file, holding its lock until the rename is done.
    std::optional<File> lock_;
};

// Replaces the whole content of `path` with what `fill` writes from position 0 of the file it is
// given, as a ChosenFile (see ReplacementFile); returns the new content's identity.
FileIdentity WriteWholeFile(FileSystem& fs, const std::string& path,
                            const std::function<void(File&)>& fill, const ReplaceRules& rules = {});

// Makes the names in `folder` durable: the renames of the replacements in it.
void FlushFolder(FileSystem& fs, const std::string& folder);

// Removes the temporary files in `folder` that this user's replacements made, that no process
// holds and that have not been written for a minute: left by a process that could not remove
// them. Nothing else: their names are of a form no extracted file takes.
void RemoveAbandonedTemporaries(FileSystem& fs, const std::string& folder);

// What every replacement does first in its folder: refuse links planted on the way to it, and
// remove abandoned temporary files (see ReplaceRules::folderPrepared).
void PrepareFolder(FileSystem& fs, const std::string& folder);

// Has a termination by SIGTERM, SIGINT or SIGHUP (a logout), or an exit() from deep inside the
// window system (a lost display), remove this process's named temporary files first. Files
// left by a process that could not (SIGKILL, a power loss) are removed by the next replacement
// in their folder, once no process holds their lock.
void RemoveTemporariesWhenEnded();

// Has the same ends remove the files in the folder open as `fd` at `path`, then the folder;
// for PrivateFolder, which gives back the slot to ForgetFolderWhenEnded() as it goes. -1 when
// no slot is free or the path is too long.
int RemoveFolderWhenEnded(int fd, const std::string& path);
void ForgetFolderWhenEnded(int slot);

// The temporary files a process may have at once, for an extract's batch of files.
constexpr std::size_t kMaxTemporaries = 4096;

// `prefix`, `letters` random small letters or digits and `suffix`: a new name, to try until one
// is free.
std::string RandomName(std::string_view prefix, std::size_t letters = 6,
                       std::string_view suffix = {});
// Whether `name` is one that RandomName gives with the same form.
bool IsRandomName(std::string_view name, std::string_view prefix, std::size_t letters = 6,
                  std::string_view suffix = {});

}  // namespace kofrex
