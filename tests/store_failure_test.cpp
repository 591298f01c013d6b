// Adds that fail part-way: every failing call in turn, overflowing positions, and a source
// whose length is only known once it has been read.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <thread>

#include "modKofrex.h"
#include "test_support.h"

namespace kofrex {
namespace {

using test::ArchiveImage;
using test::EntryImage;
using test::FaultyFileSystem;
using test::Hash64;
using test::Le32;
using test::ReadFile;
using test::WriteFile;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

class FailingAdd : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteFile(source, ByteString(300000, 's'));
        original = ArchiveImage({{"ONE            ", ByteString(200000, '1')},
                                 {"TWO            ", ByteString(5, '2')}});
        WriteFile(archive, original);
        modKofrex clean;
        ASSERT_TRUE(clean.OpenArchive(archive));
        clean.AddFileToArchive(source);
        grown = ReadFile(archive);
        ASSERT_NE(Hash64(grown), Hash64(original));
    }

    // Runs one add whose call number `first` fails, and checks what it left behind. Calls
    // after `renameCall` come once the archive already is the new one: only the folder flush
    // that makes the rename durable is left, and the table must already mirror the new one.
    void AddFailingAt(int first, bool persistent, int error, FaultyFileSystem::Fault fault) {
        WriteFile(archive, original);
        FaultyFileSystem faulty;
        modKofrex store(faulty);
        ASSERT_TRUE(store.OpenArchive(archive));
        faulty.FailFrom(faulty.Calls() + first, persistent, error, fault);
        bool raised = false;
        try {
            store.AddFileToArchive(source);
        } catch (const ArchiveError& raisedError) {
            raised = true;
            EXPECT_EQ(raisedError.Number(), error);
        }
        const std::string where = "call " + std::to_string(first) + " (" + faulty.FailedCall() +
                                  ")" + (persistent ? " and later" : "") + ", " +
                                  std::strerror(error) +
                                  (fault == FaultyFileSystem::Fault::kShortWrite ? " short" : "");
        const std::uint64_t after = Hash64(ReadFile(archive));
        if (first > renameCall) {
            EXPECT_TRUE(raised) << "folder flush failure not reported after " << where;
            ASSERT_EQ(after, Hash64(grown)) << "the renamed archive is not the new one, " << where;
            ++afterRename;
        } else if (raised) {
            ASSERT_EQ(after, Hash64(original)) << "archive changed by a failed add, " << where;
            ++reported;
        } else if (after == Hash64(original)) {
            // Only the store's probes decline: a file that cannot be tested is no file. With
            // every later call failing, the next probe is among them.
            EXPECT_TRUE(persistent || faulty.FailedCall() == "open" ||
                        faulty.FailedCall() == "status")
                << "a failure was swallowed, " << where;
            ++declined;
        } else {
            // A failure the add can survive: a quiet close, a short write that is resumed.
            ASSERT_EQ(after, Hash64(grown)) << "damaged archive after " << where;
            ++survived;
        }
        modKofrex fresh;
        ASSERT_TRUE(fresh.OpenArchive(archive));
        EXPECT_EQ(store.Entries(), fresh.Entries()) << "table does not mirror after " << where;
        EXPECT_EQ(store.EntryCount(), fresh.EntryCount()) << where;
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"archive.kfx", "source.bin"}))
            << "leftover after " << where;
        ++tried;
    }

    test::ScratchFolder folder;
    std::string archive = folder / "archive.kfx";
    std::string source = folder / "source.bin";
    ByteString original;
    ByteString grown;
    int callsPerAdd = 0;
    int renameCall = 0;  // 1-based within the add
    int tried = 0;
    int reported = 0;
    int declined = 0;
    int survived = 0;
    int afterRename = 0;
};

