// SPDX-License-Identifier: GPL-3.0-or-later
#include "photic/PhoticWrites.h"
#include "scan/ScanWrites.h"
#include "support/AppFixture.h"

#include <array>
#include <cmath>
#include <optional>

namespace aurelith::test {
namespace {

using namespace ctl;

class StartupTest : public AppTest {};

TEST_F(StartupTest, FirstRunWritesExactlyTheDefaults)
{
    ASSERT_TRUE(start());
    // The base frequency bar moves to 135 on the way and rewrites the tone files.
    std::vector<std::string> expected = {"vols",   "csets", "mask",      "spgset",   "oncol",
                                         "offcol", "fctl",  "freq1.wav", "freq2.wav"};
    for (int set = 1; set <= 16; ++set) {
        const std::string suffix = set == 1 ? "" : std::to_string(set);
        expected.push_back("stimc" + suffix);
        expected.push_back("backc" + suffix);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folderNames(folder.path), expected);

    EXPECT_EQ(fileBytes({"vols", "csets", "mask", "spgset", "stimc", "backc", "stimc9", "backc10", "backc16", "oncol",
                         "offcol", "fctl"}),
              (Texts{"3500,0,-4950,135\r\n", "1\r\n", "1\r\n", "1\r\n", "16777215\r\n", "0\r\n", "4227327\r\n",
                     "32896\r\n", "16711680\r\n", "255\r\n", "16711680\r\n", "1\r\n"}));
}

TEST_F(StartupTest, DefaultsAreWrittenInOrderMarkerLast)
{
    std::vector<std::string> order;
    app.files.written = [&](std::string_view name) { order.emplace_back(name); };
    ASSERT_TRUE(start());
    ASSERT_EQ(order.size(), 39u);
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 7),
              (std::vector<std::string>{"vols", "csets", "mask", "spgset", "stimc", "backc", "stimc2"}));
    EXPECT_EQ(std::vector<std::string>(order.end() - 4, order.end()),
              (std::vector<std::string>{"backc16", "oncol", "offcol", "fctl"}));
}

TEST_F(StartupTest, FirstRunLevelsAndDisplays)
{
    ASSERT_TRUE(start());
    // 3500 is out of the tone bar's range.
    EXPECT_EQ(values({scrToneVol, scrBalance, scrMaskVol, scrBaseFreq}), (std::vector<int>{-3000, 0, -4950, 135}));
    EXPECT_EQ(texts({txtToneVol, txtBalance, txtMaskVol, txtBaseFreqBar, txtSetFreq1, txtsetfreq2, txtBaseFreq, txtBeat,
                     txtDuration, txtFlashRate, txtColourSet, txtLightSound, txtStimColour, txtBackColour}),
              (Texts{"2000", "0", "50", "125", "135", "141", "135", "6", "83", "6", "1", "0", "16777215", "0"}));
    EXPECT_EQ(lamps({lampSound, lampStrobe}), (Colours{kBlue, kBlue}));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(playing().empty()); // nothing starts by itself
}

TEST_F(StartupTest, SecondStartCreatesNothing)
{
    ASSERT_TRUE(start());
    putFile("stimc", "12345\r\n"); // the user's own colour survives the next start
    const auto before = folderNames(folder.path);
    fs::remove(folder.path / "freq1.wav");
    fs::remove(folder.path / "freq2.wav");

    Program second(folder.path);
    ASSERT_TRUE(startUp(second.app));
    EXPECT_EQ(folderNames(folder.path), before);
    EXPECT_EQ(file("stimc"), "12345\r\n");
    EXPECT_EQ(second.form.text(txtStimColour), "12345");
}

TEST_F(StartupTest, MarkerOtherThanOneRewritesAllDefaults)
{
    for (const std::string marker : {"0\r\n", "2\r\n", "\"1\"\r\n", "garbage"}) {
        putFile("fctl", marker);
        putFile("vols", "-100,200,-300,400\r\n");
        putFile("oncol", "123\r\n");
        Program next(folder.path);
        ASSERT_TRUE(startUp(next.app));
        EXPECT_EQ(fileBytes({"vols", "oncol", "fctl"}), (Texts{"3500,0,-4950,135\r\n", "255\r\n", "1\r\n"})) << marker;
    }
}

