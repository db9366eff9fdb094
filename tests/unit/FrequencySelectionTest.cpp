// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFileNames.h"
#include "support/AppFixture.h"

#include <set>

namespace aurelith::test {
namespace {

using namespace ctl;

class FrequencySelectionTest : public AppTest {
protected:
    void SetUp() override { startAsReturningUser("-3000,0,0,200"); }
    static size_t squareSize(int hz) { return 2 * (44100 / hz + 1) + 45; }
    // A square tone holds two levels only; a sine has many.
    size_t distinctBytes(const std::string& tone) const
    {
        const std::string data = file(tone).substr(44);
        return std::set<char>(data.begin(), data.end()).size();
    }
};

struct Adjustment {
    const char* name;
    bool baseOn;
    const char* left;
    const char* right;
    std::string_view control;
    const char* newLeft;
    const char* newRight;
    const char* beat;
};
void PrintTo(const Adjustment& a, std::ostream* os) { *os << a.name; }

class AdjusterTest : public FrequencySelectionTest, public ::testing::WithParamInterface<Adjustment> {};

TEST_P(AdjusterTest, MovesChannelTwoShowsTheBeatAndRetunes)
{
    const Adjustment& a = GetParam();
    if (!a.baseOn)
        click(cmdBaseFreqMode); // the base frequency off
    setPair(a.left, a.right);
    click(a.control);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2, txtBeat}), (Texts{a.newLeft, a.newRight, a.beat}));
    EXPECT_TRUE(dialogs.shown.empty());
    expectPlaying(leadingNumber(a.newLeft), leadingNumber(a.newRight));
}

INSTANTIATE_TEST_SUITE_P(
    Adjusters, AdjusterTest,
    ::testing::Values(Adjustment{"Up1BaseOff", false, "160", "166", cmdUp1Hz, "160", "167", "7"},
                      Adjustment{"Up5MovesChannelOneToTheBase", true, "160", "169", cmdUp5Hz, "200", "174", "-26"},
                      Adjustment{"Dw1BaseOn", true, "200", "210", cmdDown1Hz, "200", "209", "9"},
                      Adjustment{"Dw5BaseOff", false, "160", "162", cmdDown5Hz, "160", "157", "-3"},
                      Adjustment{"Double", true, "160", "166", cmdDoubleBeat, "160", "172", "12"},
                      Adjustment{"DoubleNegative", true, "160", "154", mnuDoubleBeat, "160", "148", "-12"},
                      Adjustment{"Halve", true, "160", "166", cmdHalveBeat, "160", "163", "3"},
                      Adjustment{"HalveNegative", true, "160", "154", mnuHalveBeat, "160", "157", "-3"},
                      // Channel 2 moves by 3; txtBeat shows the difference really left (4).
                      Adjustment{"HalveOddShowsTheNewBeat", true, "160", "167", cmdHalveBeat, "160", "164", "4"},
                      Adjustment{"DecimalBeat", false, "78.3", "86.13", cmdDoubleBeat, "78.3", "93.96", "15.66"}),
    [](const auto& info) { return info.param.name; });

TEST_F(FrequencySelectionTest, AdjustersWriteSineWhateverTheWaveform)
{
    click(cmdWaveform);     // square
    click(cmdBaseFreqMode); // the base frequency off
    setPair("160", "170");
    click(cmdUp1Hz);
    EXPECT_GT(distinctBytes("freq2.wav"), 20u);
    EXPECT_EQ(form.caption(cmdWaveform), "Square"); // the waveform choice itself stays
}

TEST_F(FrequencySelectionTest, StepAfterClearCountsTheEmptyTextAsZero)
{
    click(cmdBaseFreqMode); // the base frequency off
    setPair("160", "166");
    click(cmdGenerate);
    click(cmdClear);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2}), (Texts{"", ""}));
    EXPECT_EQ(app.state.tone.leftFreq, 0);
    expectPlaying(160, 166); // Clear leaves the tones sounding

    click(cmdUp1Hz);
    EXPECT_EQ(text(txtsetfreq2), "1");
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{kRangeMessage}));
    EXPECT_TRUE(playing().empty());
}

TEST_F(FrequencySelectionTest, RatioButtonsCycleThroughTenValues)
{
    std::string shown;
    for (int i = 0; i < 10; ++i) {
        click(i % 2 ? cmdLightSoundUp : mnuLightSoundUp);
        shown += text(txtLightSound);
    }
    EXPECT_EQ(shown, "1234567890");
    EXPECT_TRUE(app.state.strobe.ratioMode);
    click(mnuLightSoundDown);
    EXPECT_EQ(text(txtLightSound), "9");
    click(cmdLightSoundDown);
    EXPECT_EQ(text(txtLightSound), "8");
    EXPECT_TRUE(sound.liveBuffers().empty()); // the tones are not touched
}

