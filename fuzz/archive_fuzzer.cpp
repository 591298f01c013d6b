// Feeds arbitrary bytes to the store as an archive file. OpenArchive must accept exactly the
// files whose every entry lies inside them and load the directory as it lies there; a refused
// file leaves the current archive as it was; every lookup by name and extraction by row gives
// the bytes the directory names; an add grows the archive by one entry and leaves stored data
// alone. A broken expectation aborts, so libFuzzer keeps the input. replay_main.cpp replays kept
// inputs.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "modKofrex.h"
#include "test_support.h"

namespace {

using kofrex::ArchiveEntry;
using kofrex::test::Bytes;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "archive fuzzer: %s\n", what);
        std::abort();
    }
}

std::int32_t Int32At(const Bytes& bytes, std::size_t at) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        bits |= std::uint32_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
    }
    return static_cast<std::int32_t>(bits);
}

// The layout read independently: the directory when every entry's data lie inside the file,
// nullopt for anything the store must refuse.
std::optional<std::vector<ArchiveEntry>> ExpectedDirectory(const Bytes& bytes) {
    if (bytes.size() < 9 || bytes.compare(0, 5, "KFRX\x01") != 0 || Int32At(bytes, 5) < 0 ||
        9 + 23 * std::int64_t{Int32At(bytes, 5)} > static_cast<std::int64_t>(bytes.size())) {
        return std::nullopt;
    }
    std::vector<ArchiveEntry> entries;
    for (std::size_t at = 9; entries.size() < static_cast<std::size_t>(Int32At(bytes, 5));
         at += 23) {
        entries.push_back({bytes.substr(at, 15), Int32At(bytes, at + 15), Int32At(bytes, at + 19)});
        const ArchiveEntry& entry = entries.back();
        if (entry.Offset < 1 || entry.Size < 0 ||
            std::int64_t{entry.Offset} - 1 + entry.Size > static_cast<std::int64_t>(bytes.size())) {
            return std::nullopt;
        }
    }
    return entries;
}

Bytes DataOf(const Bytes& archive, const ArchiveEntry& entry) {
    return archive.substr(static_cast<std::size_t>(entry.Offset - 1),
                          static_cast<std::size_t>(entry.Size));
}

void CheckAdd(kofrex::modKofrex& store, const std::string& archive, const Bytes& bytes,
              const std::string& added) {
    const std::vector<ArchiveEntry> before = store.Entries();
    const bool duplicate = std::any_of(before.begin(), before.end(), [](const ArchiveEntry& e) {
        return e.Name == "FUZZADD.BIN    ";
    });
    store.AddFileToArchive(added);
    const Bytes after = kofrex::test::ReadFile(archive);
    if (duplicate) {
        Check(after == bytes && store.Entries() == before, "a refused duplicate changed something");
        return;
    }
    kofrex::modKofrex reopened;
    Check(reopened.OpenArchive(archive) && reopened.Entries() == store.Entries(),
          "the table does not mirror the grown archive");
    Check(reopened.EntryCount() == static_cast<std::int32_t>(before.size()) + 1 &&
              after.size() == bytes.size() + 23 + 11 &&
              DataOf(after, reopened.Entries().back()) == "added bytes",
          "the add did not add one entry and its data");
    // Entries whose bytes lie in the directory (old in-place archives) see that area rewritten.
    for (std::size_t i = 0; i < before.size(); ++i) {
        Check(before[i].Size == 0 || before[i].Offset - 1 < 9 + 23 * std::int64_t(before.size()) ||
                  DataOf(after, reopened.Entries()[i]) == DataOf(bytes, before[i]),
              "an add changed stored data");
    }
}

void Run(const Bytes& bytes) {
    static const kofrex::test::ScratchFolder scratch;
    const std::string previous = scratch / "previous.kfx";
    const std::string input = scratch / "input.kfx";
    kofrex::test::WriteFile(previous, kofrex::test::ArchiveImage({{"PREVIOUS.TXT", "old"}}));
    kofrex::test::WriteFile(scratch / "fuzzadd.bin", "added bytes");
    kofrex::test::WriteFile(input, bytes);
    kofrex::modKofrex store;
    Check(store.OpenArchive(previous), "the previous archive does not open");
    const std::optional<std::vector<ArchiveEntry>> expected = ExpectedDirectory(bytes);
    if (!store.OpenArchive(input)) {
        Check(!expected, "a safe archive was refused");
        Check(store.ArchivePath() == previous && store.EntryCount() == 1 &&
                  store.Entries()[0].Name == "PREVIOUS.TXT   ",
              "a refused open changed the current archive");
        return;
    }
    Check(expected && store.ArchivePath() == input && store.Entries() == *expected,
          "an unsafe archive was opened, or its table differs from the directory");
    const std::vector<ArchiveEntry>& entries = store.Entries();
    for (std::size_t row = 0; row < entries.size(); ++row) {
        // A name finds the last row that has it exactly; extraction goes by the row itself.
        std::size_t last = row;
        for (std::size_t other = row; other < entries.size(); ++other) {
            last = entries[other].Name == entries[row].Name ? other : last;
        }
        Check(store.GetEntryData(entries[row].Name) == DataOf(bytes, entries[last]),
              "an exact lookup returned other bytes");
        Check(store.ExtractEntry(static_cast<std::int32_t>(row + 1), scratch / "out") &&
                  kofrex::test::ReadFile(scratch / "out") == DataOf(bytes, entries[row]),
              "an extraction wrote other bytes");
    }
    CheckAdd(store, input, bytes, scratch / "fuzzadd.bin");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        Run(Bytes(reinterpret_cast<const char*>(data), size));
    } catch (const kofrex::ArchiveError& error) {
        std::fprintf(stderr, "archive fuzzer: unexpected error %d: %s\n", error.Number(),
                     error.Description().c_str());
        std::abort();
    }
    return 0;
}
