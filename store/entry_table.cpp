#include "entry_table.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace kofrex {
namespace {

// Below this, ordinary memory: huge pages only pay for large tables.
constexpr std::size_t kMappedFrom = std::size_t{64} << 20;

std::shared_ptr<char[]> Allocate(std::size_t bytes) {
    if (bytes < kMappedFrom) {
        return std::shared_ptr<char[]>(new char[std::max<std::size_t>(bytes, 1)]);
    }
    void* mapped =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    ::madvise(mapped, bytes, MADV_HUGEPAGE);  // a hint: without it, ordinary pages
    return std::shared_ptr<char[]>(static_cast<char*>(mapped),
                                   [bytes](char* rows) { ::munmap(rows, bytes); });
}

}  // namespace

RowMemory::RowMemory(std::size_t bytes) : rows_(Allocate(bytes)), bytes_(bytes) {}

EntryTable::EntryTable(std::string_view raw) : rows_(raw.size()) {
    std::memcpy(rows_.data(), raw.data(), raw.size());
}

EntryTable::EntryTable(const std::vector<ArchiveEntry>& entries)
    : rows_(entries.size() * kEntrySize) {
    for (std::size_t row = 0; row < entries.size(); ++row) {
        const EntryBytes bytes = EncodeEntry(entries[row]);
        std::memcpy(rows_.data() + row * kEntrySize, bytes.data(), kEntrySize);
    }
}

ArchiveEntry EntryTable::at(std::size_t row) const {
    if (row >= size()) {
        throw std::out_of_range("no such row in the archive's directory");
    }
    return (*this)[row];
}

}  // namespace kofrex
