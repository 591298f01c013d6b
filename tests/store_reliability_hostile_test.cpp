// Hostile archives: valid files cut at every length and every header and directory field set
// to the values that break careless readers. OpenArchive either refuses, leaving the current
// archive as it was, or opens a directory whose every entry lies inside the file; extraction
// never asks for a byte outside the file, and a bogus count never buys a large allocation.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

#include "modKofrex.h"
#include "test_support.h"

// Largest single allocation since the last reset, to catch memory taken on a count's word.
namespace {
std::atomic<std::size_t> largestAllocation{0};
}

void* operator new(std::size_t size) {
    std::size_t seen = largestAllocation.load(std::memory_order_relaxed);
    while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
// The replacement pair is malloc and free; GCC sees only the free and takes it for a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
#pragma GCC diagnostic pop

namespace kofrex {
namespace {

using test::ArchiveImage;
using test::Le32;
using test::ReadFile;
using test::WriteFile;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// Records how far past the end of its file any read of the store asks to go.
class ReadWatchingFileSystem : public FileSystem {
  public:
    ssize_t ReadAt(int fd, void* buffer, size_t count, off_t position) override {
        struct stat status {};
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
            static_cast<std::int64_t>(position) + static_cast<std::int64_t>(count) >
                static_cast<std::int64_t>(status.st_size)) {
            ++readsPastEnd;
        }
        return FileSystem::ReadAt(fd, buffer, count, position);
    }
    int readsPastEnd = 0;
};

class HostileArchive : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteFile(previous, ArchiveImage({{"PREVIOUS.TXT   ", "kept"}}));
        fixture = ArchiveImage({{"FIRST.TXT      ", "first data"},
                                {"EMPTY          ", ""},
                                {"LAST.BIN       ", ByteString("\0\x01\x02\xff", 4)}});
    }

    // Opens `bytes` in a store whose current archive is `previous` and checks the outcome is
    // one of the two safe ones. Returns whether it opened.
    bool OpenSafely(const ByteString& bytes, const std::string& what) {
        WriteFile(hostile, bytes);
        ReadWatchingFileSystem watching;
        modKofrex store(watching);
        EXPECT_TRUE(store.OpenArchive(previous));
        const std::vector<ArchiveEntry> before = store.Entries();
        largestAllocation = 0;
        const bool opened = store.OpenArchive(hostile);
        // Room for a directory as long as the file, no more.
        EXPECT_LE(largestAllocation.load(), 4096 + 2 * bytes.size()) << what;
        if (!opened) {
            EXPECT_EQ(store.ArchivePath(), previous) << what;
            EXPECT_EQ(store.Entries(), before) << what;
            return false;
        }
        EXPECT_EQ(store.ArchivePath(), hostile) << what;
        watching.readsPastEnd = 0;
        for (const ArchiveEntry& entry : store.Entries()) {
            const std::int64_t start = std::int64_t{entry.Offset} - 1;
            EXPECT_TRUE(start >= 0 && entry.Size >= 0 &&
                        start + entry.Size <= static_cast<std::int64_t>(bytes.size()))
                << what << ": an entry outside the file was accepted";
            if (HasFailure()) {
                return true;
            }
            const ByteString data = store.GetEntryData(entry.Name);
            // Names may repeat in a hostile file; the last exact match is the one served.
            const ArchiveEntry* served = nullptr;
            for (const ArchiveEntry& other : store.Entries()) {
                served = other.Name == entry.Name ? &other : served;
            }
            const ByteString expected = bytes.substr(static_cast<std::size_t>(served->Offset - 1),
                                                     static_cast<std::size_t>(served->Size));
            EXPECT_EQ(data, expected) << what;
            store.ExtractEntry(entry.Name, extracted);
            EXPECT_EQ(ReadFile(extracted), expected) << what << ": streamed extraction";
        }
        EXPECT_EQ(watching.readsPastEnd, 0) << what << ": extraction read outside the file";
        return true;
    }

    ByteString WithInt32(std::size_t at, std::int32_t value) const {
        ByteString bytes = fixture;
        bytes.replace(at, 4, Le32(value));
        return bytes;
    }

    test::ScratchFolder folder;
    std::string previous = folder / "previous.kfx";
    std::string hostile = folder / "hostile.kfx";
    std::string extracted = folder / "extracted.bin";
    ByteString fixture;
};