TEST_F(StartupTest, StoredLevelsAreReplayedThroughTheBars)
{
    putFile("fctl", "1\r\n");
    putFile("vols", "-1000,2500,-200,200\r\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(form.value(scrToneVol), -1000);
    EXPECT_EQ(texts({txtToneVol, txtBalance, txtMaskVol, txtBaseFreqBar, txtSetFreq1, txtsetfreq2}),
              (Texts{"4000", "2500", "4800", "190", "200", "206"}));
}

// A level record that is gone or holds no usable numbers must never start
// loud ("Mask Vol" is designed at full level): each unusable field starts where
// a first run puts it, and so does what is heard.
class UnusableLevelsTest : public ::testing::TestWithParam<std::optional<std::string>> {
protected:
    static constexpr std::array<std::string_view, 4> kBars = {scrToneVol, scrBalance, scrMaskVol, scrBaseFreq};

    struct Heard {
        std::array<int, 4> positions{};
        float peak = 0;
    };
    // Starts the program, presses "M Alpha" over the pink noise and listens.
    static Heard startAndListen(Program& p)
    {
        p.sound.usePinkNoiseStandIn();
        EXPECT_TRUE(startUp(p.app));
        Heard heard;
        for (size_t i = 0; i < kBars.size(); ++i)
            heard.positions[i] = p.form.value(kBars[i]);
        p.form.click(cmdMAlpha);
        for (float sample : p.sound.render(1.0))
            heard.peak = std::max(heard.peak, std::abs(sample));
        return heard;
    }
};

TEST_P(UnusableLevelsTest, StartAsOnAFirstRun)
{
    Program firstRun;
    const Heard expected = startAndListen(firstRun);

    Program returning;
    writeBytes(returning.folder.path / "fctl", "1\r\n");
    if (GetParam())
        writeBytes(returning.folder.path / "vols", *GetParam());
    const Heard heard = startAndListen(returning);
    EXPECT_EQ(heard.positions, expected.positions);
    EXPECT_NEAR(20 * std::log10(heard.peak / expected.peak), 0.0, 1.0) << "peak " << heard.peak;
}

INSTANTIATE_TEST_SUITE_P(Levels, UnusableLevelsTest,
                         ::testing::Values(std::nullopt, "", "  \r\n", ",,,\r\n", "NaN,nan,inf,-inf\r\n",
                                           "\"a\",\"b\",\"c\",\"d\"\r\n", "0x10,1e999,--5,\r\n"));

TEST_F(StartupTest, EachUnusableLevelFieldAloneTakesItsFirstRunValue)
{
    Program firstRun;
    ASSERT_TRUE(startUp(firstRun.app));
    startAsReturningUser("-1000,zz,,140");
    const auto& first = firstRun.form;
    EXPECT_EQ(values({scrToneVol, scrBalance, scrMaskVol, scrBaseFreq}),
              (std::vector<int>{-1000, first.value(scrBalance), first.value(scrMaskVol), 140}));
}

TEST_F(StartupTest, GarbageDataFilesAreSurvived)
{
    putFile("fctl", "1\r\n");
    putFile("vols", std::string("\x00\xff\x01,zz,\"q", 8) + std::string(100000, 'x'));
    putFile("oncol", "not a colour\r\n");
    putFile("offcol", "-5\r\n");
    putFile("csets", "\"abc\",7,8\r\n");
    putFile("bfctl", "9e999\n");
    putFile("stimc", "\n\n\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(form.value(scrToneVol), -3000);
    EXPECT_EQ(text(txtColourSet), "abc");
    EXPECT_FALSE(form.backColour(lampSound).has_value()); // no usable lamp colour
}

TEST_F(StartupTest, NoSoundDeviceTellsWhyAndEnds)
{
    sound.failDevice = true;
    sound.failReason = "no audio server";
    bool shown = false;
    app.showWindow = [&] { shown = true; };
    EXPECT_FALSE(start());
    EXPECT_TRUE(shown);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0], "Unable to open the sound output\nno audio server");
    EXPECT_TRUE(app.quitRequested);
    EXPECT_EQ(file("fctl"), "1\r\n");   // defaults written earlier stay
    EXPECT_EQ(text(txtBaseFreq), "ON"); // the channel text replaces it only once sound works
}

TEST_F(StartupTest, ExitSavesLevelsColourSetAndScanGroup)
{
    ASSERT_TRUE(start());
    click(cmdMAlpha);
    form.setValue(scrToneVol, -1500);
    form.setValue(scrBalance, 700);
    PhoticWrites::strobe(app).colourSetIndex = 5;
    ScanWrites::scan(app).scanBankGroup = 3;
    click(cmdExit);
    EXPECT_EQ(fileBytes({"vols", "csets", "spgset"}), (Texts{"-1500,700,-4950,135\r\n", "5\r\n", "3\r\n"}));
    EXPECT_TRUE(sound.liveBuffers().empty());
    EXPECT_EQ(sound.calls.back(), "releaseDevice");
    EXPECT_TRUE(app.quitRequested);
}

TEST_F(StartupTest, MenuExitLeavesTheScanGroupFile)
{
    ASSERT_TRUE(start());
    ScanWrites::scan(app).scanBankGroup = 3;
    form.setValue(scrMaskVol, -10);
    click(mnuExit);
    EXPECT_EQ(fileBytes({"vols", "spgset"}), (Texts{"-3000,0,-10,135\r\n", "1\r\n"}));
    EXPECT_TRUE(app.quitRequested);
}

} // namespace
} // namespace aurelith::test
