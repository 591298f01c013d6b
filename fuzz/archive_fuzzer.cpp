// Feeds arbitrary bytes to the store as an archive file and checks what it does with them:
// OpenArchive accepts exactly the files that are safe to read and loads their directory as it
// lies in the file, a refused file leaves the current archive as it was, every lookup returns
// the bytes the directory names (held whole or streamed to a file), and an add grows the
// archive by one entry without changing any stored data. Any broken expectation aborts, so
// libFuzzer keeps the input.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "archive_error.h"
#include "archive_format.h"
#include "modKofrex.h"

namespace {

using kofrex::ArchiveEntry;
using kofrex::ByteString;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "archive fuzzer: %s\n", what);
    std::abort();
}

void Check(bool ok, const char* what) {
    if (!ok) {
        Fail(what);
    }
}

void WriteBytes(const std::string& path, const ByteString& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Check(static_cast<bool>(out), "cannot write a scratch file");
}

ByteString ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Check(static_cast<bool>(in), "cannot read a scratch file");
    return ByteString(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::int32_t Int32At(const ByteString& bytes, std::size_t at) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return static_cast<std::int32_t>(bits);
}

// An independent reading of the layout: the directory of `bytes` when every entry's data lie
// inside the file, nullopt for anything the store must refuse.
std::optional<std::vector<ArchiveEntry>> ExpectedDirectory(const ByteString& bytes) {
    if (bytes.size() < 9 || bytes.compare(0, 4, "KFRX") != 0 || bytes[4] != '\x01') {
        return std::nullopt;
    }
    const std::int64_t count = Int32At(bytes, 5);
    const auto length = static_cast<std::int64_t>(bytes.size());
    if (count < 0 || 9 + 23 * count > length) {
        return std::nullopt;
    }
    std::vector<ArchiveEntry> entries;
    for (std::int64_t i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(9 + 23 * i);
        ArchiveEntry entry{bytes.substr(at, 15), Int32At(bytes, at + 15), Int32At(bytes, at + 19)};
        if (entry.Offset < 1 || entry.Size < 0 ||
            std::int64_t{entry.Offset} - 1 + entry.Size > length) {
            return std::nullopt;
        }
        entries.push_back(entry);
    }
    return entries;
}

ByteString DataOf(const ByteString& archive, const ArchiveEntry& entry) {
    return archive.substr(static_cast<std::size_t>(entry.Offset - 1),
                          static_cast<std::size_t>(entry.Size));
}

// True when some row names exactly these bytes: every lookup must return one row's data.
bool IsSomeEntrysData(const ByteString& archive, const std::vector<ArchiveEntry>& entries,
                      const ByteString& data) {
    for (const ArchiveEntry& entry : entries) {
        if (DataOf(archive, entry) == data) {
            return true;
        }
    }
    return false;
}

