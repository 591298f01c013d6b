#include <gtest/gtest.h>

#include <QLocale>
#include <limits>

#include "number_pattern.h"

namespace kofrex {
namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

TEST(NumberPattern, ZeroShowsNoDigit) {
    EXPECT_EQ(FormatNumber(0, kEnglish), "");
}

TEST(NumberPattern, GroupsOfThreeFromTheRightEachSeparatorFollowedByASpace) {
    EXPECT_EQ(FormatNumber(5, kEnglish), "5");
    EXPECT_EQ(FormatNumber(33, kEnglish), "33");
    EXPECT_EQ(FormatNumber(999, kEnglish), "999");
    EXPECT_EQ(FormatNumber(1000, kEnglish), "1, 000");
    EXPECT_EQ(FormatNumber(100000, kEnglish), "100, 000");
    EXPECT_EQ(FormatNumber(1234567, kEnglish), "1, 234, 567");
    EXPECT_EQ(FormatNumber(std::numeric_limits<std::int32_t>::max(), kEnglish), "2, 147, 483, 647");
}

TEST(NumberPattern, TheSeparatorIsTheLocales) {
    EXPECT_EQ(FormatNumber(1234567, QLocale(QLocale::German, QLocale::Germany)), "1. 234. 567");
    const QLocale swiss(QLocale::German, QLocale::Switzerland);
    EXPECT_EQ(FormatNumber(1234, swiss), "1" + swiss.groupSeparator() + " 234");
}

}  // namespace
}  // namespace kofrex
