// The byte layout of headers and directory entries.

#include <gtest/gtest.h>

#include <limits>

#include "archive_format.h"
#include "test_support.h"

namespace kofrex {
namespace {

using test::EntryImage;
using test::Le32;

ByteString Bytes(const auto& array) {
    return ByteString(array.begin(), array.end());
}

TEST(HeaderLayout, EmptyArchiveHeaderIsNineBytes) {
    const ArchiveHeader header{kSignature, kVersion, 0};
    EXPECT_EQ(Bytes(EncodeHeader(header)), ByteString("KFRX\x01\0\0\0\0", 9));
}

TEST(HeaderLayout, CountIsLittleEndianAndSigned) {
    const ArchiveHeader header{kSignature, kVersion, 0x01020304};
    EXPECT_EQ(Bytes(EncodeHeader(header)), ByteString("KFRX\x01\x04\x03\x02\x01", 9));

    const HeaderBytes negative{'K', 'F', 'R', 'X', 1, '\xFF', '\xFF', '\xFF', '\xFF'};
    EXPECT_EQ(DecodeHeader(negative).FileCount, -1);
}

TEST(HeaderLayout, ArchiveRecognisedOnlyByExactSignatureAndVersionOne) {
    EXPECT_TRUE((ArchiveHeader{kSignature, 1, 0}.IsArchive()));
    EXPECT_FALSE((ArchiveHeader{{'k', 'f', 'r', 'x'}, 1, 0}.IsArchive()));
    EXPECT_FALSE((ArchiveHeader{kSignature, 2, 0}.IsArchive()));
    EXPECT_FALSE((ArchiveHeader{kSignature, 0, 0}.IsArchive()));
    EXPECT_FALSE(ArchiveHeader{}.IsArchive());  // the cleared header
}

TEST(EntryLayout, WorkedExampleEntry) {
    const ArchiveEntry entry{"README.TXT     ", 33, 5};
    EXPECT_EQ(Bytes(EncodeEntry(entry)), ByteString("README.TXT     \x21\0\0\0\x05\0\0\0", 23));
}

TEST(EntryLayout, ShortNamesArePaddedWithSpacesAndLongOnesCut) {
    EXPECT_EQ(Bytes(EncodeEntry({"A", 1, 0})).substr(0, 15), "A              ");
    EXPECT_EQ(Bytes(EncodeEntry({"ABCDEFGHIJKLMNOPQ", 1, 0})).substr(0, 15), "ABCDEFGHIJKLMNO");
}

TEST(EntryLayout, RoundTripsExtremeValues) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    const ByteString image = EntryImage(ByteString("N\0\xFF\x80 x            ", 15), kMin, kMax);
    const ArchiveEntry entry = DecodeEntry(std::span<const char, kEntrySize>(image.data(), 23));
    EXPECT_EQ(entry.Name, ByteString("N\0\xFF\x80 x            ", 15));
    EXPECT_EQ(entry.Offset, kMin);
    EXPECT_EQ(entry.Size, kMax);
    EXPECT_EQ(Bytes(EncodeEntry(entry)), image);
    EXPECT_EQ(Le32(kMin), ByteString("\0\0\0\x80", 4));
}

TEST(EntryBounds, DataMustLieWithinTheFile) {
    EXPECT_TRUE(EntryFitsIn({"", 33, 5}, 37));
    EXPECT_FALSE(EntryFitsIn({"", 33, 6}, 37));
    EXPECT_TRUE(EntryFitsIn({"", 38, 0}, 37));  // empty entry just past the end
    EXPECT_FALSE(EntryFitsIn({"", 39, 0}, 37));
    EXPECT_FALSE(EntryFitsIn({"", 0, 0}, 37));
    EXPECT_FALSE(EntryFitsIn({"", 1, -1}, 37));
    EXPECT_FALSE(EntryFitsIn(
        {"", std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()},
        37));  // the sum must not wrap into range
}

}  // namespace
}  // namespace kofrex
