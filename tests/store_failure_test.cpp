// Adds that fail part-way: every failing call in turn, overflowing positions, and a source
// whose length is only known once it has been read.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <set>
#include <thread>

#include "modKofrex.h"
#include "test_support.h"

namespace kofrex {
namespace {

using test::ArchiveImage;
using test::EntryImage;
using test::FaultyFileSystem;
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
        ASSERT_NE(grown, original);
    }

    // Runs one add whose call number `first` fails, and checks what it left behind.
    void AddFailingAt(int first, bool persistent, int error, FaultyFileSystem::Fault fault) {
        WriteFile(archive, original);
        FaultyFileSystem faulty;
        modKofrex store(faulty);
        ASSERT_TRUE(store.OpenArchive(archive));
        faulty.FailFrom(faulty.Calls() + first, persistent, error, fault);
        bool raised = false;
        try {
            store.AddFileToArchive(source);
        } catch (const ArchiveError&) {
            raised = true;
        }
        const std::string where = "call " + std::to_string(first) + " (" + faulty.FailedCall() +
                                  ")" + (persistent ? " and later" : "");
        const ByteString after = ReadFile(archive);
        ASSERT_TRUE(after == original || after == grown) << "damaged archive after " << where;
        static const std::set<std::string> kMustRaise{"write", "copy",   "flush",
                                                      "name",  "rename", "chmod"};
        // A single short write is no failure: the rest goes out with the next call.
        const bool recoverable = fault == FaultyFileSystem::Fault::kShortWrite && !persistent;
        if (kMustRaise.count(faulty.FailedCall()) != 0 && !recoverable) {
            EXPECT_TRUE(raised) << "failure not reported after " << where;
        }
        modKofrex fresh;
        ASSERT_TRUE(fresh.OpenArchive(archive));
        EXPECT_EQ(store.Entries(), fresh.Entries()) << "table does not mirror after " << where;
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"archive.kfx", "source.bin"}))
            << "leftover after " << where;
        ++tried;
    }

    test::ScratchFolder folder;
    std::string archive = folder / "archive.kfx";
    std::string source = folder / "source.bin";
    ByteString original;
    ByteString grown;
    int tried = 0;
};

TEST_F(FailingAdd, EveryFailingCallLeavesTheArchiveWholeAndTheTableMirroringIt) {
    FaultyFileSystem counting;
    modKofrex store(counting);
    ASSERT_TRUE(store.OpenArchive(archive));
    WriteFile(archive, original);
    const int before = counting.Calls();
    store.AddFileToArchive(source);
    const int callsPerAdd = counting.Calls() - before;
    ASSERT_GT(callsPerAdd, 10);

    using Fault = FaultyFileSystem::Fault;
    for (int k = 1; k <= callsPerAdd; ++k) {
        for (const bool persistent : {false, true}) {
            AddFailingAt(k, persistent, EIO, Fault::kError);
            AddFailingAt(k, persistent, ENOSPC, Fault::kError);
            AddFailingAt(k, persistent, ENOSPC, Fault::kShortWrite);
        }
    }
    std::cout << "failure points tried: " << tried << " (" << callsPerAdd << " calls per add)\n";
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
