// Adds that run out of room for real: on a small tmpfs filled to a series of levels, and under
// a file-size limit (RLIMIT_FSIZE) between the old and the new archive's size. The archive
// stays as it was, the table still mirrors it, the error carries the system's number and text,
// and nothing is left behind.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "modKofrex.h"
#include "test_support.h"

namespace kofrex {
namespace {

using test::ArchiveImage;
using test::Hash64;
using test::ReadFile;
using test::WriteFile;

constexpr std::size_t kKiB = 1024;

ByteString Pattern(std::size_t size, unsigned seed) {
    ByteString bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * seed + (i >> 9));
    }
    return bytes;
}

class FullTmpfs : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(disk);
        if (::mount("tmpfs", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=4m") != 0) {
            GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno)
                         << "): needs root with CAP_SYS_ADMIN";
        }
        mounted = true;
        original = ArchiveImage({{"FIRST.BIN      ", Pattern(700 * kKiB, 7)},
                                 {"EMPTY          ", ""},
                                 {"SECOND.BIN     ", Pattern(300 * kKiB, 13)}});
        WriteFile(source, Pattern(1000 * kKiB, 31));  // outside the tmpfs
    }
    void TearDown() override {
        if (mounted) {
            ::umount2(disk.c_str(), MNT_DETACH);
        }
    }
    std::int64_t FreeBytes() const {
        struct statvfs status {};
        EXPECT_EQ(::statvfs(disk.c_str(), &status), 0);
        return static_cast<std::int64_t>(status.f_bavail) *
               static_cast<std::int64_t>(status.f_frsize);
    }
    std::vector<std::string> NamesOnDisk() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(disk)) {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    test::ScratchFolder folder;
    std::string disk = folder / "disk";
    std::string archive = disk + "/archive.kfx";
    std::string filler = disk + "/filler";
    std::string source = folder / "source.bin";
    ByteString original;
    bool mounted = false;
};

TEST_F(FullTmpfs, AnAddThatRunsOutOfSpaceLeavesTheArchiveAndRaisesENOSPC) {
    const std::size_t grownSize = original.size() + 23 + 1000 * kKiB;
    int refused = 0;
    int added = 0;
    // Free space left for the add, from none to more than the whole new archive needs.
    for (std::int64_t room = 0; room <= static_cast<std::int64_t>(grownSize + 64 * kKiB);
         room += 96 * kKiB) {
        std::filesystem::remove(filler);
        WriteFile(archive, original);
        modKofrex store;
        ASSERT_TRUE(store.OpenArchive(archive));
        const std::vector<ArchiveEntry> before = store.Entries();
        const std::int64_t take = FreeBytes() - room;
        if (take > 0) {
            WriteFile(filler, ByteString(static_cast<std::size_t>(take), 'f'));
        }
        const std::string where = std::to_string(room / 1024) + " KiB free";
        try {
            store.AddFileToArchive(source);
        } catch (const ArchiveError& error) {
            ++refused;
            EXPECT_EQ(error.Number(), ENOSPC) << where;
            EXPECT_EQ(error.Description(), std::strerror(ENOSPC)) << where;
            EXPECT_EQ(Hash64(ReadFile(archive)), Hash64(original)) << "archive changed, " << where;
            EXPECT_EQ(store.Entries(), before) << where;
            EXPECT_EQ(NamesOnDisk(), (std::vector<std::string>{"archive.kfx", "filler"}))
                << "leftover, " << where;
            continue;
        }
        ++added;
        EXPECT_EQ(std::filesystem::file_size(archive), grownSize) << where;
        modKofrex fresh;
        ASSERT_TRUE(fresh.OpenArchive(archive));
        EXPECT_EQ(store.Entries(), fresh.Entries()) << where;
    }
    std::cout << "tmpfs: " << refused << " adds refused with ENOSPC, " << added
              << " fitted (archive " << original.size() << " -> " << grownSize << " bytes)\n";
    EXPECT_GT(refused, 10);
    EXPECT_GT(added, 0);
}

// Runs one add in a child whose files may not grow past `limit` bytes; returns the error
// number the add raised, 0 when it succeeded.
int AddUnderFileSizeLimit(const std::string& archive, const std::string& source, std::int64_t limit,
                          std::string& description) {
    int report[2];
    if (::pipe(report) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        const rlimit size{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        char message[256] = {};
        int number = -1;
        if (::setrlimit(RLIMIT_FSIZE, &size) == 0) {
            try {
                modKofrex store;
                number = store.OpenArchive(archive) ? 0 : -2;
                if (number == 0) {
                    store.AddFileToArchive(source);
                }
            } catch (const ArchiveError& error) {
                number = error.Number();
                std::strncpy(message, error.Description().c_str(), sizeof message - 1);
            }
        }
        const bool sent = ::write(report[1], &number, sizeof number) == sizeof number &&
                          ::write(report[1], message, sizeof message) == sizeof message;
        ::_exit(sent ? 0 : 1);
    }
    ::close(report[1]);
    int number = -1;
    char message[256] = {};
    if (child < 0 || ::read(report[0], &number, sizeof number) != sizeof number ||
        ::read(report[0], message, sizeof message) != sizeof message) {
        number = -1;
    }
    ::close(report[0]);
    int status = 0;
    if (child > 0) {
        ::waitpid(child, &status, 0);
    }
    description = message;
    return number;
}

TEST(FileSizeLimit, AnAddPastTheLimitLeavesTheArchiveAndRaisesEFBIG) {
    test::ScratchFolder folder;
    const std::string archive = folder / "archive.kfx";
    const std::string source = folder / "source.bin";
    const ByteString original =
        ArchiveImage({{"FIRST.BIN      ", Pattern(400 * kKiB, 7)}, {"EMPTY          ", ""}});
    WriteFile(source, Pattern(300 * kKiB, 31));
    const std::int64_t oldSize = static_cast<std::int64_t>(original.size());
    const std::int64_t newSize = oldSize + 23 + 300 * kKiB;

    std::vector<std::int64_t> limits{oldSize,     oldSize + 1, oldSize + 22, oldSize + 23,
                                     newSize - 1, newSize,     newSize + 1};
    for (int step = 1; step < 16; ++step) {
        limits.push_back(oldSize + (newSize - oldSize) * step / 16);
    }
    int refused = 0;
    for (const std::int64_t limit : limits) {
        WriteFile(archive, original);
        std::string description;
        const int number = AddUnderFileSizeLimit(archive, source, limit, description);
        const std::string where = "limit " + std::to_string(limit);
        modKofrex fresh;
        ASSERT_TRUE(fresh.OpenArchive(archive)) << where;
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"archive.kfx", "source.bin"}))
            << "leftover, " << where;
        if (limit < newSize) {
            ++refused;
            EXPECT_EQ(number, EFBIG) << where;
            EXPECT_EQ(description, std::strerror(EFBIG)) << where;
            EXPECT_EQ(Hash64(ReadFile(archive)), Hash64(original)) << "archive changed, " << where;
            EXPECT_EQ(fresh.EntryCount(), 2) << where;
        } else {
            EXPECT_EQ(number, 0) << where << ": " << description;
            EXPECT_EQ(static_cast<std::int64_t>(std::filesystem::file_size(archive)), newSize);
            EXPECT_EQ(fresh.EntryCount(), 3) << where;
        }
    }
    std::cout << "RLIMIT_FSIZE: " << limits.size() << " limits from " << oldSize << " to "
              << newSize + 1 << " bytes, " << refused << " refused with EFBIG\n";
}

}  // namespace
}  // namespace kofrex
