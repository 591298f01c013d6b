// Adds that fail part-way: each call of an add failed in turn and the process killed before
// each call, a really full disk, positions past the signed 32-bit range, a source that grows
// past its limit. The archive is always the old one or the new one, the table mirrors it and no
// temporary file stays behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <sys/xattr.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "file.h"
#include "modKofrex.h"
#include "test_support.h"

namespace kofrex::test {
namespace {

using Names = std::vector<std::string>;
using Fault = std::function<int(std::string_view, int)>;

// Two copy buffers on either side, so that failures and kills fall between their pieces too.
const Bytes kOriginal = ArchiveImage({{"ONE", Bytes((1 << 20) + 7, '1')}, {"TWO", "22"}});

class FailingAdd : public ::testing::TestWithParam<bool> {  // whether unnamed files exist
  protected:
    // Adds the source to kOriginal with the calls failed that `fault` fails, numbered from the
    // add's first; returns the error number raised, 0 for none.
    int Add(const Fault& fault) {
        WriteFile(archive, kOriginal);
        // An attribute the archive carries is copied to the new one before it takes its place.
        const bool tagged = ::setxattr(archive.c_str(), "user.kofrex", "tag", 3, 0) == 0;
        FaultyFileSystem fs;
        modKofrex store(fs);
        EXPECT_TRUE(store.OpenArchive(archive));
        const int before = static_cast<int>(fs.calls.size());
        fs.fault = [&](std::string_view kind, int number) {
            const int error = fault(kind, number - before);
            return error == 0 && !GetParam() && kind == "OpenUnnamed" ? EOPNOTSUPP : error;
        };
        const int raised = ErrorOf([&] { store.AddFileToArchive(source); });
        calls.assign(fs.calls.begin() + before, fs.calls.end());
        modKofrex fresh;
        EXPECT_TRUE(fresh.OpenArchive(archive));
        EXPECT_EQ(store.Entries(), fresh.Entries()) << "the table does not mirror the archive";
        char tag[3] = {};
        EXPECT_TRUE(!tagged || ::getxattr(archive.c_str(), "user.kofrex", tag, 3) == 3);
        return raised;
    }
    // What the folder holds besides the archive and the source.
    Names Left() {
        Names left = folder.Names();
        std::erase(left, "archive.kfx"), std::erase(left, "source.bin");
        return left;
    }

