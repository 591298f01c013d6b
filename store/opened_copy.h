#pragma once

// An entry written into the private folder for another program to open, with what was written,
// so that the program's edits can be told from a file it only read or saved unchanged.

#include <cstdint>
#include <optional>
#include <string>

#include "entry_table.h"
#include "file.h"
#include "file_system.h"

namespace kofrex {

class OpenedCopy {
  public:
    // The copy at `path` of entry `row` (1-based) of the archive at `archive`, stored as `name`
    // (padded, as the directory holds it); its bytes as they are now are the entry's.
    OpenedCopy(FileSystem& fs, std::string path, std::string archive, std::int32_t row,
               std::string name);

    const std::string& Path() const { return path_; }
    const std::string& Archive() const { return archive_; }
    const std::string& Name() const { return name_; }

    // True when the file holds other bytes than those last taken. A file saved with the same
    // bytes is no edit; one that is gone or cannot be read is none either.
    bool Edited() const;
    // Edited, and changed again since the user was last asked about it: an edit asked about
    // and neither put back nor declined is not asked about again until it changes.
    bool EditedSinceAsked() const;
    // The file's bytes as they are now were asked about.
    void MarkAsked();
    // The file's bytes as they are now count as the entry's: once they were put back into the
    // archive, or the user declined to.
    void TakeAsCurrent();

    // The row of `entries` the copy belongs to: its own while that still has its name (two
    // entries may share one), else the first stored under it; 0 when none is.
    std::int32_t RowIn(const EntryTable& entries) const;

  private:
    struct Content {
        FileIdentity identity;
        std::uint64_t fingerprint = 0;
    };
    // Nullopt when the file cannot be read.
    std::optional<Content> ContentNow() const;
    // True when the file can be read and holds other bytes than `content`, or any for none.
    bool Differs(const std::optional<Content>& content) const;
    std::optional<FileIdentity> IdentityNow() const;

    FileSystem* fs_;
    std::string path_;
    std::string archive_;
    std::int32_t row_;
    std::string name_;
    std::optional<Content> taken_;
    std::optional<Content> asked_;
};

}  // namespace kofrex
