// SPDX-License-Identifier: GPL-3.0-or-later
// The tone range (both ends allowed) by every way to a new pair: typed and
// started or sounded, a band button, the base bar, a recalled memory. Out of range the
// message shows once and the refused tone file stays as it was.
#include "support/AppFixture.h"

#include <sstream>

namespace aurelith::test {
namespace {

using namespace ctl;

class ToneRangeTest;
struct RangeCase {
    const char* name;
    void (*before)(ToneRangeTest&); // the state the case starts from
    void (*act)(ToneRangeTest&);
    bool refused;
    const char* shown;   // the two boxes after; "*": not this case's point
    std::size_t playing; // tones playing after
    const char* files;   // freq1.wav, freq2.wav after: k kept, w written, * either
};
void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class ToneRangeTest : public AppTest, public ::testing::WithParamInterface<RangeCase> {
public:
    static std::vector<RangeCase> cases()
    {
        using T = ToneRangeTest;
        const auto none = [](T&) {};
        const auto start = [](T& t) { t.click(cmdGenerate); };
        return {
            {"TypedChannelOneBelow", none, [](T& t) { t.type(txtSetFreq1, "9"), t.click(cmdGenerate); }, true, "9 *", 0,
             "k*"},
            {"TypedChannelTwoAboveKeepsTheOldTonesPlaying", start,
             [](T& t) { t.setPair("200", "15601"), t.click(cmdGenerate); }, true, "200 15601", 2, "wk"},
            {"TypedLowestEnd", none, [](T& t) { t.setPair("10", "10"), t.click(cmdGenerate); }, false, "10 10", 2,
             "**"},
            {"TypedHighestEnd", none, [](T& t) { t.setPair("15600", "15600"), t.click(cmdGenerate); }, false,
             "15600 15600", 2, "**"},
            {"BandButtonOnTheHighestBase", [](T& t) { t.form.setValue(scrBaseFreq, 15600); },
             [](T& t) { t.click(cmdMAlpha); }, true, "15600 15610", 0, "**"},
            {"BaseBarTooLowForChannelTwo", [](T& t) { t.setPair("165", "159"); },
             [](T& t) { t.form.setValue(scrBaseFreq, 10); }, true, "* 4", 0, "w*"},
            {"SoundOnChannelTwoFarAbove", none, [](T& t) { t.type(txtsetfreq2, "700000"), t.click(mnuSoundOn); }, true,
             "* 700000", 0, "**"},
            {"RecalledPairBelow", start, [](T& t) { t.putFile("prge1", "5,12\r\n"), t.click(cmdRecallE); }, true,
             "5 12", 0, "**"},
        };
    }

protected:
    void SetUp() override { startAsReturningUser("-3000,5000,0,160"); }
};

TEST_P(ToneRangeTest, OutOfRangeIsRefusedAndBothEndsPlay)
{
    const RangeCase& c = GetParam();
    c.before(*this);
    dialogs.shown.clear();
    const std::string before[] = {file("freq1.wav"), file("freq2.wav")};
    c.act(*this);
    EXPECT_EQ(dialogs.messages(), c.refused ? std::vector<std::string>{kRangeMessage} : std::vector<std::string>{});
    EXPECT_EQ(dialogs.shown.size(), c.refused ? 1u : 0u);
    std::istringstream shown(c.shown);
    for (const auto box : {txtSetFreq1, txtsetfreq2})
        if (std::string want; shown >> want && want != "*") {
            EXPECT_EQ(text(box), want) << box;
        }
    EXPECT_EQ(playing().size(), c.playing);
    for (int i = 0; i < 2; ++i)
        if (c.files[i] != '*') {
            EXPECT_EQ(file(i ? "freq2.wav" : "freq1.wav") == before[i], c.files[i] == 'k') << "tone file " << i + 1;
        }
}

INSTANTIATE_TEST_SUITE_P(EveryWayIn, ToneRangeTest, ::testing::ValuesIn(ToneRangeTest::cases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace aurelith::test