    ScratchFolder folder;
    std::string archive = folder / "archive.kfx", source = folder / "source.bin";
    std::vector<std::string> calls;
};

TEST_P(FailingAdd, EachFailingOrKilledCallLeavesTheOldArchiveOrTheNewOne) {
    WriteFile(source, Bytes((1 << 20) + 5, 's'));
    ASSERT_EQ(Add([](std::string_view, int) { return 0; }), 0);
    const Bytes grown = ReadFile(archive);
    const Names clean = calls;  // the calls of an add that nothing disturbs
    const auto rename = std::find(clean.begin(), clean.end(), "Rename");
    const int renameCall = static_cast<int>(rename - clean.begin()) + 1;
    const int firstWrite =
        static_cast<int>(std::find(clean.begin(), rename, "WriteAt") - clean.begin()) + 1;
    ASSERT_NE(rename, clean.end());
    // The new archive must be on the disk before it takes the old one's name.
    const auto lastWrite = std::find(std::make_reverse_iterator(rename), clean.rend(), "WriteAt");
    EXPECT_NE(std::find(lastWrite.base(), rename, "Sync"), rename) << "no flush before the rename";
    for (int k = 1; k <= std::ssize(clean) && !HasFailure(); ++k) {
        const std::string& kind = clean[k - 1];
        const std::string at = "call " + std::to_string(k) + " " + kind;
        if (const pid_t child = ::fork(); child == 0) {
            Add([&](std::string_view, int number) { return number == k ? ::raise(SIGKILL) : 0; });
            ::_exit(0);
        }
        int status = 0;
        ::wait(&status);
        EXPECT_TRUE(WIFSIGNALED(status)) << at;
        EXPECT_TRUE(ReadFile(archive) == (k <= renameCall ? kOriginal : grown)) << "killed " << at;
        // Only a kill between naming the new archive and the rename may leave that name.
        const bool named =
            std::count(clean.begin(), clean.begin() + k - 1, GetParam() ? "Name" : "OpenUnnamed");
        EXPECT_LE(Left().size(), named && k <= renameCall ? 1u : 0u) << "killed " << at;
        for (const std::string& name : Left()) {
            std::filesystem::remove(folder / name);
        }
        const bool moves = kind == "Read" || kind == "ReadAt" || kind == "WriteAt";  // can be short
        for (const auto& [error, persistent] :
             {std::pair{EIO, false}, {ENOSPC, true}, {int{FaultyFileSystem::kShort}, false}}) {
            if (error == FaultyFileSystem::kShort && !moves) {
                continue;
            }
            const int raised = Add([&](std::string_view call, int number) {
                const bool fails = number == k || (persistent && number > k);
                return fails && call != "Remove" ? error : 0;  // a failed removal must leave one
            });
            const Bytes after = ReadFile(archive);
            const std::string where =
                at + " error " + std::to_string(error) + (persistent ? " and later" : "");
            EXPECT_TRUE(raised == 0 || raised == error) << where;
            EXPECT_EQ(Left(), Names{}) << where;
            // From the first write to the rename every call serves the new archive: none may
            // fail unreported, but the early write-back, which is only a hint.
            if (error > 0 && k > firstWrite && k < renameCall && kind != "StartWriteBack") {
                EXPECT_EQ(raised, error) << "unreported, " << where;
            }
            if (k > renameCall) {
                EXPECT_TRUE(after == grown) << where;
                EXPECT_TRUE(raised != 0 || kind != "Sync") << "unreported, " << where;
            } else if (raised != 0) {
                EXPECT_TRUE(after == kOriginal) << where;
            } else if (after == kOriginal) {  // declined: only a failed test of a file may do that
                EXPECT_TRUE(persistent || kind == "Open" || kind == "Status") << where;
            } else {
                EXPECT_TRUE(after == grown) << where;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Store, FailingAdd, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Unnamed" : "NamedOnly"; });

TEST(FullDisk, AnAddThatRunsOutOfSpaceRaisesENOSPCAndLeavesTheArchive) {
    ScratchFolder folder;
    const std::string disk = folder / "disk", archive = disk + "/archive.kfx";
    std::filesystem::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=2m") != 0) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    const std::shared_ptr<void> unmount(nullptr,
                                        [&](void*) { ::umount2(disk.c_str(), MNT_DETACH); });
    const Bytes original = ArchiveImage({{"FIRST", Bytes(700 << 10, '7')}});
    WriteFile(archive, original);
    WriteFile(folder / "source", Bytes(1 << 20, 's'));  // the old and the new archive: > 2 MiB
    modKofrex store;
    ASSERT_TRUE(store.OpenArchive(archive));
    EXPECT_EQ(ErrorOf([&] { store.AddFileToArchive(folder / "source"); }), ENOSPC);
    EXPECT_EQ(ReadFile(archive), original);
    EXPECT_EQ(store.EntryCount(), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk), {}), 1);
}

TEST(Overflow, PositionsPastTheSigned32BitRangeAreRefusedBeforeWriting) {
    ScratchFolder folder;
    const std::string archive = folder / "big.kfx";
    WriteFile(folder / "eleven", Bytes(11, 'e'));
    WriteFile(folder / "empty", "");
    // The new entry would start at 2^31, even with no data; then there is room for 10 data
    // bytes, not 11.
    for (const std::int32_t length : {0x7FFFFFFF - 23, 0x7FFFFFFF - 23 - 10}) {
        WriteFile(archive, ArchiveImage({{"BIG", ""}}).replace(28, 4, Le32(length - 32)));
        std::filesystem::resize_file(archive, length);
        modKofrex store;
        ASSERT_TRUE(store.OpenArchive(archive));
        struct stat before {
        }, after{};
        ::stat(archive.c_str(), &before);
        EXPECT_EQ(ErrorOf([&] { store.AddFileToArchive(folder / "eleven"); }), EOVERFLOW);
        if (length == 0x7FFFFFFF - 23) {
            EXPECT_EQ(ErrorOf([&] { store.AddFileToArchive(folder / "empty"); }), EOVERFLOW);
        }
        ::stat(archive.c_str(), &after);  // the store never writes in place: same file, same size
        EXPECT_EQ(std::pair(after.st_ino, after.st_size), std::pair(before.st_ino, before.st_size));
        EXPECT_EQ(folder.Names(), (Names{"big.kfx", "eleven", "empty"}));
    }
    // A pipe or a growing file is known too long only once read.
    FileSystem& fs = FileSystem::Default();
    std::optional<File> eleven = File::OpenSource(fs, folder / "eleven");
    EXPECT_EQ(ErrorOf([&] { File::OpenSource(fs, folder / "eleven")->ReadWhole(10); }), EOVERFLOW);
    File out(fs, fs.Open((folder / "out").c_str(), O_RDWR | O_CREAT, 0600), folder / "out");
    const ProgressCallback none;
    CopyMeter meter(none, 11);
    EXPECT_EQ(ErrorOf([&] { out.CopyRestOf(*eleven, 0, 10, meter, archive); }), EOVERFLOW);
}

}  // namespace
}  // namespace kofrex::test
