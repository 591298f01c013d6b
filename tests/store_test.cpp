// The store's operations on real files: the layout adds produce, what they decline, lookups,
// extraction over an existing target, and stored names.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "modKofrex.h"
#include "test_support.h"

namespace kofrex::test {
namespace {

class Store : public ::testing::Test {
  protected:
    Store() {  // every read gets half of what it asks for, as on a network file system
        fs.fault = [](std::string_view kind, int) {
            return kind == "Read" || kind == "ReadAt" ? FaultyFileSystem::kShort : 0;
        };
    }
    std::string Source(const std::string& name, const Bytes& bytes) {
        WriteFile(folder / name, bytes);
        return folder / name;
    }
    void Open(const std::vector<StoredFile>& files) {
        WriteFile(archive, ArchiveImage(files));
        ASSERT_TRUE(store.OpenArchive(archive));
    }
    std::vector<ArchiveEntry> Reread() const {
        modKofrex fresh;
        EXPECT_TRUE(fresh.OpenArchive(archive));
        return fresh.Entries();
    }

    ScratchFolder folder;
    std::string archive = folder / "test.kfx";
    FaultyFileSystem fs;
    modKofrex store{fs};
};

TEST_F(Store, AddsGrowTheArchiveAsTheLayoutSays) {
    EXPECT_EQ(ArchiveImage({{"README.TXT", "hello"}}),
              Bytes("KFRX\x01\x01\0\0\0README.TXT     \x21\0\0\0\x05\0\0\0hello", 37));
    WriteFile(archive, Bytes(1 << 20, 'x'));
    store.CreateArchive(archive);
    EXPECT_EQ(ReadFile(archive), ArchiveImage({}));
    std::filesystem::create_directory(folder / "x");
    // Path, content, and the name it is stored under; "" where it is refused as a duplicate.
    const std::vector<std::tuple<std::string, Bytes, std::string>> adds = {
        {"x/readme.txt", "hello", "README.TXT"},
        {"README.TXT", "other", ""},
        {"x/empty", "", "EMPTY"},
        {"x/abcdefghijklmno-1.txt", "long", "ABCDEFGHIJKLMNO"},
        {"ABCDEFGHIJKLMNO-2", "other", ""}};
    std::vector<StoredFile> stored;
    for (const auto& [path, data, name] : adds) {
        store.AddFileToArchive(Source(path, data));
        if (!name.empty()) {
            stored.emplace_back(name, data);
        }
        EXPECT_EQ(ReadFile(archive), ArchiveImage(stored)) << path;
        EXPECT_EQ(store.EntryCount(), static_cast<std::int32_t>(stored.size())) << path;
    }
    EXPECT_EQ(store.Header(), (ArchiveHeader{kSignature, 1, 3}));
    EXPECT_EQ(store.Entries(), Reread());
}

TEST_F(Store, AddDeclinesLeavingTheArchiveAsItIs) {
    modKofrex none;
    none.AddFileToArchive(Source("a", "a"));
    EXPECT_EQ(none.ArchivePath(), "");
    Open({{"A", "a"}});
    std::filesystem::create_symlink(archive, folder / "link.kfx");
    for (const std::string& path : {folder / "missing", folder / "", archive, folder / "link.kfx",
                                    folder / "./test.kfx", Source("A", "same name")}) {
        store.AddFileToArchive(path);
        EXPECT_EQ(ReadFile(archive), ArchiveImage({{"A", "a"}})) << path;
        EXPECT_EQ(store.EntryCount(), 1) << path;
    }
    // Changed by another program: refusing a duplicate still brings the table up to date.
    WriteFile(archive, ArchiveImage({{"P", "pp"}, {"A", "other"}}));
    store.AddFileToArchive(folder / "A");
    EXPECT_EQ(ReadFile(archive), ArchiveImage({{"P", "pp"}, {"A", "other"}}));
    EXPECT_EQ(store.Entries(), Reread());
    const Bytes damaged = "k" + ReadFile(archive).substr(1);
    WriteFile(archive, damaged);
    store.AddFileToArchive(Source("b", "b"));
    EXPECT_EQ(ReadFile(archive), damaged);
    EXPECT_EQ(store.EntryCount(), 2);
}

TEST_F(Store, OnlyReadableArchivesOpenAndARefusedOneKeepsTheCurrentArchive) {
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_TRUE(store.FileExists(Source("empty", "")));
    EXPECT_TRUE(store.FileExists(folder / "pipe"));  // answered without waiting for a writer
    EXPECT_FALSE(store.FileExists(folder / "missing") || store.FileExists(folder / "") ||
                 store.FileExists(""));
    Open({{"A", "a"}});
    for (const std::string& path :
         {folder / "missing", folder / "", folder / "pipe", std::string("/dev/zero"),
          Source("v2", Bytes("KFRX\x02\x07\0\0\0", 9))}) {
        EXPECT_FALSE(store.OpenArchive(path)) << path;
        EXPECT_EQ(store.ArchivePath(), archive);
        EXPECT_EQ(store.EntryCount(), 1);
    }
    EXPECT_EQ(store.Header(), (ArchiveHeader{kSignature, 2, 7}));  // as read from the last one
    EXPECT_TRUE(store.OpenArchive(Source("new.kfx", ArchiveImage({}))));
    EXPECT_EQ(store.EntryCount(), 0);
}

TEST_F(Store, LookupsPreferTheExactNameThenTheLastTrimmedUpperCaseMatch) {
    Open({{"EMPTY", ""},
          {"README.TXT", "hello"},
          {" A.TXT", "space"},
          {"a.txt", "lower"},
          {"A.TXT", "first"},
          {"A.TXT", "second"}});
    // "name=bytes found"
    for (const std::string lookup :
         {"README.TXT     =hello", "readme.txt=hello", "  README.TXT =hello",
          "README.TXT\t=", "EMPTY=", "OTHER=", " A.TXT         =space", "a.txt          =lower",
          "A.TXT          =second", "a.TXT=second"}) {
        const std::size_t equals = lookup.find('=');
        EXPECT_EQ(store.GetEntryData(lookup.substr(0, equals)), lookup.substr(equals + 1))
            << lookup;
    }
    ArchiveEntry entry{"UNCHANGED", 99, 1};
    store.BuildEntry(folder / "missing", entry);
    EXPECT_EQ(entry, (ArchiveEntry{"UNCHANGED", 99, 1}));
    store.BuildEntry(Source("notes.txt", "twelve bytes"), entry);
    EXPECT_EQ(entry, (ArchiveEntry{"NOTES.TXT      ", 99, 12}));
    EXPECT_EQ(store.ReadFileBytes(folder / "missing") + store.ReadFileBytes(folder / "notes.txt"),
              "twelve bytes");
    fs.fault = [&, grown = false](std::string_view kind, int) mutable {
        if (kind == "Read" && !std::exchange(grown, true)) {  // grows while it is read
            WriteFile(folder / "notes.txt", "twelve bytes and more");
        }
        return 0;
    };
    EXPECT_EQ(store.ReadFileBytes(folder / "notes.txt"), "twelve bytes and more");
    std::filesystem::resize_file(archive, std::filesystem::file_size(archive) - 1);
    EXPECT_THROW(store.GetEntryData("A.TXT          "), ArchiveError);  // never part of it
    std::filesystem::remove(archive);
    EXPECT_EQ(store.GetEntryData("MISSING"), "");  // no match opens no file
}

TEST_F(Store, ExtractEntryReplacesTheFileALinkNamesAndKeepsLinkAndMode) {
    const Bytes large(3 << 20, 'L');  // several copy buffers
    Open({{"SMALL", "abc"}, {"LARGE", large}, {"EMPTY", ""}});
    const std::string real = Source("real", Bytes(100, 'x'));
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    std::filesystem::create_symlink(real, folder / "link");
    for (const auto& [row, data] :
         std::vector<std::pair<int, Bytes>>{{2, large}, {1, "abc"}, {3, ""}}) {
        EXPECT_TRUE(store.ExtractEntry(row, folder / "link"));
        EXPECT_EQ(ReadFile(real), data) << row;
    }
    EXPECT_EQ(std::filesystem::status(real).permissions(), std::filesystem::perms(0640));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link"));
    EXPECT_EQ(ErrorOf([&] { store.ExtractEntry(1, folder / "no-folder/x"); }), ENOENT);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"link", "real", "test.kfx"}));
}

