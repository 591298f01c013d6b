// AddFileToArchive: the grown layout, refusals that leave the archive byte for byte alone,
// and stored data that survive every add.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "modKofrex.h"
#include "test_support.h"

namespace kofrex {
namespace {

using test::ArchiveImage;
using test::EntryImage;
using test::Le32;
using test::ReadFile;
using test::WriteFile;

class Adding : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(folder.Path() / "x");
        std::filesystem::create_directories(folder.Path() / "other");
        store.CreateArchive(archive);
    }
    std::string Source(const std::string& name, const ByteString& bytes) {
        const std::string path = folder / name;
        WriteFile(path, bytes);
        return path;
    }
    // The table must describe exactly what a fresh open of the file finds.
    void ExpectTableMirrorsFile() {
        modKofrex fresh;
        ASSERT_TRUE(fresh.OpenArchive(archive));
        EXPECT_EQ(store.Entries(), fresh.Entries());
        EXPECT_EQ(store.EntryCount(), fresh.EntryCount());
    }

    test::ScratchFolder folder;
    std::string archive = folder / "test.kfx";
    modKofrex store;
};

TEST_F(Adding, FirstFileGivesTheWorkedExample) {
    store.AddFileToArchive(Source("x/readme.txt", "hello"));
    const ByteString expected = ByteString("KFRX\x01\x01\0\0\0", 9) + "README.TXT     " +
                                ByteString("\x21\0\0\0\x05\0\0\0", 8) + "hello";
    EXPECT_EQ(ReadFile(archive), expected);
    ASSERT_EQ(store.EntryCount(), 1);
    EXPECT_EQ(store.Entries()[0], (ArchiveEntry{"README.TXT     ", 33, 5}));
    EXPECT_EQ(store.Header().FileCount, 1);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"other", "test.kfx", "x"}));
}

TEST_F(Adding, DuplicateNameIsRefusedAndTheArchiveUntouched) {
    store.AddFileToArchive(Source("x/readme.txt", "hello"));
    const ByteString before = ReadFile(archive);
    store.AddFileToArchive(Source("other/README.TXT", "something else"));
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_EQ(store.EntryCount(), 1);

    // Names equal in their first 15 characters after upper-casing are the same name.
    store.AddFileToArchive(Source("x/abcdefghijklmno-1.txt", "1"));
    store.AddFileToArchive(Source("other/ABCDEFGHIJKLMNO-2.bin", "2"));
    EXPECT_EQ(store.EntryCount(), 2);
    ExpectTableMirrorsFile();
}

TEST_F(Adding, EmptyFileAndTheNextOneLandDirectlyAfterTheDirectory) {
    store.AddFileToArchive(Source("x/empty", ""));
    EXPECT_EQ(ReadFile(archive).size(), 32u);
    EXPECT_EQ(store.Entries()[0], (ArchiveEntry{"EMPTY          ", 33, 0}));
    store.AddFileToArchive(Source("x/next", "abc"));
    EXPECT_EQ(store.Entries()[1], (ArchiveEntry{"NEXT           ", 56, 3}));
    EXPECT_EQ(store.Entries()[0].Offset, 56);  // the empty entry moved along too
    EXPECT_EQ(ReadFile(archive).size(), 58u);
}

TEST_F(Adding, EarlierDataMoveAlongAndSurvive) {
    store.AddFileToArchive(Source("x/a", "first"));
    store.AddFileToArchive(Source("x/b", "second"));
    const ByteString expected =
        ArchiveImage({{"A              ", "first"}, {"B              ", "second"}});
    EXPECT_EQ(ReadFile(archive), expected);
    EXPECT_EQ(store.Entries()[0].Offset, 56);
    EXPECT_EQ(store.Entries()[1].Offset, 61);
    ExpectTableMirrorsFile();
}

