// SPDX-License-Identifier: GPL-3.0-or-later
// The tone range (both ends allowed) as every way to a new pair meets it:
// typed and started, a band button, the base frequency bar, a recalled memory.
// Out of range, the range message shows once and the refused tone file stays.
#include "support/AppFixture.h"

#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace aurelith::test {
namespace {

using namespace ctl;

class ToneRangeTest;

enum class Tone { any, kept, written };

struct RangeCase {
    using Step = std::function<void(ToneRangeTest&)>;
    const char* name;
    Step before; // the state the case starts from (may be empty)
    Step act;
    bool refused; // the range message, once
    const char* left;
    const char* right; // what the boxes show after; nullptr: not this case's point
    std::size_t playing;
    Tone tone1 = Tone::any, tone2 = Tone::any;
};
void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class ToneRangeTest : public AppTest, public ::testing::WithParamInterface<RangeCase> {
public:
    static std::vector<RangeCase> cases()
    {
        using T = ToneRangeTest;
        const auto start = [](T& t) { t.click(cmdGenerate); };
        return {
            {"TypedChannelOneBelow",
             {},
             [](T& t) { t.type(txtSetFreq1, "9"), t.click(cmdGenerate); },
             true,
             "9",
             nullptr,
             0,
             Tone::kept},
            {"TypedChannelTwoAboveKeepsTheOldTonesPlaying", start,
             [](T& t) { t.setPair("200", "15601"), t.click(cmdGenerate); }, true, "200", "15601", 2, Tone::written,
             Tone::kept},
            {"TypedLowestEnd", {}, [](T& t) { t.setPair("10", "10"), t.click(cmdGenerate); }, false, "10", "10", 2},
            {"TypedHighestEnd",
             {},
             [](T& t) { t.setPair("15600", "15600"), t.click(cmdGenerate); },
             false,
             "15600",
             "15600",
             2},
            {"BandButtonOnTheHighestBase", [](T& t) { t.form.setValue(HScroll1, 15600); },
             [](T& t) { t.click(Command10); }, true, "15600", "15610", 0},
            {"BaseBarTooLowForChannelTwo", [](T& t) { t.setPair("165", "159"); },
             [](T& t) { t.form.setValue(HScroll1, 10); }, true, nullptr, "4", 0, Tone::written},
            {"RecalledPairBelow", start, [](T& t) { t.putFile("prge1", "5,12\r\n"), t.click(Command54); }, true, "5",
             "12", 0},
        };
    }

protected:
    void SetUp() override { startAsReturningUser("-3000,5000,0,160"); }
};

TEST_P(ToneRangeTest, OutOfRangeIsRefusedAndBothEndsPlay)
{
    const RangeCase& c = GetParam();
    if (c.before)
        c.before(*this);
    dialogs.shown.clear();
    const std::string tone1 = file("freq1.wav"), tone2 = file("freq2.wav");
    c.act(*this);
    if (c.refused)
        EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{kRangeMessage}));
    else
        EXPECT_TRUE(dialogs.shown.empty());
    if (c.left)
        EXPECT_EQ(text(txtSetFreq1), c.left);
    if (c.right)
        EXPECT_EQ(text(txtsetfreq2), c.right);
    EXPECT_EQ(playing().size(), c.playing);
    for (const auto& [tone, before, name] : {std::tuple{c.tone1, tone1, "freq1.wav"}, {c.tone2, tone2, "freq2.wav"}})
        if (tone != Tone::any)
            EXPECT_EQ(file(name) == before, tone == Tone::kept) << name;
}

INSTANTIATE_TEST_SUITE_P(EveryWayIn, ToneRangeTest, ::testing::ValuesIn(ToneRangeTest::cases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace aurelith::test
