#include "archive_plan.h"

#include <algorithm>

namespace kofrex {
namespace {

ArchivePlan::Entry PlannedEntry(std::string_view name, std::int32_t size, std::size_t piece,
                                std::int64_t within) {
    ArchivePlan::Entry entry;
    std::copy_n(name.begin(), std::min(name.size(), kNameSize), entry.name.begin());
    entry.size = size;
    entry.piece = static_cast<std::uint32_t>(piece);
    entry.within = within;
    return entry;
}

}  // namespace

ArchivePlan ArchivePlan::KeepingData(const EntryTable& entries, std::int64_t length) {
    ArchivePlan plan;
    const std::int64_t dataStart = DirectoryEnd(static_cast<std::int64_t>(entries.size()));
    plan.pieces.push_back({"", dataStart, length - dataStart});
    plan.entries.reserve(entries.size() + 1);
    for (const ArchiveEntry entry : entries) {
        plan.entries.push_back(
            PlannedEntry(entry.Name, entry.Size, 0, entry.Offset - 1 - dataStart));
    }
    return plan;
}

void ArchivePlan::AddStored(const ArchiveEntry& entry) {
    const std::int64_t from = entry.Offset - 1;
    if (pieces.empty() || !pieces.back().source.empty() ||
        pieces.back().from + pieces.back().count != from) {
        pieces.push_back({"", from, 0});
    }
    Piece& piece = pieces.back();
    entries.push_back(PlannedEntry(entry.Name, entry.Size, pieces.size() - 1, piece.count));
    piece.count += entry.Size;
}

void ArchivePlan::AddSource(std::string_view name, const std::string& path, std::int64_t length) {
    pieces.push_back({path, 0, length});
    entries.push_back(PlannedEntry(name, -1, pieces.size() - 1, 0));
}

std::vector<std::int64_t> ArchivePlan::KnownLengths() const {
    std::vector<std::int64_t> lengths;
    for (const Piece& piece : pieces) {
        lengths.push_back(piece.count);
    }
    return lengths;
}

std::optional<EntryTable> ArchivePlan::Directory(const std::vector<std::int64_t>& lengths) const {
    std::vector<std::int64_t> starts;
    std::int64_t position = DirectoryEnd(static_cast<std::int64_t>(entries.size()));
    for (const std::int64_t length : lengths) {
        starts.push_back(position);
        position += length;
    }
    if (position > kMaxPosition) {
        return std::nullopt;
    }
    RowMemory rows(entries.size() * kEntrySize);
    for (std::size_t row = 0; row < entries.size(); ++row) {
        const Entry& entry = entries[row];
        const std::int64_t offset = starts[entry.piece] + entry.within + 1;
        if (offset > kMaxPosition) {
            return std::nullopt;  // even an empty entry may not start past the range
        }
        const std::int64_t size = entry.size >= 0 ? entry.size : lengths[entry.piece];
        const EntryBytes bytes =
            EncodeEntry({std::string(entry.name.data(), kNameSize),
                         static_cast<std::int32_t>(offset), static_cast<std::int32_t>(size)});
        std::copy(bytes.begin(), bytes.end(), rows.data() + row * kEntrySize);
    }
    return EntryTable(std::move(rows));
}

}  // namespace kofrex
