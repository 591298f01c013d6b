#pragma once

// The .kfx byte layout: a 9-byte header, a directory of 23-byte entries, then raw data.
// Every integer is little-endian and records are packed field by field, never copied as a
// memory image, so the layout does not depend on the compiler's struct padding.

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>

namespace kofrex {

using ByteString = std::string;  // raw bytes, not text

inline constexpr std::int64_t kMaxPosition = std::numeric_limits<std::int32_t>::max();

// ArchiveHeader fields.
inline constexpr std::size_t kSignatureOffset = 0;
inline constexpr std::size_t kSignatureSize = 4;
inline constexpr std::size_t kVersionOffset = 4;
inline constexpr std::size_t kVersionSize = 1;
inline constexpr std::size_t kFileCountOffset = 5;
inline constexpr std::size_t kFileCountSize = 4;
inline constexpr std::size_t kHeaderSize = 9;

// ArchiveEntry fields, relative to the entry's first byte.
inline constexpr std::size_t kNameOffset = 0;
inline constexpr std::size_t kNameSize = 15;
inline constexpr std::size_t kEntryOffsetOffset = 15;
inline constexpr std::size_t kEntryOffsetSize = 4;
inline constexpr std::size_t kEntrySizeOffset = 19;
inline constexpr std::size_t kEntrySizeSize = 4;
inline constexpr std::size_t kEntrySize = 23;

inline constexpr std::size_t kDirectoryOffset = kHeaderSize;
inline constexpr std::array<char, kSignatureSize> kSignature{'K', 'F', 'R', 'X'};
inline constexpr std::uint8_t kVersion = 1;

struct ArchiveHeader {
    std::array<char, kSignatureSize> Signature{};  // four zero characters until read or written
    std::uint8_t Version = 0;
    std::int32_t FileCount = 0;

    bool IsArchive() const { return Signature == kSignature && Version == kVersion; }
    friend bool operator==(const ArchiveHeader&, const ArchiveHeader&) = default;
};

struct ArchiveEntry {
    std::string Name;         // kNameSize bytes in Windows-1252, space-padded; see names.h
    std::int32_t Offset = 0;  // 1-based position of the first data byte
    std::int32_t Size = 0;

    friend bool operator==(const ArchiveEntry&, const ArchiveEntry&) = default;
};

using HeaderBytes = std::array<char, kHeaderSize>;
using EntryBytes = std::array<char, kEntrySize>;

HeaderBytes EncodeHeader(const ArchiveHeader& header);
ArchiveHeader DecodeHeader(std::span<const char, kHeaderSize> bytes);

// Name is written as its first kNameSize bytes, padded with spaces when shorter.
EntryBytes EncodeEntry(const ArchiveEntry& entry);
ArchiveEntry DecodeEntry(std::span<const char, kEntrySize> bytes);

// 0-based file position where directory entry `count` + 1 would start, i.e. the first byte
// after a directory of `count` entries.
constexpr std::int64_t DirectoryEnd(std::int64_t count) {
    return static_cast<std::int64_t>(kDirectoryOffset) +
           static_cast<std::int64_t>(kEntrySize) * count;
}

// Why a file is no archive the store reads, and where: what the front ends word for the user.
struct Damage {
    enum class Kind {
        NotRegularFile,     // a pipe, a device or a socket
        ShorterThanHeader,  // value: the file's length
        WrongSignature,
        UnknownVersion,    // value: the version
        NegativeCount,     // value: the count
        DirectoryPastEnd,  // value: the entries promised; fit: how many the file holds
        // The entry kinds, where the directory itself is whole: its other entries may be.
        EntryBeforeStart,  // value: the entry's 1-based position, below 1
        NegativeSize,      // value: the entry's size
        EntryPastEnd,      // value: how many of its bytes lie past the end of the file
    };
    Kind kind = Kind::WrongSignature;
    std::int64_t entry = 0;  // 1-based, for the entry kinds
    std::int64_t value = 0;
    std::int64_t fit = 0;

    bool OfOneEntry() const { return kind >= Kind::EntryBeforeStart; }
    friend bool operator==(const Damage&, const Damage&) = default;
};

// The damage of the header of a file of `fileLength` bytes; nullopt for a header whose whole
// directory lies in the file.
std::optional<Damage> HeaderDamage(const ArchiveHeader& header, std::int64_t fileLength);
// The damage of entry `entry` (1-based) as it lies in the directory; nullopt when its data lie
// wholly inside a file of `fileLength` bytes.
std::optional<Damage> EntryDamage(std::span<const char, kEntrySize> bytes, std::int64_t entry,
                                  std::int64_t fileLength);

}  // namespace kofrex
