#include "support/AppFixture.h"

namespace aurelith::test {
namespace {

using namespace ctl;

class ScanBanksTest : public AppTest {
protected:
    void SetUp() override { startAsReturningUser("-3000,0,0,200"); }
    Texts bankCaptions() const { return captions({cmdScanBank1, cmdScanBank2, cmdScanBank3, cmdScanBank4}); }
    Colours groupLamps() const { return lamps({lampGroup1, lampGroup2, lampGroup3}); }
};

TEST_F(ScanBanksTest, ButtonsDoNothingBeforePrgSetOrRunSet)
{
    setPair("160", "165");
    for (auto b : {cmdScanBank1, cmdScanBank2, cmdScanBank3, cmdScanBank4})
        click(b);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2}), (Texts{"160", "165"}));
    EXPECT_FALSE(exists("sprga1") || exists("sprga2") || exists("sprga3"));
}

TEST_F(ScanBanksTest, PrgSetThenScan1StoresTheQuotedPairInBank1)
{
    click(cmdStoreScanBanks);
    EXPECT_EQ(groupLamps(), litAt(3, 0));
    EXPECT_EQ(bankCaptions(), (Texts{"PrgScn 1", "PrgScn 2", "PrgScn 3", "PrgScn 4"}));
    EXPECT_EQ(captions({lblGroup1, lblGroup3, fraChannels}), (Texts{"PS1", "PS3", "Enter Scan Freq"}));
    EXPECT_EQ(file("spgset"), "2\r\n");
    setPair("160", "165");
    sound.clearCalls();
    click(cmdScanBank1);
    EXPECT_EQ(file("sprga2"), "\"160\",\"165\"\r\n");
    setPair("", "7 Hz");
    click(cmdScanBank4); // stored as it stands, checked only when played
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
        {cmdStoreScanBanks, "2", 0, {"PrgScn 1", "PrgScn 2", "PrgScn 3", "PrgScn 4"}},
        {cmdRecallScanBanks, "3", 1, {"Scan 5", "Scan 6", "Scan 7", "Scan 8"}},
        {cmdStoreScanBanks, "1", 2, {"PrgScn 9", "PrgSn 10", "PrgSn 11", "PrgSn 12"}},
        {cmdStoreScanBanks, "2", 0, {"PrgScn 1", "PrgScn 2", "PrgScn 3", "PrgScn 4"}},
        {cmdRecallScanBanks, "3", 1, {"Scan 5", "Scan 6", "Scan 7", "Scan 8"}},
        {cmdRecallScanBanks, "1", 2, {"Scan 9", "Scan 10", "Pran 11", "Pran 12"}},
        {cmdRecallScanBanks, "2", 0, {"Scan 1", "Scan 2", "Scan 3", "Scan 4"}},
    };
    for (size_t i = 0; i < presses.size(); ++i) {
        click(presses[i].button);
        EXPECT_EQ(file("spgset"), std::string(presses[i].spgset) + "\r\n") << i;
        EXPECT_EQ(groupLamps(), litAt(3, presses[i].lamp)) << i;
        EXPECT_EQ(bankCaptions(), presses[i].captions) << i;
    }
    EXPECT_EQ(captions({lblGroup2, fraChannels, fraColourRatio}), (Texts{"RS2", "Left Freq Right", "Col  Sets  LtSd"}));
}

TEST_F(ScanBanksTest, RecallCopiesTheBankIntoTheBoxesWithoutRetuning)
{
    click(cmdStoreScanBanks); // banks 1-4
    setPair("200", "207");
    click(cmdScanBank2);
    click(cmdStoreScanBanks);
    setPair("300", "304.5");
    click(cmdScanBank1);       // bank 5
    click(cmdStoreScanBanks);  // group 1
    click(cmdRecallScanBanks); // banks 1-4
    setPair("160", "165");
    sound.clearCalls();
    click(cmdScanBank2);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2}), (Texts{"200", "207"}));
    EXPECT_EQ(app.state.tone.rightFreq, 207);
    EXPECT_TRUE(sound.calls.empty());
    click(cmdRecallScanBanks); // banks 5-8
    click(cmdScanBank1);
    EXPECT_EQ(text(txtsetfreq2), "304.5");
    // A bank never stored repeats the pair last stored or recalled.
    click(cmdScanBank4);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2}), (Texts{"300", "304.5"}));
}

TEST_F(ScanBanksTest, RecallingABankNeverStoredFirstInTheRunEmptiesBothBoxes)
{
    click(cmdRecallScanBanks);
    click(cmdScanBank2);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2}), (Texts{"", ""}));
}

} // namespace
} // namespace aurelith::test
