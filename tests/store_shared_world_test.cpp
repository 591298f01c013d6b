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

class SharedArchive : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteFile(archive, test::ArchiveImage({{"ONE            ", "first"}}));
        ASSERT_TRUE(store.OpenArchive(archive));
        alarm(60);  // a hang fails the test instead of freezing the run
    }
    void TearDown() override { alarm(0); }
    std::string Source(const std::string& name, const Bytes& bytes) {
        WriteFile(folder / name, bytes);
        return folder / name;
    }
    // Runs `work` as the user nobody, with `group` as a second group; its exit status.
    static int AsNobody(gid_t group, const std::function<bool()>& work) {
        const pid_t child = fork();
        if (child == 0) {
            const gid_t groups[] = {65534, group};
            _exit(setgroups(2, groups) == 0 && setresgid(65534, 65534, 65534) == 0 &&
                          setresuid(65534, 65534, 65534) == 0 && work()
                      ? 0
                      : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    test::ScratchFolder folder;
    const std::string archive = folder / "shared.kfx";
    modKofrex store;
};

TEST_F(SharedArchive, AStaleTableExtractsNothingUntilReadAgain) {
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"another program's add",
         [&] {
             modKofrex other;
             other.OpenArchive(archive);
             other.AddFileToArchive(Source("b", "bb"));
         }},
        {"rewritten in place",
         [&] {
             std::fstream f(archive, std::ios::in | std::ios::out);
             f.seekp(32);
             f.put('F');
         }},
    };
    for (const auto& [what, change] : changes) {
        ASSERT_TRUE(store.OpenArchive(archive));
        usleep(10'000);  // a coarse clock would give the change the same modification time
        change();
        WriteFile(folder / "target", "kept");
        EXPECT_FALSE(store.ArchiveUnchanged()) << what;
        EXPECT_FALSE(store.ExtractEntry(1, folder / "target")) << what;
        EXPECT_EQ(ReadFile(folder / "target"), "kept") << what;
    }
    ASSERT_TRUE(store.OpenArchive(archive));
    EXPECT_TRUE(store.ArchiveUnchanged());
    EXPECT_TRUE(store.ExtractEntry(2, folder / "target"));
    EXPECT_EQ(ReadFile(folder / "target"), "bb");
}

TEST_F(SharedArchive, AnAddWaitsForAnotherAddAndKeepsItsEntry) {
    const int held = open(archive.c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);  // another window is adding
    int waits = 0;
    store.SetProgress([&](const Progress& progress) {
        if (progress.waiting && ++waits == 1) {  // that window's add ends: its lock goes
            close(held);
            modKofrex other;
            other.OpenArchive(archive);
            other.AddFileToArchive(Source("theirs", "T"));
        }
        return true;
    });
    store.AddFileToArchive(Source("mine", "M"));
    EXPECT_EQ(waits, 1);
    modKofrex fresh;
    ASSERT_TRUE(fresh.OpenArchive(archive));
    ASSERT_EQ(fresh.EntryCount(), 3);
    EXPECT_EQ(fresh.Entries()[1].Name, "THEIRS         ");
    EXPECT_EQ(fresh.Entries()[2].Name, "MINE           ");
    EXPECT_EQ(store.Entries(), fresh.Entries());
}

TEST_F(SharedArchive, ProgressCountsEveryByteAndCancelLeavesEveryFileAsItWas) {
    Progress last;
    store.SetProgress([&](const Progress& p) { return last = p, true; });
    store.AddFileToArchive(Source("big", Bytes(3 << 20, 'b')));  // the moved data count too
    EXPECT_EQ(last.done, (3 << 20) + 5);
    EXPECT_EQ(last.total, last.done);

    const std::string more = Source("more", Bytes(3 << 20, 'm'));
    WriteFile(folder / "target", "kept");
    const Bytes before = ReadFile(archive);
    const int other = open(archive.c_str(), O_RDONLY);
    struct Case {
        const char* what;
        int lock;  // held by another program meanwhile, or LOCK_UN
        std::function<void()> work;
    };
    const std::vector<Case> cases{
        {"add waiting for a lock", LOCK_SH, [&] { store.AddFileToArchive(more); }},
        {"add", LOCK_UN, [&] { store.AddFileToArchive(more); }},
        {"extract", LOCK_UN, [&] { store.ExtractEntry(2, folder / "target"); }},
    };
    for (const Case& c : cases) {
        flock(other, c.lock);
        store.SetProgress([&](const Progress& p) {
            last = p;
            return !p.waiting && p.done < (1 << 20);  // stops after the first MiB, or waiting
        });
        EXPECT_THROW(c.work(), OperationCancelled) << c.what;
        EXPECT_EQ(last.waiting, c.lock != LOCK_UN) << c.what;
        EXPECT_EQ(ReadFile(archive), before) << c.what;
        EXPECT_EQ(ReadFile(folder / "target"), "kept") << c.what;
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"big", "more", "shared.kfx", "target"}))
            << c.what;
        modKofrex fresh;
        fresh.OpenArchive(archive);
        EXPECT_EQ(store.Entries(), fresh.Entries()) << c.what;
    }
    close(other);
}

