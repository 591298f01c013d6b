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

}  // namespace

ArchivePlan ArchivePlan::KeepingData(const std::vector<ArchiveEntry>& entries,
                                     std::int64_t length) {
    ArchivePlan plan;
    const std::int64_t dataStart = DirectoryEnd(static_cast<std::int64_t>(entries.size()));
    plan.pieces.push_back({"", dataStart, length - dataStart});
    for (const ArchiveEntry& entry : entries) {
        plan.entries.push_back({entry.Name, 0, entry.Offset - 1 - dataStart, entry.Size});
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
    entries.push_back({entry.Name, pieces.size() - 1, piece.count, entry.Size});
    piece.count += entry.Size;
}

void ArchivePlan::AddSource(const std::string& name, const std::string& path, std::int64_t length) {
    pieces.push_back({path, 0, length});
    entries.push_back({name, pieces.size() - 1, 0, -1});
}

bool ArchivePlan::HasName(const std::string& name) const {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const Entry& entry) { return entry.name == name; });
}

std::vector<std::int64_t> ArchivePlan::KnownLengths() const {
    std::vector<std::int64_t> lengths;
    for (const Piece& piece : pieces) {
        lengths.push_back(piece.count);
    }
    return lengths;
}

std::optional<std::vector<ArchiveEntry>> ArchivePlan::Directory(
    const std::vector<std::int64_t>& lengths) const {
    std::vector<std::int64_t> starts;
    std::int64_t position = DirectoryEnd(static_cast<std::int64_t>(entries.size()));
    for (const std::int64_t length : lengths) {
        starts.push_back(position);
        position += length;
    }
    if (position > kMaxPosition) {
        return std::nullopt;
    }
    std::vector<ArchiveEntry> directory;
    directory.reserve(entries.size());
    for (const Entry& entry : entries) {
        const std::int64_t offset = starts[entry.piece] + entry.within + 1;
        if (offset > kMaxPosition) {
            return std::nullopt;  // even an empty entry may not start past the range
        }
        const std::int64_t size = entry.size >= 0 ? entry.size : lengths[entry.piece];
        directory.push_back(
            {entry.name, static_cast<std::int32_t>(offset), static_cast<std::int32_t>(size)});
    }
    return directory;
}

std::vector<std::string> SafeFileNames(const std::vector<ArchiveEntry>& entries) {
    std::vector<std::string> names;
    std::unordered_set<std::string> taken;
    for (const ArchiveEntry& entry : entries) {
        const std::string name = SafeName(entry.Name);
        std::string unique = name;
        for (int number = 2; !taken.insert(unique).second; ++number) {
            unique = Numbered(name, number);
        }
        names.push_back(unique);
    }
    return names;
}

}  // namespace kofrex
