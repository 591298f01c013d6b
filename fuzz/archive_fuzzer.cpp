// Feeds arbitrary bytes to the store as an archive file. OpenArchive must accept exactly the
// files whose every entry lies inside them and load the directory as it lies there; a refused
// file leaves the current archive as it was; every extraction by row gives the bytes the
// directory names; an add grows the archive by one entry. A broken expectation or an error
// aborts, so libFuzzer keeps the input. Built with KOFREX_REPLAY, it replays kept inputs without
// libFuzzer instead, so that a build with any compiler replays the corpus.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

// The first difference printed, not the bytes: an archive may be megabytes.
void CheckSame(const Bytes& actual, const Bytes& expected, const char* what) {
    const std::string difference = kofrex::test::ByteDifference(actual, expected);
    if (!difference.empty()) {
        std::fprintf(stderr, "archive fuzzer: %s: %s\n", what, difference.c_str());
        std::abort();
    }
}

std::int64_t Int32At(const Bytes& bytes, std::size_t at) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        bits |= std::uint32_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
    }
    return static_cast<std::int32_t>(bits);
}

// Whether the data of the directory entry at `at` lie wholly inside the file.
bool DataWhole(const Bytes& bytes, std::size_t at) {
    const std::int64_t offset = Int32At(bytes, at + 15), size = Int32At(bytes, at + 19);
    return offset >= 1 && size >= 0 && offset - 1 + size <= std::ssize(bytes);
}

// The layout read independently: the directory when every entry's data lie inside the file,
// nullopt for anything the store must refuse.
std::optional<std::vector<ArchiveEntry>> ExpectedDirectory(const Bytes& bytes) {
    const auto length = static_cast<std::int64_t>(bytes.size());
    if (length < 9 || bytes.compare(0, 5, "KFRX\x01") != 0 || Int32At(bytes, 5) < 0 ||
        9 + 23 * Int32At(bytes, 5) > length) {
        return std::nullopt;
    }
    std::vector<ArchiveEntry> entries;
    for (std::size_t at = 9; at < 9 + 23 * static_cast<std::size_t>(Int32At(bytes, 5)); at += 23) {
        if (!DataWhole(bytes, at)) {
            return std::nullopt;
        }
        entries.push_back({bytes.substr(at, 15), std::int32_t(Int32At(bytes, at + 15)),
                           std::int32_t(Int32At(bytes, at + 19))});
    }
    return entries;
}

Bytes DataOf(const Bytes& archive, const ArchiveEntry& entry) {
    return archive.substr(std::size_t(entry.Offset - 1), std::size_t(entry.Size));
}

// The archive as a model holds it: (name, bytes) in directory order, written compactly.
using Model = std::vector<kofrex::test::StoredFile>;

void CheckArchive(const kofrex::modKofrex& store, const Model& model, const char* verb) {
    kofrex::modKofrex reopened;
    CheckSame(kofrex::test::ReadFile(store.ArchivePath()), kofrex::test::ArchiveImage(model), verb);
    Check(reopened.OpenArchive(store.ArchivePath()) && reopened.Entries() == store.Entries(),
          "the table does not mirror the archive");
}

// Every change by row, then an add of several files and an extract of all, each applied to
// the model too; `pick` chooses the rows.
void CheckVerbs(kofrex::modKofrex& store, const kofrex::EntryTable& entries, const Bytes& archive,
                std::size_t pick) {
    using kofrex::AddOutcome, kofrex::test::ReadFile, kofrex::test::WriteFile;
    const std::string folder = std::filesystem::path(store.ArchivePath()).parent_path();
    const auto in = [&](const std::string& name) { return folder + "/" + name; };
    Model model;
    for (const ArchiveEntry& entry : entries) {
        model.push_back({entry.Name, DataOf(archive, entry)});
    }
    const auto row = [&] { return static_cast<std::int32_t>(pick++ % model.size()); };
    const auto named = [&](const Bytes& name) {
        return std::any_of(model.begin(), model.end(),
                           [&](const auto& f) { return f.name == name; });
    };
    if (!model.empty()) {  // the first change also lays out an archive with gaps compactly
        const std::int32_t renamed = row();
        // Taken as lookups find names: padding and case ignored, the row itself left out.
        bool taken = false;
        for (std::size_t other = 0; other < model.size(); ++other) {
            taken |= other != std::size_t(renamed) &&
                     kofrex::UpperCase1252(kofrex::TrimSpaces(model[other].name)) == "RENAMED.TXT";
        }
        const bool same = model[renamed].name == "RENAMED.TXT    ";  // nothing to do
        Check(store.RenameEntry(renamed + 1, "x/renamed.txt") ==
                  (taken && !same ? AddOutcome::DuplicateName : AddOutcome::Stored),
              "a rename was refused, or a duplicate name stored");
        if (taken || same) {
            CheckSame(ReadFile(store.ArchivePath()), archive,
                      "a refused rename changed the archive");
        } else {
            model[renamed].name = "RENAMED.TXT    ";
            CheckArchive(store, model, "a rename gave another archive");
        }
    }
    if (!model.empty() && ReadFile(store.ArchivePath()) == kofrex::test::ArchiveImage(model)) {
        const std::int32_t replaced = row();
        Check(store.ReplaceEntry(replaced + 1, in("fuzzadd.bin")) == AddOutcome::Stored,
              "a replace was refused");
        model[replaced].data = "added bytes";
        CheckArchive(store, model, "a replace gave another archive");
        // Two rows, or one named twice.
        const std::int32_t one = row();
        const std::int32_t other = row();
        const std::int32_t first = std::min(one, other);
        const std::int32_t second = std::max(one, other);
        Check(store.DeleteEntries({second + 1, first + 1, second + 1}) == AddOutcome::Stored,
              "a delete was refused");
        model.erase(model.begin() + second);
        if (first != second) {
            model.erase(model.begin() + first);
        }
        CheckArchive(store, model, "a delete gave another archive");
        // An empty file, then one whose name is taken once cut to 15 bytes.
        WriteFile(in("fuzz-many-files-1"), ""), WriteFile(in("fuzz-many-files-2"), "many");
        const std::vector<AddOutcome> added = store.AddFilesToArchive(
            {in("fuzzadd.bin"), in("fuzz-many-files-1"), in("fuzz-many-files-2")});
        for (const auto& [file, data] :
             {std::pair{"FUZZADD.BIN    ", "added bytes"}, std::pair{"FUZZ-MANY-FILES", ""}}) {
            if (!named(file)) {
                model.push_back({file, data});
            }
        }
        Check(added.back() == AddOutcome::DuplicateName, "one name was stored twice in one add");
        CheckArchive(store, model, "an add of several files gave another archive");
    }
    std::filesystem::remove_all(in("all"));
    std::filesystem::create_directory(in("all"));
    const kofrex::modKofrex::ExtractReport report =
        store.ExtractEntries(in("all"), {}, [](const std::string&) { return true; });
    Check(!report.archiveChanged && report.leftAlone.empty() &&
              report.written == store.Entries().size(),
          "extracting all found a changed archive, or left a file alone");
    const std::vector<std::string> names = kofrex::SafeFileNames(store.Entries());
    for (std::size_t i = 0; i < names.size(); ++i) {
        CheckSame(ReadFile(in("all/" + names[i])),
                  DataOf(ReadFile(store.ArchivePath()), store.Entries()[i]),
                  "extracting all gave a file other bytes");
    }
    Check(std::distance(std::filesystem::directory_iterator(in("all")), {}) == std::ssize(names),
          "extracting all wrote outside the folder, or two entries to one file");
}