TEST_F(FrequencySelectionTest, ResetStopsEverythingAndWritesTheDefaultPair)
{
    click(cmdWaveform); // waveform lamps lit, labels SIN ... TRG
    click(cmdGenerate);
    form.setTimerInterval(tmrStim, 83);
    form.setTimerEnabled(tmrStim, true);
    form.setTimerEnabled(tmrBack, true);
    click(cmdReset);
    EXPECT_FALSE(form.timerEnabled(tmrStim));
    EXPECT_FALSE(form.timerEnabled(tmrBack));
    EXPECT_EQ(app.state.strobe.colourSetIndex, Value(0));
    EXPECT_EQ(captions({lblRow1, lblRow2, lblRow3, lblRow4}), (Texts{"CL1", "CL2", "CL3", "CL4"}));
    EXPECT_EQ(lamps({lampRow1, lampRow2, lampRow3, lampRow4}), Colours(4, kBlue));
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2, txtBeat}), (Texts{"160", "165", "5"}));
    EXPECT_TRUE(playing().empty());
    // Sine files of 160 and 165 Hz, ready for the next Start.
    click(cmdGenerate);
    expectPlaying(160, 165);
}

class FrequencyMemoryTest : public FrequencySelectionTest {};

TEST_F(FrequencyMemoryTest, StoreAndRecallInEachGroup)
{
    setPair("160", "167");
    click(cmdStoreA);
    EXPECT_EQ(file("prga1"), "\"160\",\"167\"\r\n");
    EXPECT_TRUE(sound.liveBuffers().empty()); // storing plays nothing

    click(cmdNextMemoryGroup); // group 2
    setPair("300", "304.5");
    click(mnuStoreA); // the menu twin stores like the button
    EXPECT_EQ(fileBytes({"prga2", "prga1"}), (Texts{"\"300\",\"304.5\"\r\n", "\"160\",\"167\"\r\n"}));

    setPair("", "");
    click(cmdRecallA);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2, txtBaseFreq, txtBeat}), (Texts{"300", "304.5", "300", "4.5"}));
    EXPECT_EQ(lamp(lampSound), kRed);
    expectPlaying(300, 304.5);

    click(cmdNextMemoryGroup, 2); // back to group 1
    click(cmdRecallA);
    expectPlaying(160, 167);
}

TEST_F(FrequencyMemoryTest, RecallReadsEitherFormAndTheAbsoluteValue)
{
    click(cmdWaveform); // square: a recall writes the current waveform
    putFile("prgb1", "-160,\"171\"\n");
    click(cmdRecallB);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2}), (Texts{"160", "171"}));
    EXPECT_EQ(file("freq2.wav").size(), squareSize(171));
    EXPECT_LE(distinctBytes("freq2.wav"), 4u);
    expectPlaying(160, 171);

    // A field that is not a number leaves its box alone; a missing memory
    // recalls the boxes as they are and still restarts the tones.
    putFile("prgc1", "\"abc\",180\r\n");
    click(cmdRecallC);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2}), (Texts{"160", "180"}));
    click(cmdRecallD);
    expectPlaying(160, 180);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FrequencyMemoryTest, DefaultsFillGroupOneAtoD)
{
    click(cmdNextMemoryGroup); // group 2: the defaults still go to group 1
    click(cmdDefaultMemories);
    EXPECT_EQ(fileBytes({"prga1", "prgb1", "prgc1", "prgd1"}),
              (Texts{"78.3,86.13\r\n", "141,155.1\r\n", "203,223.3\r\n", "264,290.4\r\n"}));
    EXPECT_FALSE(exists("prga2"));
    setPair("160", "165");
    click(cmdRecallA); // "Prg I" is not affected
    expectPlaying(160, 165);

    fs::remove(folder.path / "prga1");
    click(mnuDefaultMemories); // the menu twin writes the same memories
    EXPECT_EQ(file("prga1"), "78.3,86.13\r\n");
    click(cmdNextMemoryGroup, 2);
    click(cmdRecallA);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2, txtBeat}), (Texts{"78.3", "86.13", "7.83"}));
}