TEST_F(Adding, ManyFilesOfRandomSizesAllComeBackIdentical) {
    std::mt19937 random(20261206);
    std::vector<ByteString> contents;
    for (int i = 0; i < 60; ++i) {
        const std::size_t size = i % 7 == 0 ? 0 : random() % 20000;
        ByteString bytes(size, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random());
        }
        contents.push_back(bytes);
        store.AddFileToArchive(Source("x/f" + std::to_string(i), bytes));
    }
    ASSERT_EQ(store.EntryCount(), 60);
    modKofrex reopened;
    ASSERT_TRUE(reopened.OpenArchive(archive));
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(reopened.GetEntryData(FitName("F" + std::to_string(i))), contents[i]) << i;
    }
}

TEST_F(Adding, WithoutACurrentArchiveNothingHappens) {
    modKofrex fresh;
    fresh.AddFileToArchive(Source("x/a", "a"));
    EXPECT_EQ(fresh.EntryCount(), 0);
    EXPECT_EQ(fresh.ArchivePath(), "");
    EXPECT_EQ(ReadFile(archive).size(), 9u);
}

TEST_F(Adding, MissingSourceOrFolderIsDeclined) {
    store.AddFileToArchive(Source("x/a", "a"));
    const ByteString before = ReadFile(archive);
    store.AddFileToArchive(folder / "x/missing");
    store.AddFileToArchive(folder / "x");
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_EQ(store.EntryCount(), 1);
}

TEST_F(Adding, ADamagedArchiveIsLeftAloneWithTheTableUnchanged) {
    store.AddFileToArchive(Source("x/a", "a"));
    ByteString damaged = ReadFile(archive);
    damaged[0] = 'k';
    WriteFile(archive, damaged);
    store.AddFileToArchive(Source("x/b", "b"));
    EXPECT_EQ(ReadFile(archive), damaged);
    ASSERT_EQ(store.EntryCount(), 1);
    EXPECT_EQ(store.Entries()[0].Name, "A              ");
}

TEST_F(Adding, TheTableFollowsAnArchiveChangedByAnotherProgram) {
    store.AddFileToArchive(Source("x/a", "a"));
    WriteFile(archive, ArchiveImage({{"P              ", "pp"}, {"Q              ", "q"}}));
    store.AddFileToArchive(Source("x/a", "a"));
    ASSERT_EQ(store.EntryCount(), 3);
    EXPECT_EQ(store.Entries()[2].Name, "A              ");
    ExpectTableMirrorsFile();
}

TEST_F(Adding, TheArchiveItselfIsRefusedUnderAnySpelling) {
    store.AddFileToArchive(Source("x/a", "a"));
    const ByteString before = ReadFile(archive);
    std::filesystem::create_symlink(archive, folder / "x/link.kfx");
    ASSERT_EQ(::link(archive.c_str(), (folder / "other/hard.kfx").c_str()), 0);
    for (const std::string& self :
         {archive, folder / "x/../test.kfx", folder / "x/link.kfx", folder / "other/hard.kfx"}) {
        store.AddFileToArchive(self);
        EXPECT_EQ(ReadFile(archive), before) << self;
        EXPECT_EQ(store.EntryCount(), 1) << self;
    }
}

TEST_F(Adding, KeepsPermissionsAndALinkedArchiveStaysALink) {
    const std::string real = folder / "other/real.kfx";
    const std::string link = folder / "link.kfx";
    store.CreateArchive(real);
    ASSERT_EQ(::chmod(real.c_str(), 0604), 0);
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(store.OpenArchive(link));
    store.AddFileToArchive(Source("x/a", "abc"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(real), ArchiveImage({{"A              ", "abc"}}));
    struct stat status {};
    ASSERT_EQ(::stat(real.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0604u);
    EXPECT_EQ(store.ArchivePath(), link);
}

TEST_F(Adding, StoredNameComesFromTheLastPathComponent) {
    store.AddFileToArchive(Source("x/caf\xC3\xA9 with a long name.dat", "z"));
    EXPECT_EQ(store.Entries()[0].Name, "CAF\xC9 WITH A LON");
}

}  // namespace
}  // namespace kofrex