struct Scratch {
    Scratch() {
        // tmpfs where there is one: the store flushes every file it writes.
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/kofrex-fuzz-XXXXXX";
        Check(::mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder");
        folder = pattern;
        previous = folder + "/previous.kfx";
        input = folder + "/input.kfx";
        added = folder + "/fuzzadd.bin";
        extracted = folder + "/extracted.bin";
        WriteBytes(previous, ByteString("KFRX\x01\x01\0\0\0", 9) + "PREVIOUS.TXT   " +
                                 ByteString("\x21\0\0\0\x03\0\0\0", 8) + "old");
        WriteBytes(added, "added bytes");
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string folder, previous, input, added, extracted;
};

void Run(const ByteString& bytes) {
    static Scratch scratch;
    WriteBytes(scratch.input, bytes);

    kofrex::modKofrex store;
    Check(store.OpenArchive(scratch.previous), "the previous archive does not open");
    const std::vector<ArchiveEntry> previousEntries = store.Entries();

    const std::optional<std::vector<ArchiveEntry>> expected = ExpectedDirectory(bytes);
    const bool opened = store.OpenArchive(scratch.input);
    if (!opened) {
        Check(!expected, "a safe archive was refused");
        Check(store.ArchivePath() == scratch.previous, "a refused open changed the path");
        Check(store.Entries() == previousEntries, "a refused open changed the table");
        Check(store.EntryCount() == static_cast<std::int32_t>(previousEntries.size()),
              "a refused open changed the count");
        return;
    }
    Check(expected.has_value(), "an unsafe archive was opened");
    Check(store.ArchivePath() == scratch.input, "an open did not make the archive current");
    Check(store.Entries() == *expected, "the table does not mirror the directory");

    // Lookups by every stored name: an exact match wins, the last one among equals.
    for (const ArchiveEntry& row : store.Entries()) {
        const ArchiveEntry* exact = nullptr;
        for (const ArchiveEntry& other : store.Entries()) {
            if (other.Name == row.Name) {
                exact = &other;
            }
        }
        Check(store.GetEntryData(row.Name) == DataOf(bytes, *exact),
              "an exact lookup returned other bytes");
        store.ExtractEntry(row.Name, scratch.extracted);
        Check(ReadBytes(scratch.extracted) == DataOf(bytes, *exact),
              "an extraction wrote other bytes");
    }
    // Other spellings: whatever they find must be some entry's bytes, never anything else.
    std::vector<std::string> others{"", " ", "FUZZADD.BIN", "fuzzadd.bin"};
    if (!store.Entries().empty()) {
        const std::string first = store.Entries().front().Name;
        others.push_back(" " + first);
        others.push_back(std::string(kofrex::TrimSpaces(first)));
        others.push_back(first.substr(0, 7));
    }
    for (const std::string& name : others) {
        const ByteString data = store.GetEntryData(name);
        Check(data.empty() || IsSomeEntrysData(bytes, store.Entries(), data),
              "a lookup returned bytes no entry names");
        store.ExtractEntry(name, scratch.extracted);
        Check(ReadBytes(scratch.extracted) == data, "an extraction differs from the lookup");
    }

    const std::vector<ArchiveEntry> before = store.Entries();
    bool duplicate = false;
    for (const ArchiveEntry& entry : before) {
        duplicate = duplicate || entry.Name == "FUZZADD.BIN    ";
    }
    store.AddFileToArchive(scratch.added);
    const ByteString after = ReadBytes(scratch.input);
    if (duplicate) {
        Check(after == bytes, "a refused duplicate changed the archive");
        Check(store.Entries() == before, "a refused duplicate changed the table");
        return;
    }
    kofrex::modKofrex reopened;
    Check(reopened.OpenArchive(scratch.input), "the grown archive does not open");
    Check(reopened.Entries() == store.Entries(), "the table does not mirror the grown archive");
    Check(reopened.Entries().size() == before.size() + 1, "the add did not add one entry");
    const ArchiveEntry& last = reopened.Entries().back();
    Check(last.Name == "FUZZADD.BIN    " && DataOf(after, last) == "added bytes",
          "the added entry is wrong");
    Check(after.size() == bytes.size() + 23 + 11, "the archive did not grow by entry and data");
    // Data in the data region survive the move; entries whose bytes lie in the header or
    // directory (old in-place archives) necessarily see that area rewritten.
    const std::int64_t dataStart = 9 + 23 * static_cast<std::int64_t>(before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i].Size == 0 || before[i].Offset - 1 >= dataStart) {
            Check(DataOf(after, reopened.Entries()[i]) == DataOf(bytes, before[i]),
                  "an add changed stored data");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteString bytes(reinterpret_cast<const char*>(data), size);
    try {
        Run(bytes);
    } catch (const kofrex::ArchiveError& error) {
        std::fprintf(stderr, "archive fuzzer: unexpected error %d: %s\n", error.Number(),
                     error.Description().c_str());
        std::abort();
    }
    return 0;
}
