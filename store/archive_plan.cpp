#include "archive_plan.h"

#include <algorithm>
#include <unordered_set>

#include "names.h"

namespace kofrex {
namespace {

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

}  // namespace kofrex