void Run(const Bytes& bytes) {
    using kofrex::test::ReadFile, kofrex::test::WriteFile;
    static const kofrex::test::ScratchFolder scratch;
    const std::string previous = scratch / "previous.kfx", input = scratch / "input.kfx";
    WriteFile(previous, kofrex::test::ArchiveImage({{"PREVIOUS.TXT", "old"}}));
    WriteFile(scratch / "fuzzadd.bin", "added bytes");
    WriteFile(input, bytes);
    kofrex::modKofrex store;
    Check(store.OpenArchive(previous), "the previous archive does not open");
    const std::optional<std::vector<ArchiveEntry>> expected = ExpectedDirectory(bytes);
    if (!store.OpenArchive(input)) {
        Check(!expected && store.ArchivePath() == previous && store.EntryCount() == 1,
              "a safe archive was refused, or a refused open changed the current archive");
        Check(store.Refusal().has_value(), "a refusal without its reason");
        // What a salvage finds whole: the rows of a whole directory whose data lie in the file.
        const auto survey = store.SurveyDamaged(input);
        Check(survey.has_value() == store.Refusal()->OfOneEntry(),
              "a damaged entry taken for a damaged directory, or the other way");
        std::size_t whole = 0;
        for (std::size_t at = 9; survey && at < 9 + 23 * survey->total; at += 23) {
            whole += DataWhole(bytes, at);
        }
        Check(!survey || survey->whole == whole, "a salvage counted other entries whole");
        return;
    }
    Check(expected && store.ArchivePath() == input && store.Entries() == *expected,
          "an unsafe archive was opened, or its table differs from the directory");
    bool duplicate = false, insideDirectory = false;
    for (std::size_t row = 0; row < expected->size(); ++row) {
        const ArchiveEntry& entry = (*expected)[row];
        Check(store.ExtractEntry(std::int32_t(row + 1), scratch / "out"), "an extraction failed");
        CheckSame(ReadFile(scratch / "out"), DataOf(bytes, entry),
                  "an extraction by row gave other bytes");
        duplicate = duplicate || entry.Name == "FUZZADD.BIN    ";
        insideDirectory =
            insideDirectory ||
            (entry.Size > 0 && entry.Offset < 10 + 23 * std::int64_t(expected->size()));
    }
    // Data inside the directory would change with it: such an archive is left alone.
    Check(kofrex::test::ErrorOf([&] { store.AddFileToArchive(scratch / "fuzzadd.bin"); }) ==
              (insideDirectory ? EBADMSG : 0),
          "an add to an archive with data inside its directory was not declined");
    duplicate = duplicate || insideDirectory;
    const Bytes after = ReadFile(input);
    kofrex::modKofrex reopened;
    Check(reopened.OpenArchive(input) && reopened.Entries() == store.Entries(),
          "the table does not mirror the archive after an add");
    Check(duplicate ? after == bytes
                    : after.size() == bytes.size() + 23 + 11 &&
                          reopened.Entries().size() == expected->size() + 1 &&
                          DataOf(after, reopened.Entries().back()) == "added bytes",
          "an add did not add one entry and its data, or changed an archive holding its name");
    CheckVerbs(store, reopened.Entries(), after, bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Run(Bytes(reinterpret_cast<const char*>(data), size));  // an error escapes and aborts
    return 0;
}

#ifdef KOFREX_REPLAY
int main(int argc, char* argv[]) {  // each argument is a folder of inputs
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& input : std::filesystem::directory_iterator(argv[i])) {
            Run(kofrex::test::ReadFile(input.path()));
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
#endif
