#include "support/AppFixture.h"

namespace aurelith::test {
namespace {

using namespace ctl;

constexpr std::array<std::string_view, 4> kButtons = {Command75, Command72, Command74, Command76};

class ScanBanksTest : public AppTest {
protected:
    void SetUp() override { startAsReturningUser("-3000,0,0,200"); }
    std::vector<std::string> captions() const
    {
        std::vector<std::string> c;
        for (auto b : kButtons)
            c.push_back(form.caption(b));
        return c;
    }
    // Which of the three group lamps is lit (0 for Text16 ... 2 for Text18), -1 if not one.
    int litGroupLamp() const
    {
        int lit = -1, count = 0;
        for (int i = 0; i < 3; ++i)
            if (lamp(std::array{Text16, Text17, Text18}[i]) == kRed)
                lit = i, ++count;
        return count == 1 ? lit : -1;
    }
};

TEST_F(ScanBanksTest, ButtonsDoNothingBeforePrgSetOrRunSet)
{
    setPair("160", "165");
    for (auto b : kButtons)
        click(b);
    EXPECT_EQ(text(txtSetFreq1), "160");
    EXPECT_EQ(text(txtsetfreq2), "165");
    EXPECT_FALSE(exists("sprga1") || exists("sprga2") || exists("sprga3"));
}

TEST_F(ScanBanksTest, PrgSetThenScan1StoresTheQuotedPairInBank1)
{
    click(Command77);
    EXPECT_EQ(litGroupLamp(), 0);
    EXPECT_EQ(captions(), (std::vector<std::string>{"PrgScn 1", "PrgScn 2", "PrgScn 3", "PrgScn 4"}));
    EXPECT_EQ(form.caption(Label3), "PS1");
    EXPECT_EQ(form.caption(Label5), "PS3");
    EXPECT_EQ(form.caption(Frame1), "Enter Scan Freq");
    EXPECT_EQ(file("spgset"), "2\r\n");
    setPair("160", "165");
    sound.clearCalls();
    click(Command75);
    EXPECT_EQ(file("sprga2"), "\"160\",\"165\"\r\n");
    setPair("", "7 Hz");
    click(Command76); // stored as it stands, checked only when played
    EXPECT_EQ(file("sprgd2"), "\"\",\"7 Hz\"\r\n");
    EXPECT_TRUE(sound.calls.empty());
}

struct Press {
    std::string_view button;
    const char* spgset;
    int lamp;
    std::vector<std::string> captions;
};

// From start-up the group goes 2, 3, 1, 2 whichever of the two is pressed.
TEST_F(ScanBanksTest, EveryPressMovesToTheNextGroup)
{
    const std::vector<Press> presses = {
        {Command77, "2", 0, {"PrgScn 1", "PrgScn 2", "PrgScn 3", "PrgScn 4"}},
        {Command78, "3", 1, {"Scan 5", "Scan 6", "Scan 7", "Scan 8"}},
        {Command77, "1", 2, {"PrgScn 9", "PrgSn 10", "PrgSn 11", "PrgSn 12"}},
        {Command77, "2", 0, {"PrgScn 1", "PrgScn 2", "PrgScn 3", "PrgScn 4"}},
        {Command78, "3", 1, {"Scan 5", "Scan 6", "Scan 7", "Scan 8"}},
        {Command78, "1", 2, {"Scan 9", "Scan 10", "Pran 11", "Pran 12"}},
        {Command78, "2", 0, {"Scan 1", "Scan 2", "Scan 3", "Scan 4"}},
    };
    for (size_t i = 0; i < presses.size(); ++i) {
        click(presses[i].button);
        EXPECT_EQ(file("spgset"), std::string(presses[i].spgset) + "\r\n") << i;
        EXPECT_EQ(litGroupLamp(), presses[i].lamp) << i;
        EXPECT_EQ(captions(), presses[i].captions) << i;
    }
    EXPECT_EQ(form.caption(Label4), "RS2");
    EXPECT_EQ(form.caption(Frame1), "Left Freq Right");
    EXPECT_EQ(form.caption(Frame3), "Col  Sets  LtSd");
}

TEST_F(ScanBanksTest, RecallCopiesTheBankIntoTheBoxesWithoutRetuning)
{
    click(Command77); // store into banks 1-4
    setPair("200", "207");
    click(Command72);
    click(Command77);
    setPair("300", "304.5");
    click(Command75); // bank 5
    click(Command77); // group 1
    click(Command78); // recall banks 1-4
    setPair("160", "165");
    sound.clearCalls();
    click(Command72);
    EXPECT_EQ(text(txtSetFreq1), "200");
    EXPECT_EQ(text(txtsetfreq2), "207");
    EXPECT_EQ(app.state.tone.rightFreq, 207);
    EXPECT_TRUE(sound.calls.empty());
    click(Command78); // banks 5-8
    click(Command75);
    EXPECT_EQ(text(txtsetfreq2), "304.5");
    // A bank never stored repeats the pair last stored or recalled.
    click(Command76);
    EXPECT_EQ(text(txtSetFreq1), "300");
    EXPECT_EQ(text(txtsetfreq2), "304.5");
}

TEST_F(ScanBanksTest, RecallingABankNeverStoredFirstInTheRunEmptiesBothBoxes)
{
    click(Command78);
    click(Command72);
    EXPECT_EQ(text(txtSetFreq1), "");
    EXPECT_EQ(text(txtsetfreq2), "");
}

} // namespace
} // namespace aurelith::test
