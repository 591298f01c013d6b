// The archive shared with other programs and windows, odd files around it, and long work that
// the user stops.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "modKofrex.h"
#include "test_support.h"

namespace kofrex {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadFile;
using test::WriteFile;
using Work = std::function<void()>;

// The number and description of the error `work` raises; 0 and "" when it raises none.
std::pair<int, std::string> ErrorOf(const Work& work) {
    try {
        work();
    } catch (const ArchiveError& error) {
        return {error.Number(), error.Description()};
    }
    return {0, ""};
}

// Runs `work` in a child as the user nobody, with the group users as its second group.
bool AsNobody(const std::function<bool()>& work) {
    const gid_t groups[] = {65534, 100};
    if (fork() == 0) {
        _exit(setgroups(2, groups) || setresgid(65534, 65534, 65534) ||
              setresuid(65534, 65534, 65534) || !work());
    }
    int status = 1;
    wait(&status);
    return status == 0;
}

class SharedArchive : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteFile(archive, test::ArchiveImage({{"ONE", "first"}}));
        ASSERT_TRUE(store.OpenArchive(archive));
        alarm(60);  // a hang fails the test instead of freezing the run
    }
    void TearDown() override { alarm(0); }
    Work Add(const std::string& name, const Bytes& bytes, modKofrex* into = nullptr) {
        WriteFile(folder / name, bytes);
        return [=, this] { (into ? *into : store).AddFileToArchive(folder / name); };
    }
    std::vector<ArchiveEntry> Reread() const {
        modKofrex fresh;
        fresh.OpenArchive(archive);
        return fresh.Entries();
    }

    test::ScratchFolder folder;
    const std::string archive = folder / "shared.kfx", target = folder / "target";
    modKofrex store, other;
};

TEST_F(SharedArchive, AStaleTableExtractsNothingUntilReadAgain) {
    const Work changes[] = {
        [&] { other.OpenArchive(archive), Add("b", "bb", &other)(); },  // replaced by rename
        [&] { std::fstream(archive, std::ios::in | std::ios::out).seekp(32).put('F'); }};
    for (const Work& change : changes) {
        ASSERT_TRUE(store.OpenArchive(archive));
        usleep(10'000);  // a coarse clock would give the change the same modification time
        change();
        WriteFile(target, "kept");
        EXPECT_FALSE(store.ArchiveUnchanged());
        EXPECT_FALSE(store.ExtractEntry(1, target));
        EXPECT_EQ(ReadFile(target), "kept");
    }
    ASSERT_TRUE(store.OpenArchive(archive));
    EXPECT_TRUE(store.ArchiveUnchanged() && store.ExtractEntry(2, target));
    EXPECT_EQ(ReadFile(target), "bb");
}

TEST_F(SharedArchive, AnAddWaitsForAnotherAddAndKeepsItsEntry) {
    const int held = open(archive.c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);  // another window is adding
    int waits = 0;
    store.SetProgress([&](const Progress& progress) {
        if (progress.waiting && ++waits == 1) {  // that add ends and renames a new archive in
            close(held);
            other.OpenArchive(archive), Add("theirs", "T", &other)();
        }
        return true;
    });
    Add("mine", "M")();
    EXPECT_EQ(waits, 1);
    const std::vector<ArchiveEntry> entries = Reread();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].Name + entries[2].Name, "THEIRS         MINE           ");
    EXPECT_EQ(store.Entries(), entries);
}

TEST_F(SharedArchive, ProgressCountsEveryByteAndCancelLeavesEveryFileAsItWas) {
    Progress last;
    store.SetProgress([&](const Progress& p) { return last = p, true; });
    Add("big", Bytes(3 << 20, 'b'))();  // the moved data count too
    EXPECT_EQ(last.done, (3 << 20) + 5);
    EXPECT_EQ(last.total, last.done);

    const Work addMore = Add("more", Bytes(3 << 20, 'm'));
    WriteFile(target, "kept");
    const Bytes before = ReadFile(archive);
    const int held = open(archive.c_str(), O_RDONLY);
    const std::tuple<int, Work> cases[] = {
        {LOCK_SH, addMore}, {LOCK_UN, addMore}, {LOCK_UN, [&] { store.ExtractEntry(2, target); }}};
    for (const auto& [lock, work] : cases) {
        flock(held, lock);  // another program's, meanwhile
        store.SetProgress([&](const Progress& p) {
            return last = p, !p.waiting && p.done < (1 << 20);  // stops after 1 MiB or waiting
        });
        EXPECT_THROW(work(), OperationCancelled);
        EXPECT_EQ(last.waiting, lock != LOCK_UN);
        EXPECT_EQ(ReadFile(archive), before);
        EXPECT_EQ(ReadFile(target), "kept");
        EXPECT_EQ(folder.Names(),
                  (std::vector<std::string>{"big", "more", "shared.kfx", "target"}));
        EXPECT_EQ(store.Entries(), Reread());
    }
}

