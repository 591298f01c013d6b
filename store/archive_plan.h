#pragma once

// What a rewrite of an archive writes: the new directory's entries, and after the directory the
// pieces of data one after another, each a stretch of the old archive or a whole source file.
// Every change to an archive (add, delete, rename, replace) describes itself as a plan; one
// writer lays it out.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive_format.h"
#include "entry_table.h"

namespace kofrex {

struct ArchivePlan {
    struct Piece {
        std::string source;      // a file to read whole from its start; "" for the old archive
        std::int64_t from = 0;   // in the old archive, 0-based
        std::int64_t count = 0;  // for a source, its length when tested: it is read to its end
    };
    // 32 bytes, so that a plan for millions of entries stays near the directory's own size.
    struct Entry {
        std::array<char, kNameSize> name{};
        std::int32_t size = -1;  // -1: the whole piece, as read
        std::uint32_t piece = 0;
        std::int64_t within = 0;  // where its data start in the piece
    };

    // The old archive's whole data region, moved as one, each entry where it was in it.
    static ArchivePlan KeepingData(const EntryTable& entries, std::int64_t length);

    // An entry of the old archive with its own bytes, after those of the last one added; bytes
    // that follow one another in the old archive stay one piece.
    void AddStored(const ArchiveEntry& entry);
    // A new entry whose bytes are the file at `path`.
    void AddSource(std::string_view name, const std::string& path, std::int64_t length);

    // The pieces' lengths as known before they are read.
    std::vector<std::int64_t> KnownLengths() const;
    // The new directory once the pieces have the given lengths; nullopt where a position would
    // pass the format's signed 32-bit range.
    std::optional<EntryTable> Directory(const std::vector<std::int64_t>& lengths) const;

    std::vector<Piece> pieces;
    std::vector<Entry> entries;
};

}  // namespace kofrex
