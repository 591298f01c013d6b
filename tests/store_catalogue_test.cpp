// FileExists, CreateArchive and OpenArchive, and what a refused file leaves untouched.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <limits>

#include "modKofrex.h"
#include "test_support.h"

namespace kofrex {
namespace {

using test::ArchiveImage;
using test::EntryImage;
using test::Le32;
using test::ReadFile;
using test::WriteFile;

const ByteString kEmptyArchive("KFRX\x01\0\0\0\0", 9);

class Catalogue : public ::testing::Test {
  protected:
    // A current archive with two entries, so that a refused open has something to keep.
    void OpenTwoEntryArchive() {
        WriteFile(previous, ArchiveImage({{"ONE.TXT        ", "1"}, {"TWO.TXT        ", "22"}}));
        ASSERT_TRUE(store.OpenArchive(previous));
        ASSERT_EQ(store.EntryCount(), 2);
    }
    void ExpectPreviousArchiveStillCurrent() {
        EXPECT_EQ(store.ArchivePath(), previous);
        ASSERT_EQ(store.EntryCount(), 2);
        EXPECT_EQ(store.Entries()[0], (ArchiveEntry{"ONE.TXT        ", 56, 1}));
        EXPECT_EQ(store.Entries()[1], (ArchiveEntry{"TWO.TXT        ", 57, 2}));
    }

    test::ScratchFolder folder;
    std::string previous = folder / "previous.kfx";
    modKofrex store;
};

TEST_F(Catalogue, FileExistsOnlyForReadableFilesThatAreNoFolder) {
    WriteFile(folder / "empty", "");
    EXPECT_TRUE(store.FileExists(folder / "empty"));
    EXPECT_FALSE(store.FileExists(folder / "missing"));
    EXPECT_FALSE(store.FileExists(folder.Path().string()));
    EXPECT_FALSE(store.FileExists(""));
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_TRUE(store.FileExists(folder / "pipe"));  // answers without waiting for a writer
}

TEST_F(Catalogue, StartsWithNoArchive) {
    EXPECT_EQ(store.ArchivePath(), "");
    EXPECT_EQ(store.EntryCount(), 0);
    EXPECT_TRUE(store.Entries().empty());
    EXPECT_EQ(store.Header(), ArchiveHeader{});
}

TEST_F(Catalogue, CreateWritesNineBytesAndReplacesAnyFile) {
    OpenTwoEntryArchive();
    const std::string path = folder / "new.kfx";
    WriteFile(path, ByteString(1 << 20, 'x'));
    store.CreateArchive(path);
    EXPECT_EQ(ReadFile(path), kEmptyArchive);
    EXPECT_EQ(store.ArchivePath(), path);
    EXPECT_EQ(store.EntryCount(), 0);
    EXPECT_EQ(store.Header(), (ArchiveHeader{kSignature, 1, 0}));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"new.kfx", "previous.kfx"}));
}

