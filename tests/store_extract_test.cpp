// GetEntryData's lookup rules and reads, and the whole-file replacement used for targets.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "modKofrex.h"
#include "test_support.h"

namespace kofrex {
namespace {

using test::ArchiveImage;
using test::ReadFile;
using test::WriteFile;

class Extracting : public ::testing::Test {
  protected:
    void Open(const std::vector<test::StoredFile>& files) {
        WriteFile(archive, ArchiveImage(files));
        ASSERT_TRUE(store.OpenArchive(archive));
    }

    test::ScratchFolder folder;
    std::string archive = folder / "test.kfx";
    modKofrex store;
};

TEST_F(Extracting, FindsAnEntryWhateverTheCaseAndPadding) {
    Open({{"README.TXT     ", "hello"}, {"EMPTY          ", ""}});
    EXPECT_EQ(store.GetEntryData("README.TXT     "), "hello");
    EXPECT_EQ(store.GetEntryData("README.TXT"), "hello");
    EXPECT_EQ(store.GetEntryData("readme.txt"), "hello");
    EXPECT_EQ(store.GetEntryData("  readme.txt "), "hello");
    EXPECT_EQ(store.GetEntryData("EMPTY"), "");
    EXPECT_EQ(store.GetEntryData("OTHER"), "");
    EXPECT_EQ(store.GetEntryData("README.TXT\t"), "");  // only spaces are trimmed
}

TEST_F(Extracting, AnExactNameWinsOverATrimmedOrCaseFreeMatch) {
    Open({{"A.TXT          ", "plain"},
          {" A.TXT         ", "leading space"},
          {"a.txt          ", "lower case"}});
    EXPECT_EQ(store.GetEntryData("A.TXT          "), "plain");
    EXPECT_EQ(store.GetEntryData(" A.TXT         "), "leading space");
    EXPECT_EQ(store.GetEntryData("a.txt          "), "lower case");
    // No exact match: the last row equal after trimming and upper-casing wins.
    EXPECT_EQ(store.GetEntryData("a.TXT"), "lower case");
}

TEST_F(Extracting, AnEmptyArchiveAnswersWithoutTouchingTheFile) {
    store.CreateArchive(archive);
    std::filesystem::remove(archive);
    EXPECT_EQ(store.GetEntryData("ANYTHING"), "");
}

TEST_F(Extracting, AVanishedArchiveRaisesTheFileError) {
    Open({{"A              ", "a"}});
    std::filesystem::remove(archive);
    try {
        store.GetEntryData("A");
        FAIL() << "no error";
    } catch (const ArchiveError& error) {
        EXPECT_EQ(error.Number(), ENOENT);
    }
    EXPECT_EQ(store.GetEntryData("MISSING"), "");  // no match never opens the file
}

TEST_F(Extracting, AnArchiveCutShortSinceItWasOpenedRaisesRatherThanGivingPartOfTheEntry) {
    Open({{"A              ", "aaaa"}, {"B              ", "bbbb"}});
    std::filesystem::resize_file(archive, std::filesystem::file_size(archive) - 1);
    EXPECT_EQ(store.GetEntryData("A"), "aaaa");
    EXPECT_THROW(store.GetEntryData("B"), ArchiveError);
}

TEST_F(Extracting, WholeFileReplacementLeavesExactlyTheNewBytes) {
    const std::string target = folder / "target";
    WriteFile(target, ByteString(100, 'x'));
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    store.WriteFileBytes(target, "hello");
    EXPECT_EQ(ReadFile(target), "hello");
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    store.WriteFileBytes(folder / "new", "");
    EXPECT_EQ(ReadFile(folder / "new"), "");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"new", "target"}));
    EXPECT_THROW(store.WriteFileBytes(folder / "missing/x", "a"), ArchiveError);
}

TEST_F(Extracting, ExtractEntryWritesWhatGetEntryDataGives) {
    const ByteString large(3 << 20, 'L');  // several copy buffers' worth
    Open({{"SMALL          ", "abc"}, {"LARGE          ", large}, {"EMPTY          ", ""}});
    const std::string target = folder / "target";
    WriteFile(target, ByteString(100, 'x'));
    store.ExtractEntry("large", target);
    EXPECT_EQ(ReadFile(target), large);
    store.ExtractEntry("SMALL          ", target);
    EXPECT_EQ(ReadFile(target), "abc");
    store.ExtractEntry("EMPTY", target);
    EXPECT_EQ(ReadFile(target), "");
    WriteFile(target, "old");
    store.ExtractEntry("NOT STORED", target);
    EXPECT_EQ(ReadFile(target), "");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"target", "test.kfx"}));
}

TEST_F(Extracting, ExtractEntryFromAnArchiveCutShortLeavesTheTargetAlone) {
    Open({{"A              ", ByteString(5000, 'a')}});
    std::filesystem::resize_file(archive, std::filesystem::file_size(archive) - 1);
    const std::string target = folder / "target";
    WriteFile(target, "precious");
    EXPECT_THROW(store.ExtractEntry("A", target), ArchiveError);
    EXPECT_EQ(ReadFile(target), "precious");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"target", "test.kfx"}));
}

TEST_F(Extracting, IdentityComparisonSeesThroughLinksAndSpellings) {
    Open({{"A              ", "a"}});
    std::filesystem::create_symlink(archive, folder / "link");
    EXPECT_TRUE(store.IsCurrentArchive(folder / "link"));
    EXPECT_TRUE(store.IsCurrentArchive(folder / "./test.kfx"));
    WriteFile(folder / "other.kfx", ReadFile(archive));
    EXPECT_FALSE(store.IsCurrentArchive(folder / "other.kfx"));
    EXPECT_FALSE(store.IsCurrentArchive(folder / "missing"));
    EXPECT_FALSE(modKofrex().IsCurrentArchive(archive));  // no archive is current
}

TEST_F(Extracting, ReadFileBytesAndBuildEntryDescribeTheSource) {
    const std::string source = folder / "notes.txt";
    WriteFile(source, "twelve bytes");
    EXPECT_EQ(store.ReadFileBytes(source), "twelve bytes");
    EXPECT_EQ(store.ReadFileBytes(folder / "missing"), "");
    ArchiveEntry entry{"UNCHANGED      ", 99, 1};
    store.BuildEntry(folder / "missing", entry);
    EXPECT_EQ(entry, (ArchiveEntry{"UNCHANGED      ", 99, 1}));
    store.BuildEntry(source, entry);
    EXPECT_EQ(entry, (ArchiveEntry{"NOTES.TXT      ", 99, 12}));
}

}  // namespace
}  // namespace kofrex