TEST_F(FrequencyMemoryTest, GroupStepCyclesSavesAndCaptions)
{
    struct Expect {
        const char* saved;
        std::size_t lit; // the group lamp lit, from 0
        const char* recall;
        const char* store;
        const char* lastRecall;
    };
    for (const Expect& e :
         {Expect{"2\r\n", 1, "Prg I", "Prg Set I", "Prg P"}, Expect{"3\r\n", 2, "Prg Q", "Prg Set Q", "Prg X"},
          Expect{"1\r\n", 0, "Prg A", "Prg Set A", "Prg H"}}) {
        click(cmdNextMemoryGroup);
        EXPECT_EQ(file("pgset"), e.saved);
        EXPECT_EQ(lamps({lampGroup1, lampGroup2, lampGroup3}), litAt(3, e.lit));
        EXPECT_EQ(captions({cmdRecallA, cmdStoreA, cmdRecallH}), (Texts{e.recall, e.store, e.lastRecall}));
    }
    EXPECT_EQ(form.caption(cmdStoreE), "Prg Set E"); // store buttons are not in designer order
}

TEST_F(FrequencyMemoryTest, StartUpShowsTheSavedGroupAndIgnoresGarbage)
{
    putFile("pgset", "3\r\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(captions({cmdRecallC, cmdStoreF}), (Texts{"Prg S", "Prg Set V"}));
    EXPECT_EQ(lamp(lampGroup3), kRed);

    putFile("pgset", "\"x\"\r\n");
    ASSERT_TRUE(start());
    putFile("prgf1", "300,310\r\n");
    click(cmdRecallF); // any other group recalls group 1
    expectPlaying(300, 310);
    click(cmdNextMemoryGroup); // and stays as it is
    EXPECT_EQ(file("pgset"), "\"x\"\r\n");
}

struct DeletionCase {
    std::string_view item;
    bool asks;
    std::vector<std::string> deleted;
};

void addNumbered(std::vector<std::string>& names, const std::string& stem, int from, int to)
{
    for (int i = from; i <= to; ++i)
        names.push_back(stem + std::to_string(i));
}

TEST_F(FrequencyMemoryTest, DeletionsAskFirstAndRemoveExactlyTheirFiles)
{
    std::vector<std::string> memories;
    for (char g = '1'; g <= '3'; ++g)
        for (char x = 'a'; x <= 'h'; ++x)
            memories.push_back(std::string("prg") + x + g);
    std::vector<std::string> colours = {"stimc", "backc", "cset", "csets"}, conditions;
    addNumbered(colours, "stimc", 2, 16);
    addNumbered(colours, "backc", 2, 16);
    addNumbered(conditions, "prgcnd", 1, 10);
    addNumbered(conditions, "prgtrg", 1, 10);
    std::vector<std::string> all = memories;
    for (const auto* group : {&colours, &conditions})
        all.insert(all.end(), group->begin(), group->end());
    // The strobe's warning comes again after everything is deleted.
    for (const char* n : {"vols", "pgset", "mask", "fctl", dataFile::kFlashAnswer, "gentle"})
        all.push_back(n);

    const std::vector<DeletionCase> cases = {
        {mnuDeleteMemories, true, memories}, {mnuDeleteLevels, false, {"vols"}},
        {mnuDeleteColours, true, colours},   {mnuDeleteConditions, false, conditions},
        {mnuDeleteAllData, true, all},       {mnuDeleteInstallFile, false, {"fctl"}},
    };
    for (const DeletionCase& c : cases) {
        SCOPED_TRACE(std::string(c.item));
        for (const auto& n : all)
            putFile(n, "1\r\n");
        for (const char* keep : {"freq1.wav", "spgset", "sprga1", "oncol", "bfctl", "notes.txt"})
            putFile(keep, "1\r\n");
        const auto before = folderNames(folder.path);
        if (c.asks) {
            dialogs.answerConfirm(false);
            click(c.item);
            EXPECT_EQ(folderNames(folder.path), before) << "answered No";
        }
        dialogs.answerConfirm(true);
        click(c.item);
        std::vector<std::string> expected;
        std::ranges::copy_if(before, std::back_inserter(expected),
                             [&](const std::string& n) { return std::ranges::find(c.deleted, n) == c.deleted.end(); });
        EXPECT_EQ(folderNames(folder.path), expected);
        dialogs.confirms.clear();
    }
    // Each question carries its own title; the window itself is unchanged.
    std::vector<std::string> titles;
    for (const auto& s : dialogs.shown)
        if (s.kind == "confirm")
            titles.push_back(s.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"Frequency Deletion", "Frequency Deletion", "Stored Information",
                                                "Stored Information", "Stored Information", "Stored Information"}));
}

} // namespace
} // namespace aurelith::test