TEST_F(Catalogue, CreateKeepsPermissionsAndFollowsSymbolicLinks) {
    const std::string real = folder / "real.kfx";
    const std::string link = folder / "link.kfx";
    WriteFile(real, "old content");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    std::filesystem::create_symlink(real, link);
    store.CreateArchive(link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(real), kEmptyArchive);
    struct stat status {};
    ASSERT_EQ(::stat(real.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(Catalogue, CreateIntoAMissingFolderRaisesTheFileError) {
    OpenTwoEntryArchive();
    try {
        store.CreateArchive(folder / "no-such-folder/a.kfx");
        FAIL() << "no error";
    } catch (const ArchiveError& error) {
        EXPECT_EQ(error.Number(), ENOENT);
        EXPECT_EQ(error.Description(), "No such file or directory");
    }
    ExpectPreviousArchiveStillCurrent();
}

TEST_F(Catalogue, OpenLoadsTheDirectoryInOrder) {
    OpenTwoEntryArchive();
    EXPECT_EQ(store.Header(), (ArchiveHeader{kSignature, 1, 2}));
    ExpectPreviousArchiveStillCurrent();
}

TEST_F(Catalogue, OpenOfAnEmptyArchiveEmptiesTheTable) {
    OpenTwoEntryArchive();
    const std::string path = folder / "empty.kfx";
    WriteFile(path, kEmptyArchive);
    EXPECT_TRUE(store.OpenArchive(path));
    EXPECT_EQ(store.ArchivePath(), path);
    EXPECT_EQ(store.EntryCount(), 0);
    EXPECT_TRUE(store.Entries().empty());
}

TEST_F(Catalogue, OpenAcceptsEntriesThatPointIntoTheDirectory) {
    // As written by the old in-place method: the data of entry 1 later overlaid by entry 2.
    const ByteString image = "KFRX\x01" + Le32(2) + EntryImage("A              ", 33, 5) +
                             EntryImage("B              ", 56, 3) + "abc";
    WriteFile(folder / "old.kfx", image);
    EXPECT_TRUE(store.OpenArchive(folder / "old.kfx"));
    EXPECT_EQ(store.EntryCount(), 2);
}

struct Malformed {
    const char* what;
    ByteString image;
};

void PrintTo(const Malformed& malformed, std::ostream* out) {
    *out << malformed.what;
}

class RefusedOpen : public Catalogue, public ::testing::WithParamInterface<Malformed> {};

TEST_P(RefusedOpen, LeavesTheCurrentArchiveAsItWas) {
    OpenTwoEntryArchive();
    const std::string path = folder / "bad.kfx";
    WriteFile(path, GetParam().image);
    EXPECT_FALSE(store.OpenArchive(path));
    ExpectPreviousArchiveStillCurrent();
    EXPECT_EQ(ReadFile(path), GetParam().image);
}

const ByteString kOneEntryHeader = "KFRX\x01" + Le32(1);
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Store, RefusedOpen,
    ::testing::Values(
        Malformed{"empty_file", ""}, Malformed{"eight_bytes", kEmptyArchive.substr(0, 8)},
        Malformed{"lower_case_signature", ByteString("kfrx\x01\0\0\0\0", 9)},
        Malformed{"version_2", ByteString("KFRX\x02\0\0\0\0", 9)},
        Malformed{"version_0", ByteString("KFRX\0\0\0\0\0", 9)},
        Malformed{"negative_count", "KFRX\x01" + Le32(-1)},
        Malformed{"huge_count_in_small_file", "KFRX\x01" + Le32(kMax)},
        Malformed{"directory_past_end",
                  "KFRX\x01" + Le32(2) + EntryImage("A              ", 56, 0)},
        Malformed{"directory_one_byte_short",
                  kOneEntryHeader + EntryImage("A              ", 33, 0).substr(0, 22)},
        Malformed{"offset_zero", kOneEntryHeader + EntryImage("A              ", 0, 0)},
        Malformed{"offset_negative", kOneEntryHeader + EntryImage("A              ", -5, 0)},
        Malformed{"size_negative", kOneEntryHeader + EntryImage("A              ", 33, -1)},
        Malformed{"data_one_byte_past_end",
                  kOneEntryHeader + EntryImage("A              ", 33, 6) + "hello"},
        Malformed{"data_far_past_end",
                  kOneEntryHeader + EntryImage("A              ", kMax, kMax) + "hello"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(Catalogue, RefusedOpenKeepsTheHeaderThatWasRead) {
    WriteFile(folder / "v2.kfx", ByteString("KFRX\x02\x07\0\0\0", 9));
    EXPECT_FALSE(store.OpenArchive(folder / "v2.kfx"));
    EXPECT_EQ(store.Header(), (ArchiveHeader{kSignature, 2, 7}));
    EXPECT_EQ(store.ArchivePath(), "");
}

TEST_F(Catalogue, OpenOfMissingFileFolderOrPipeChangesNothing) {
    OpenTwoEntryArchive();
    EXPECT_FALSE(store.OpenArchive(folder / "missing.kfx"));
    EXPECT_FALSE(store.OpenArchive(folder.Path().string()));
    ASSERT_EQ(::mkfifo((folder / "pipe.kfx").c_str(), 0600), 0);
    EXPECT_FALSE(store.OpenArchive(folder / "pipe.kfx"));  // refused at once, no waiting
    EXPECT_FALSE(store.OpenArchive("/dev/zero"));
    ExpectPreviousArchiveStillCurrent();
}

}  // namespace
}  // namespace kofrex