TEST(StoredName, IsTheLastComponentInWindows1252UpperCaseAndCutTo15Bytes) {
    const std::vector<std::pair<std::string, std::string>> names = {
        {"C:\\Data\\Level1.map", "LEVEL1.MAP     "},
        {"a/b\\c.txt", "C.TXT          "},
        {"a\\b/c.txt", "C.TXT          "},
        {"D:readme", "D:README       "},
        {"/tmp/folder/", "               "},
        {"/x/abcdefghijklm\xC3\xA9xyz", "ABCDEFGHIJKLM\xC9X"},  // é is one byte once converted
        {"\xC5\xA1\xC5\x93\xC5\xBE\xC3\xBF\xC3\xA0\xC3\xBE", "\x8A\x8C\x8E\x9F\xC0\xDE         "},
        {"\xC3\xB7\xC3\x9F\xC2\xB5", "\xF7\xDF\xB5            "},                    // no capitals
        {"\xE6\x97\xA5\xF0\x9F\x98\x80\xC2\x81\xE2\x82\xAC", "???\x80           "},  // only € fits
        {"a\xFF"
         "b\xC3(\xC0\xAF\xED\xA0\x80\xC3",
         "A?B?(???       "}};  // invalid, overlong, surrogate, cut short
    for (const auto& [path, stored] : names) {
        EXPECT_EQ(FitName(GetStoredName(path)), stored) << path;
    }
    EXPECT_EQ(DecodeWindows1252("\x80\xC9 A"), "\xE2\x82\xAC\xC3\x89 A");
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
        const std::string single(1, static_cast<char>(byte));
        const bool unassigned =
            byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
        EXPECT_EQ(EncodeWindows1252(DecodeWindows1252(single)), unassigned ? "?" : single) << byte;
    }
}

}  // namespace
}  // namespace kofrex::test
