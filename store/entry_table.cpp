#include "entry_table.h"

namespace kofrex {

EntryTable::EntryTable(const std::vector<ArchiveEntry>& entries) {
    raw_.reserve(entries.size() * kEntrySize);
    for (const ArchiveEntry& entry : entries) {
        const EntryBytes bytes = EncodeEntry(entry);
        raw_.append(bytes.data(), bytes.size());
    }
}

ArchiveEntry EntryTable::at(std::size_t row) const {
    if (row >= size()) {
        throw std::out_of_range("no such row in the archive's directory");
    }
    return (*this)[row];
}

}  // namespace kofrex
