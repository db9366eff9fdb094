// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Value.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>
#include <vector>

namespace aurelith {
namespace {

// The number at the start only; zero without one.
TEST(LeadingNumber, ReadsTheNumberAtTheStartOnly)
{
    std::vector<double> read;
    for (const char* text : {"159", "  141.5 Hz", "-5", ".5", "12abc", "1e3", "7e", "160,5", "", "abc", "-", ".", "  ",
                             "e5", "Hz 160", "1e999"})
        read.push_back(leadingNumber(text));
    EXPECT_EQ(read, (std::vector<double>{159, 141.5, -5, 0.5, 12, 1000, 7, 160, 0, 0, 0, 0, 0, 0, 0, 0}));
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
    std::vector<std::string> shown;
    for (double number : {86.13 - 78.3, 6.0, -5.0, 141.5, 0.1 + 0.2, -0.0, 16777215.0, 1e20, 0.00001, 6.66})
        shown.push_back(formatNumber(number));
    EXPECT_EQ(shown, (std::vector<std::string>{"7.83", "6", "-5", "141.5", "0.3", "0", "16777215",
                                               "100000000000000000000", "0.00001", "6.66"}));
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