TEST_F(SharedArchive, OnlyRegularFilesAreReadOrWritten) {
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_directory(folder / "folder");
    const Bytes before = ReadFile(archive);
    for (const std::string& source : {std::string("/dev/zero"), folder / "fifo"}) {
        store.AddFileToArchive(source);  // declined, as an unreadable file is
        EXPECT_EQ(ReadFile(archive), before) << source;
    }
    for (const std::string& bad : {folder / "fifo", folder / "folder"}) {
        const auto [number, description] = ErrorOf([&] { store.ExtractEntry(1, bad); });
        EXPECT_EQ(description.find("Could not write " + bad + ": it is not a regular file"), 0u);
        EXPECT_EQ(ErrorOf([&] { other.CreateArchive(bad); }).first, EINVAL) << bad;
    }
    // Anything at a path is worth the overwrite question, even what FileExists does not see.
    WriteFile(folder / "write-only", "x");
    fs::permissions(folder / "write-only", fs::perms::owner_write);
    fs::create_symlink(folder / "nowhere", folder / "dangling");
    for (const auto& [name, something] :
         {std::pair{"write-only", true}, {"dangling", true}, {"nowhere", false}}) {
        EXPECT_EQ(store.SomethingAt(folder / name), something) << name;
    }
}

TEST_F(SharedArchive, ReplacingKeepsAttributesAndRefusesWhatItWouldBreak) {
    if (setxattr(archive.c_str(), "user.kofrex", "tag", 3, 0) != 0 || geteuid() != 0) {
        GTEST_SKIP() << "needs user extended attributes, and root to act as another user";
    }
    fs::create_symlink("made-by-link", folder / "dangling");
    Add("a", "a")();
    store.ExtractEntry(2, folder / "dangling");
    EXPECT_EQ(ReadFile(folder / "made-by-link"), "a");
    EXPECT_TRUE(fs::is_symlink(folder / "dangling"));
    char value[4] = {};
    EXPECT_EQ(getxattr(archive.c_str(), "user.kofrex", value, 3), 3);
    EXPECT_STREQ(value, "tag");

    fs::create_hard_link(archive, folder / "second-name");
    const Bytes before = ReadFile(archive);
    EXPECT_EQ(ErrorOf(Add("b", "b")).first, EMLINK);
    fs::remove(folder / "second-name");
    EXPECT_EQ(ReadFile(archive), before);

    fs::permissions(folder / ".", fs::perms::all);
    chown(archive.c_str(), 0, 100);  // not nobody's, but its group may write it
    chmod(archive.c_str(), 0664);
    const Work addC = Add("c", "c"), addD = Add("d", "d");
    EXPECT_TRUE(AsNobody([&] {  // the group is kept, though nobody cannot keep the owner
        struct stat status {};
        return addC(), stat(archive.c_str(), &status) == 0 && status.st_gid == 100;
    }));
    chown(archive.c_str(), 0, 0);
    const Bytes owned = ReadFile(archive);
    // Readable but not writable for nobody: refused, as writing it in place would be.
    EXPECT_TRUE(AsNobody([&] { return ErrorOf(addD).first == EACCES; }));
    EXPECT_EQ(ReadFile(archive), owned);
}

class NoUnnamedFiles : public FileSystem {
    int OpenUnnamed(const char*, mode_t) override { return errno = EOPNOTSUPP, -1; }
};

TEST_F(SharedArchive, NamesAsLongAsTheFileSystemAllowsWorkRowByRow) {
    NoUnnamedFiles named;
    for (FileSystem* files : {&FileSystem::Default(), static_cast<FileSystem*>(&named)}) {
        modKofrex longNames(*files);
        const std::string longArchive = folder / (std::string(245, 'a') + ".kfx");  // 249 bytes
        WriteFile(longArchive, test::ArchiveImage({{"TWIN", "first"}, {"TWIN", "second"}}));
        ASSERT_TRUE(longNames.OpenArchive(longArchive));
        Add("c", "third", &longNames)();
        for (const auto& [row, bytes] : {std::pair{1, "first"}, {2, "second"}, {3, "third"}}) {
            EXPECT_TRUE(longNames.ExtractEntry(row, folder / std::string(250, 't')));
            EXPECT_EQ(ReadFile(folder / std::string(250, 't')), bytes);
        }
        fs::remove(longArchive);
    }
}

}  // namespace
}  // namespace kofrex
