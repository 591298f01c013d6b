// Stored names: the last path component, in Windows-1252, upper case, 15 bytes.

#include <gtest/gtest.h>

#include "names.h"

namespace kofrex {
namespace {

TEST(StoredName, TakesTheLastComponentAfterEitherSeparator) {
    EXPECT_EQ(GetStoredName("C:\\Data\\Level1.map"), "LEVEL1.MAP");
    EXPECT_EQ(GetStoredName("notes"), "NOTES");
    EXPECT_EQ(GetStoredName("a/b\\c.txt"), "C.TXT");
    EXPECT_EQ(GetStoredName("a\\b/c.txt"), "C.TXT");
    EXPECT_EQ(GetStoredName("D:readme"), "D:README");  // a drive colon is no separator
    EXPECT_EQ(GetStoredName("/tmp/folder/"), "");
}

TEST(StoredName, FitsToFifteenBytes) {
    EXPECT_EQ(FitName("NOTES"), "NOTES          ");
    EXPECT_EQ(FitName("ABCDEFGHIJKLMNO"), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(FitName("ABCDEFGHIJKLMNOPQRS"), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(FitName(""), std::string(15, ' '));
}

TEST(StoredName, ConvertsBeforeCuttingSoNoCharacterIsHalved) {
    // 14 ASCII letters and an e-acute: two bytes of UTF-8, one of Windows-1252.
    const std::string name = FitName(GetStoredName("/x/abcdefghijklm\xC3\xA9xyz"));
    EXPECT_EQ(name, "ABCDEFGHIJKLM\xC9X");
}

TEST(Windows1252, UpperCasesAsTheCodePageDoes) {
    EXPECT_EQ(GetStoredName("caf\xC3\xA9.txt"), "CAF\xC9.TXT");                        // é -> É
    EXPECT_EQ(GetStoredName("\xC5\xA1\xC5\x93\xC5\xBE\xC3\xBF"), "\x8A\x8C\x8E\x9F");  // š œ ž ÿ
    EXPECT_EQ(GetStoredName("\xC3\xB7\xC3\x9F\xC2\xB5"), "\xF7\xDF\xB5");  // ÷ ß µ have no capital
    EXPECT_EQ(UpperCase1252(std::string("\xE0\xFE")), "\xC0\xDE");
}

TEST(Windows1252, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(EncodeWindows1252("\xE6\x97\xA5\xE6\x9C\xAC.txt"), "??.txt");  // two CJK characters
    EXPECT_EQ(EncodeWindows1252("\xF0\x9F\x98\x80"), "?");                   // outside the BMP
    EXPECT_EQ(EncodeWindows1252("\xC2\x81"), "?");         // U+0081 has no Windows-1252 byte
    EXPECT_EQ(EncodeWindows1252("\xE2\x82\xAC"), "\x80");  // the euro sign has one
}

TEST(Windows1252, InvalidUtf8BytesBecomeQuestionMarks) {
    EXPECT_EQ(EncodeWindows1252("a\xFF"
                                "b"),
              "a?b");
    EXPECT_EQ(EncodeWindows1252("a\xC3"), "a?");        // cut short at the end
    EXPECT_EQ(EncodeWindows1252("\xC3(b"), "?(b");      // bad continuation
    EXPECT_EQ(EncodeWindows1252("\xC0\xAF"), "?");      // overlong "/"
    EXPECT_EQ(EncodeWindows1252("\xED\xA0\x80"), "?");  // a lone surrogate
}

TEST(Windows1252, DecodesForDisplayAndRoundTrips) {
    std::string ascii;
    for (int c = 0x20; c < 0x7F; ++c) {
        ascii += static_cast<char>(c);
    }
    EXPECT_EQ(EncodeWindows1252(ascii), ascii);
    EXPECT_EQ(DecodeWindows1252(ascii), ascii);

    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const std::string single(1, static_cast<char>(byte));
        const std::string text = DecodeWindows1252(single);
        const bool unassigned =
            byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
        if (unassigned) {
            EXPECT_EQ(text, "\xEF\xBF\xBD") << byte;
        } else {
            EXPECT_EQ(EncodeWindows1252(text), single) << byte;
        }
    }
}

TEST(Windows1252, TrimRemovesOnlySpaces) {
    EXPECT_EQ(TrimSpaces("  A.TXT   "), "A.TXT");
    EXPECT_EQ(TrimSpaces("\tA "), "\tA");
    EXPECT_EQ(TrimSpaces(std::string("A\0 ", 3)), std::string("A\0", 2));
    EXPECT_EQ(TrimSpaces("     "), "");
}

}  // namespace
}  // namespace kofrex