TEST_F(HostileArchive, EveryTruncationIsRefused) {
    // The last entry's data end the file, so no proper prefix is a whole archive.
    for (std::size_t length = 0; length < fixture.size(); ++length) {
        EXPECT_FALSE(OpenSafely(fixture.substr(0, length), "cut at " + std::to_string(length)))
            << "cut at " << length;
    }
    EXPECT_TRUE(OpenSafely(fixture, "whole"));
    const ByteString empty("KFRX\x01\0\0\0\0", 9);
    for (std::size_t length = 0; length < empty.size(); ++length) {
        EXPECT_FALSE(OpenSafely(empty.substr(0, length), "empty cut at " + std::to_string(length)));
    }
}

TEST_F(HostileArchive, EveryByteOfTheHeaderAndDirectoryFlippedOpensSafelyOrNot) {
    const std::size_t directoryEnd = 9 + 23 * 3;
    int refused = 0;
    for (std::size_t at = 0; at < directoryEnd; ++at) {
        for (const unsigned char flip : {0x01, 0x80, 0xff}) {
            ByteString bytes = fixture;
            bytes[at] = static_cast<char>(bytes[at] ^ flip);
            refused +=
                OpenSafely(bytes, "byte " + std::to_string(at) + " ^ " + std::to_string(flip)) ? 0
                                                                                               : 1;
        }
    }
    // Every flip in the signature, version and count bytes is fatal, and many others are.
    EXPECT_GE(refused, 9 * 3);
}

TEST_F(HostileArchive, SignatureAndVersionMustBeExact) {
    for (std::size_t at = 0; at < 5; ++at) {
        for (const char value : {'\0', '\x01', '\x7f', '\xff', 'k', 'x'}) {
            ByteString bytes = fixture;
            if (bytes[at] == value) {
                continue;
            }
            bytes[at] = value;
            EXPECT_FALSE(OpenSafely(bytes, "header byte " + std::to_string(at)));
        }
    }
}

TEST_F(HostileArchive, ExtremeCountsAreRefusedWithoutAllocatingForThem) {
    for (const std::int32_t count : {-1, kMin, 4, 5, 1000, 1 << 24, kMax - 1, kMax}) {
        EXPECT_FALSE(OpenSafely(WithInt32(5, count), "count " + std::to_string(count)))
            << "count " << count;
    }
    // Fewer entries than stored is a smaller, still readable directory.
    EXPECT_TRUE(OpenSafely(WithInt32(5, 0), "count 0"));
    EXPECT_TRUE(OpenSafely(WithInt32(5, 2), "count 2"));
}

TEST_F(HostileArchive, EveryOffsetAndSizeAtItsExtremesOpensSafelyOrNot) {
    const auto length = static_cast<std::int32_t>(fixture.size());
    for (int entry = 0; entry < 3; ++entry) {
        const std::size_t offsetAt = 9 + 23 * static_cast<std::size_t>(entry) + 15;
        const std::size_t sizeAt = offsetAt + 4;
        for (const std::int32_t value :
             {0, 1, -1, kMin, kMax, kMax - 1, length - 1, length, length + 1}) {
            const std::string where =
                "entry " + std::to_string(entry) + " = " + std::to_string(value);
            const bool offsetOpened = OpenSafely(WithInt32(offsetAt, value), "offset of " + where);
            const bool sizeOpened = OpenSafely(WithInt32(sizeAt, value), "size of " + where);
            if (value <= 0) {
                EXPECT_EQ(offsetOpened, false) << "offset of " << where;
            }
            if (value < 0 || value > length) {
                EXPECT_EQ(sizeOpened, false) << "size of " << where;
            }
        }
    }
    // The widest entry the file allows: all of it, header included.
    ByteString whole = WithInt32(9 + 15, 1);
    whole.replace(9 + 19, 4, Le32(length));
    EXPECT_TRUE(OpenSafely(whole, "entry spanning the whole file"));
}

}  // namespace
}  // namespace kofrex
