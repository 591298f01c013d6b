#pragma once

// The current archive's directory kept as it lies in the file: kEntrySize bytes a row, decoded
// only when a row is asked for, so that an archive of millions of entries costs what its
// directory costs.

#include <cstddef>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "archive_format.h"

namespace kofrex {

// Memory for whole rows, not zeroed first, in huge pages where the system offers them: for a
// directory of hundreds of megabytes, touching small pages one by one costs more than reading
// the file. Shared, since a table never changes once filled.
class RowMemory {
  public:
    explicit RowMemory(std::size_t bytes);
    char* data() const { return rows_.get(); }
    std::size_t size() const { return bytes_; }

  private:
    std::shared_ptr<char[]> rows_;
    std::size_t bytes_ = 0;
};

class EntryTable {
  public:
    EntryTable() : rows_(0) {}
    // `rows` holds whole rows as the directory has them.
    explicit EntryTable(RowMemory rows) : rows_(std::move(rows)) {}
    explicit EntryTable(std::string_view raw);
    explicit EntryTable(const std::vector<ArchiveEntry>& entries);

    std::size_t size() const { return rows_.size() / kEntrySize; }
    bool empty() const { return rows_.size() == 0; }
    ArchiveEntry operator[](std::size_t row) const { return DecodeEntry(Row(row)); }
    ArchiveEntry at(std::size_t row) const;
    ArchiveEntry back() const { return (*this)[size() - 1]; }
    // The stored name of a row, its kNameSize bytes as they lie in the directory.
    std::string_view NameAt(std::size_t row) const {
        return {rows_.data() + row * kEntrySize + kNameOffset, kNameSize};
    }
    std::string_view Raw() const { return {rows_.data(), rows_.size()}; }
    // A row's kEntrySize bytes as they lie in the directory.
    std::span<const char, kEntrySize> Row(std::size_t row) const {
        return std::span<const char, kEntrySize>(rows_.data() + row * kEntrySize, kEntrySize);
    }

    class Iterator {
      public:
        using iterator_category = std::input_iterator_tag;
        using value_type = ArchiveEntry;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = ArchiveEntry;
        Iterator(const EntryTable* table, std::size_t row) : table_(table), row_(row) {}
        ArchiveEntry operator*() const { return (*table_)[row_]; }
        Iterator& operator++() { return ++row_, *this; }
        Iterator operator++(int) { return Iterator(table_, row_++); }
        friend bool operator==(const Iterator&, const Iterator&) = default;

      private:
        const EntryTable* table_;
        std::size_t row_;
    };
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, size()); }

    friend bool operator==(const EntryTable& a, const EntryTable& b) { return a.Raw() == b.Raw(); }
    friend bool operator==(const EntryTable& table, const std::vector<ArchiveEntry>& entries) {
        return table == EntryTable(entries);
    }

  private:
    RowMemory rows_;
};

}  // namespace kofrex