TEST_F(SharedArchive, OnlyRegularFilesAreReadOrWritten) {
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    const Bytes before = ReadFile(archive);
    for (const char* source : {"/dev/zero", "fifo"}) {
        store.AddFileToArchive(source[0] == '/' ? source : folder / source);  // declined
        EXPECT_EQ(ReadFile(archive), before) << source;
    }
    fs::create_directory(folder / "folder");
    for (const char* target : {"fifo", "folder"}) {
        try {
            store.ExtractEntry(1, folder / target);
            ADD_FAILURE() << target << " was written";
        } catch (const ArchiveError& error) {
            EXPECT_NE(error.Description().find(folder / target), std::string::npos);
            EXPECT_NE(error.Description().find("not a regular file"), std::string::npos);
        }
        EXPECT_THROW(modKofrex().CreateArchive(folder / target), ArchiveError) << target;
    }
}

TEST_F(SharedArchive, SomethingAtCountsWhatFileExistsMisses) {
    WriteFile(folder / "write-only", "x");
    fs::permissions(folder / "write-only", fs::perms::owner_write);
    fs::create_symlink(folder / "nowhere", folder / "dangling");
    EXPECT_TRUE(store.SomethingAt(folder / "write-only"));
    EXPECT_TRUE(store.SomethingAt(folder / "dangling"));
    EXPECT_FALSE(store.SomethingAt(folder / "nowhere"));
    EXPECT_FALSE(store.SomethingAt(""));
}

TEST_F(SharedArchive, ReplacingKeepsAttributesAndRefusesWhatItWouldBreak) {
    if (setxattr(archive.c_str(), "user.kofrex", "tag", 3, 0) != 0) {
        GTEST_SKIP() << "no user extended attributes here";
    }
    fs::create_symlink("made-by-link", folder / "dangling");
    store.AddFileToArchive(Source("a", "a"));
    store.ExtractEntry(2, folder / "dangling");
    EXPECT_EQ(ReadFile(folder / "made-by-link"), "a");
    EXPECT_TRUE(fs::is_symlink(folder / "dangling"));
    char value[8] = {};
    EXPECT_EQ(getxattr(archive.c_str(), "user.kofrex", value, sizeof value), 3);
    EXPECT_STREQ(value, "tag");

    fs::create_hard_link(archive, folder / "second-name");
    const Bytes before = ReadFile(archive);
    try {
        store.AddFileToArchive(Source("b", "b"));
        ADD_FAILURE() << "a hard-linked archive was split";
    } catch (const ArchiveError& error) {
        EXPECT_EQ(error.Number(), EMLINK);
    }
    fs::remove(folder / "second-name");
    EXPECT_EQ(ReadFile(archive), before);

    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    const gid_t users = 100;
    fs::permissions(folder / ".", fs::perms::all);
    chown(archive.c_str(), 0, users);  // not nobody's, but its group may write it
    chmod(archive.c_str(), 0664);
    EXPECT_EQ(AsNobody(users,
                       [&] {  // the group is kept, though nobody's own group differs
                           modKofrex mine;
                           mine.OpenArchive(archive);
                           mine.AddFileToArchive(Source("c", "c"));
                           struct stat status {};
                           return stat(archive.c_str(), &status) == 0 && status.st_gid == users;
                       }),
              0);
    chown(archive.c_str(), 0, 0);
    const Bytes owned = ReadFile(archive);
    EXPECT_EQ(AsNobody(users,
                       [&] {  // readable, not writable: refused, as writing in place is
                           modKofrex mine;
                           mine.OpenArchive(archive);
                           try {
                               mine.AddFileToArchive(Source("d", "d"));
                           } catch (const ArchiveError& error) {
                               return error.Number() == EACCES;
                           }
                           return false;
                       }),
              0);
    EXPECT_EQ(ReadFile(archive), owned);
}

class FailingUnnamedFiles : public FileSystem {
    int OpenUnnamed(const char*, mode_t) override {
        errno = EOPNOTSUPP;
        return -1;
    }
};

TEST_F(SharedArchive, NamesAsLongAsTheFileSystemAllowsWorkRowByRow) {
    FailingUnnamedFiles named;
    for (FileSystem* files : {&FileSystem::Default(), static_cast<FileSystem*>(&named)}) {
        modKofrex longNames(*files);
        const std::string longArchive = folder / (std::string(245, 'a') + ".kfx");  // 249 bytes
        WriteFile(longArchive, test::ArchiveImage(
                                   {{"TWIN           ", "first"}, {"TWIN           ", "second"}}));
        ASSERT_TRUE(longNames.OpenArchive(longArchive));
        longNames.AddFileToArchive(Source("c", "third"));
        ASSERT_EQ(longNames.EntryCount(), 3);
        const std::string longTarget = folder / std::string(250, 't');
        for (const auto& [row, bytes] : {std::pair{1, "first"}, {2, "second"}, {3, "third"}}) {
            ASSERT_TRUE(longNames.ExtractEntry(row, longTarget));
            EXPECT_EQ(ReadFile(longTarget), bytes);
        }
        fs::remove(longArchive);
        fs::remove(longTarget);
    }
}

}  // namespace
}  // namespace kofrex
