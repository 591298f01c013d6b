#include "archive_format.h"

#include <algorithm>

namespace kofrex {
namespace {

void PutInt32(char* out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>((bits >> (8 * i)) & 0xFFu);
    }
}

std::int32_t GetInt32(const char* in) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[i])) << (8 * i);
    }
    return static_cast<std::int32_t>(bits);  // two's complement, defined since C++20
}

}  // namespace

HeaderBytes EncodeHeader(const ArchiveHeader& header) {
    HeaderBytes out{};
    std::copy(header.Signature.begin(), header.Signature.end(), out.begin() + kSignatureOffset);
    out[kVersionOffset] = static_cast<char>(header.Version);
    PutInt32(out.data() + kFileCountOffset, header.FileCount);
    return out;
}

ArchiveHeader DecodeHeader(std::span<const char, kHeaderSize> bytes) {
    ArchiveHeader header;
    std::copy_n(bytes.begin() + kSignatureOffset, kSignatureSize, header.Signature.begin());
    header.Version = static_cast<std::uint8_t>(bytes[kVersionOffset]);
    header.FileCount = GetInt32(bytes.data() + kFileCountOffset);
    return header;
}

// The name leads each record.
static_assert(kNameOffset == 0);

EntryBytes EncodeEntry(const ArchiveEntry& entry) {
    EntryBytes out{};
    std::fill_n(out.begin(), kNameSize, ' ');
    std::copy_n(entry.Name.begin(), std::min(entry.Name.size(), kNameSize), out.begin());
    PutInt32(out.data() + kEntryOffsetOffset, entry.Offset);
    PutInt32(out.data() + kEntrySizeOffset, entry.Size);
    return out;
}

ArchiveEntry DecodeEntry(std::span<const char, kEntrySize> bytes) {
    ArchiveEntry entry;
    entry.Name.assign(bytes.data(), kNameSize);
    entry.Offset = GetInt32(bytes.data() + kEntryOffsetOffset);
    entry.Size = GetInt32(bytes.data() + kEntrySizeOffset);
    return entry;
}

std::optional<Damage> HeaderDamage(const ArchiveHeader& header, std::int64_t fileLength) {
    using enum Damage::Kind;
    if (header.Signature != kSignature) {
        return Damage{WrongSignature};
    }
    if (header.Version != kVersion) {
        return Damage{UnknownVersion, 0, header.Version};
    }
    if (header.FileCount < 0) {
        return Damage{NegativeCount, 0, header.FileCount};
    }
    if (DirectoryEnd(header.FileCount) > fileLength) {
        const std::int64_t fit =
            std::max<std::int64_t>(0, fileLength - static_cast<std::int64_t>(kDirectoryOffset)) /
            static_cast<std::int64_t>(kEntrySize);
        return Damage{DirectoryPastEnd, 0, header.FileCount, fit};
    }
    return std::nullopt;
}

std::optional<Damage> EntryDamage(std::span<const char, kEntrySize> bytes, std::int64_t entry,
                                  std::int64_t fileLength) {
    using enum Damage::Kind;
    const std::int64_t offset = GetInt32(bytes.data() + kEntryOffsetOffset);
    const std::int64_t size = GetInt32(bytes.data() + kEntrySizeOffset);
    if (offset < 1) {
        return Damage{EntryBeforeStart, entry, offset};
    }
    if (size < 0) {
        return Damage{NegativeSize, entry, size};
    }
    if (offset - 1 + size > fileLength) {
        return Damage{EntryPastEnd, entry, offset - 1 + size - fileLength};
    }
    return std::nullopt;
}

}  // namespace kofrex