TEST_F(FailingAdd, EveryFailingCallLeavesTheArchiveWholeAndTheTableMirroringIt) {
    FaultyFileSystem counting;
    modKofrex store(counting);
    ASSERT_TRUE(store.OpenArchive(archive));
    WriteFile(archive, original);
    const int before = counting.Calls();
    store.AddFileToArchive(source);
    callsPerAdd = counting.Calls() - before;
    ASSERT_GT(callsPerAdd, 10);
    const std::vector<std::string> kinds(counting.CallKinds().begin() + before,
                                         counting.CallKinds().end());
    const auto rename = std::find(kinds.begin(), kinds.end(), "rename");
    ASSERT_NE(rename, kinds.end());
    renameCall = static_cast<int>(rename - kinds.begin()) + 1;
    // After the rename: open, flush and close of the folder.
    ASSERT_EQ(std::vector<std::string>(rename + 1, kinds.end()),
              (std::vector<std::string>{"open", "flush", "close"}));

    using Fault = FaultyFileSystem::Fault;
    for (int k = 1; k <= callsPerAdd; ++k) {
        for (const bool persistent : {false, true}) {
            AddFailingAt(k, persistent, EIO, Fault::kError);
            AddFailingAt(k, persistent, ENOSPC, Fault::kError);
            AddFailingAt(k, persistent, ENOSPC, Fault::kShortWrite);
            if (HasFatalFailure()) {
                return;
            }
        }
    }
    std::cout << "failure points tried: " << tried << " (" << callsPerAdd
              << " calls per add x single/persistent x EIO/ENOSPC/short write): " << reported
              << " raised with the archive unchanged, " << declined << " declined, " << survived
              << " survived, " << afterRename << " after the rename (archive and table new)\n";
    EXPECT_GT(reported, tried / 2);
    EXPECT_EQ(afterRename, (callsPerAdd - renameCall) * 6);
}

class Overflow : public ::testing::Test {
  protected:
    // A sparse archive of `length` bytes whose one entry spans all the data.
    void MakeArchiveOfLength(std::int64_t length) {
        WriteFile(archive,
                  "KFRX\x01" + Le32(1) +
                      EntryImage("BIG            ", 33, static_cast<std::int32_t>(length - 32)));
        std::filesystem::resize_file(archive, static_cast<std::uintmax_t>(length));
        ASSERT_TRUE(store.OpenArchive(archive));
        front = ReadFile32(archive);
    }
    static ByteString ReadFile32(const std::string& path) {
        ByteString bytes(32, '\0');
        const int fd = ::open(path.c_str(), O_RDONLY);
        EXPECT_EQ(::pread(fd, bytes.data(), 32, 0), 32);
        ::close(fd);
        return bytes;
    }
    void ExpectOverflowAndNothingWritten(const std::string& path, std::int64_t length) {
        try {
            store.AddFileToArchive(path);
            FAIL() << "no overflow";
        } catch (const ArchiveError& error) {
            EXPECT_EQ(error.Description(), "Overflow");
            EXPECT_EQ(error.Number(), EOVERFLOW);
        }
        EXPECT_EQ(std::filesystem::file_size(archive), static_cast<std::uintmax_t>(length));
        EXPECT_EQ(ReadFile32(archive), front);
        EXPECT_EQ(store.EntryCount(), 1);
        EXPECT_EQ(folder.Names().size(), 2u);
    }

    test::ScratchFolder folder;
    std::string archive = folder / "big.kfx";
    modKofrex store;
    ByteString front;
};

TEST_F(Overflow, ANewOffsetPastTheSigned32BitRangeIsRefusedBeforeWriting) {
    const std::int64_t length = kMax - 23;  // the new entry would start at 2^31
    MakeArchiveOfLength(length);
    WriteFile(folder / "one", "1");
    ExpectOverflowAndNothingWritten(folder / "one", length);
}

TEST_F(Overflow, DataThatWouldPassTheRangeAreRefusedBeforeWriting) {
    const std::int64_t length = kMax - 23 - 10;  // room for exactly 10 more data bytes
    MakeArchiveOfLength(length);
    WriteFile(folder / "eleven", ByteString(11, 'e'));
    ExpectOverflowAndNothingWritten(folder / "eleven", length);
}

TEST(SourceRead, SizeIsWhatWasReadEvenWhenTheFileCannotTellItsLength) {
    test::ScratchFolder folder;
    modKofrex store;
    store.CreateArchive(folder / "a.kfx");
    const std::string pipe = folder / "stream";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const ByteString payload(3'000'000, 'p');
    std::thread writer([&] {
        // Read and write, so that the store's test-open of the pipe cannot leave it readerless.
        const int fd = ::open(pipe.c_str(), O_RDWR);
        for (std::size_t done = 0; done < payload.size();) {
            const ssize_t put = ::write(fd, payload.data() + done, payload.size() - done);
            if (put <= 0) {
                break;
            }
            done += static_cast<std::size_t>(put);
        }
        ::close(fd);
    });
    try {
        store.AddFileToArchive(pipe);
    } catch (const ArchiveError& error) {
        ADD_FAILURE() << error.Description();
    }
    writer.join();
    ASSERT_EQ(store.EntryCount(), 1);
    EXPECT_EQ(store.Entries()[0].Size, 3'000'000);
    EXPECT_EQ(store.GetEntryData("STREAM"), payload);
}

}  // namespace
}  // namespace kofrex
