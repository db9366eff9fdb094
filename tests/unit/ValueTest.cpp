// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Value.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>

namespace aurelith {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheStartOnly)
{
    EXPECT_DOUBLE_EQ(leadingNumber("159"), 159);
    EXPECT_DOUBLE_EQ(leadingNumber("  141.5 Hz"), 141.5);
    EXPECT_DOUBLE_EQ(leadingNumber("-5"), -5);
    EXPECT_DOUBLE_EQ(leadingNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(leadingNumber("12abc"), 12);
    EXPECT_DOUBLE_EQ(leadingNumber("1e3"), 1000);
    EXPECT_DOUBLE_EQ(leadingNumber("7e"), 7);
    EXPECT_DOUBLE_EQ(leadingNumber("160,5"), 160);
}

TEST(LeadingNumber, IsZeroWithoutANumber)
{
    for (const char* text : {"", "abc", "-", ".", "  ", "e5", "Hz 160", "1e999"})
        EXPECT_DOUBLE_EQ(leadingNumber(text), 0) << text;
}

TEST(WholeNumber, NeedsTheWholeText)
{
    EXPECT_EQ(wholeNumber(" 160 "), 160);
    EXPECT_EQ(wholeNumber("-4950"), -4950);
    EXPECT_EQ(wholeNumber("2.5e1"), 25);
    for (const char* text : {"", " ", "12abc", "1 2", "abc", "--1", "1e999", "0x10"})
        EXPECT_FALSE(wholeNumber(text).has_value()) << text;
}

TEST(FormatNumber, PlainDecimalWithoutNoise)
{
    EXPECT_EQ(formatNumber(86.13 - 78.3), "7.83");
    EXPECT_EQ(formatNumber(6), "6");
    EXPECT_EQ(formatNumber(-5), "-5");
    EXPECT_EQ(formatNumber(141.5), "141.5");
    EXPECT_EQ(formatNumber(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatNumber(-0.0), "0");
    EXPECT_EQ(formatNumber(16777215), "16777215");
    EXPECT_EQ(formatNumber(1e20), "100000000000000000000");
    EXPECT_EQ(formatNumber(0.00001), "0.00001");
    EXPECT_EQ(formatNumber(6.66), "6.66");
    // Fifteen digits of the largest double would overflow it; it is written in full and reads back.
    for (const double extreme : {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}) {
        const std::string text = formatNumber(extreme);
        EXPECT_EQ(text.size(), extreme > 0 ? 309u : 310u) << text;
        EXPECT_EQ(wholeNumber(text), extreme);
    }
}

TEST(ValueConversions, LooseTypingAsReadFromFiles)
{
    EXPECT_EQ(Value().number(), 0.0);
    EXPECT_EQ(Value("12").number(), 12.0);
    EXPECT_FALSE(Value("x").number().has_value());
    EXPECT_EQ(Value(2.5).int16(), 2);
    EXPECT_EQ(Value(3.5).int16(), 4);
    EXPECT_FALSE(Value(40000).int16().has_value());
    EXPECT_EQ(Value(16711680).colour(), 16711680u);
    EXPECT_FALSE(Value(-1).colour().has_value());
    EXPECT_FALSE(Value(16777216).colour().has_value());
    EXPECT_FALSE(Value("255").colour().has_value());
    EXPECT_EQ(Value(1.5).text(), "1.5");
}

// The window adopts the user's locale; a decimal comma must change nothing.
TEST(Numbers, IgnoreTheUsersLocale)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_DOUBLE_EQ(leadingNumber("141.5"), 141.5);
    EXPECT_EQ(wholeNumber("141.5"), 141.5);
    EXPECT_EQ(formatNumber(141.5), "141.5");
    EXPECT_EQ(formatNumber(0.00001), "0.00001");
    std::setlocale(LC_NUMERIC, previous.c_str());
}

} // namespace
} // namespace aurelith
