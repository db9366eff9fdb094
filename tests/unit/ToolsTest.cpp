#include "support/AppFixture.h"
#include "tools/ToolLaunchers.h"

namespace aurelith::test {
namespace {

using namespace ctl;

class ToolsTest : public AppTest {
protected:
    void SetUp() override { ASSERT_TRUE(start()); }
};

// Every button and menu item of a tool, with all but its first candidate
// installed: the first is tried, the second starts, nothing after it.
TEST_F(ToolsTest, EachTriggerStartsTheFirstCandidateThatStartsAndStopsThere)
{
    for (const Tool& tool : desktopTools()) {
        ASSERT_GE(tool.candidates.size(), 3u);
        for (std::string_view trigger : {tool.button, tool.menuItem}) {
            if (trigger.empty())
                continue;
            launcher.tried.clear();
            launcher.installed.clear();
            for (size_t i = 1; i < tool.candidates.size(); ++i)
                launcher.installed.insert(tool.candidates[i].program);
            click(trigger);
            ASSERT_EQ(launcher.tried.size(), 2u) << trigger;
            EXPECT_FALSE(launcher.tried[0].ok);
            EXPECT_EQ(launcher.tried[1].program, tool.candidates[1].program);
            EXPECT_EQ(launcher.tried[1].arguments, tool.candidates[1].arguments);
        }
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ToolsTest, NothingInstalledTriesEveryCandidateAndSaysNothing)
{
    launcher.nothingInstalled = true;
    click(cmdMixer);
    EXPECT_EQ(launcher.tried.size(), desktopTools().back().candidates.size());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ToolsTest, TheManualOpensInTheDesktopViewerOnlyWhenItIsThere)
{
    click(cmdManual); // no manual known
    app.manualPath = folder.path / "manual.html";
    click(mnuReadManual); // not there
    EXPECT_TRUE(launcher.opened.empty());

    putFile("manual.html", "<html></html>");
    click(cmdManual);
    click(mnuReadManual);
    EXPECT_EQ(launcher.opened, (std::vector<fs::path>{app.manualPath, app.manualPath}));
    EXPECT_TRUE(launcher.tried.empty());
    EXPECT_TRUE(dialogs.shown.empty());

    launcher.nothingInstalled = true; // no viewer starts
    click(cmdManual);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].find(app.manualPath.string()), std::string::npos);
}

struct Box {
    std::string_view item;
    const char* title;
    std::string text; // "{folder}" stands for the program's folder
};

std::string withFolder(std::string text, const fs::path& folder)
{
    const size_t at = text.find("{folder}");
    return at == std::string::npos ? text : text.replace(at, 8, folder.string());
}

TEST_F(ToolsTest, EveryHelpBoxShowsItsTextWithOkOnlyAndChangesNothing)
{
    const std::vector<Box> boxes = {
        {mnuVersion, "Aurelith",
         "Version 4.0 - Aurelith, free software under the GNU General Public License, version 3 or later. It comes "
         "with no warranty; the licence and the copyright file installed beside the manual say what you may do with "
         "it."},
        {mnuSales, "Aurelith",
         "Aurelith is free software under the GNU General Public License, version 3 or later; it is not sold."},
        {mnuDisclaimer, "Aurelith",
         "Flashing light can trigger seizures in people with photosensitive epilepsy. Do not use the color strobe if "
         "you or anyone who can see the screen has epilepsy or has ever had a seizure, and stop at once if you feel "
         "unwell, dizzy or see anything odd. The first time the strobe would start, a warning says how many times a "
         "second it will flash; Esc stops it at once. Aurelith is not a medical device: it does not diagnose, treat "
         "or prevent any condition. Do not use it while driving or operating machinery."},
        {mnuSpecifications, "Aurelith",
         "4 Waveforms, 20 Frequency Buttons, 24 Programmable Frequency Buttons (8X3 I.D.), 25 Mode Light indicators "
         "(titles change with buttons), 12 frequency Sweep (ramp) Buttons with custon limits, 106 Functions, 2X and "
         ".5X on all Frequencies up to 15600K HZ and down to 1HZ, 16 Color Sets, Adjustable Frequencies, Adjustable "
         "Base Frequency, Vol, Modulation, Adjustable Noise, Channel Rev, Adjustable Sound to Light Stimulation "
         "Ratios and colors. 10 Programmable Conditions and 10 Programmable Triggers for external event control. "
         "Full and 1/2 Screen Photolitic Color Stimulation, Plus Record and mixing with shell buttons."},
        {mnuHelpAdjustments, "Aurelith",
         "Click on the M Alpha and adjust volume, noise, tone, base freq, as desired, along with any mixer controls "
         "if needed (Mixer Button). Click on the Color On button to start the color strobe. Adjust color (Stim/Bgrd "
         "buttons). Your favorite color is a good place to start. To set the default Schumann's resonance "
         "frequencies, click on the Default Program Button (DefPrg), (for first time use only). This will program "
         "the first 4 programmable buttons (A-D) for the Schumann's resonance frequencies. The RevChn Buttom should "
         "be used to set the higher freq channel (freq text boxes) to your dominant ear (best hearing ear). Base "
         "freq can be adjusted to run at octive frequencies or above or below octive freq to assist in further "
         "stimulative or depressive EEG responses. Use the PrgSet Button to pick the 3 groups of 8 programmable "
         "buttons and the PrgSet (letter) buttons to store the freqs in the text boxes. See the manual (the Manual "
         "button) for further assistance."},
        {mnuHelpScanner, "Freq Scanner",
         "Pick a TimeScan (Pulldown Menu). Scan times are per frequency, not total time. Then a Freq Scan Direction "
         "(Up/Down), and then press ScanOn. Use ScanOff Button to turn off. For Freq Limits press the Up or Down "
         "limit button, enter the limit freq and press the enter button below, and then press the scan On button."},
        {mnuHelpMusicMixing, "Aurelith",
         "For music mixing convert music to mp3, wma, asf or other sound file, then click on the Media Player, play "
         "music and activate your binaural sounds and ajust the volumes in the mixer."},
        {mnuHelpConditions, "Conditions and Trigger Programming",
         "Conditions programming: ( Cond # can be #'s 1-20 = the freq for next loop 1-20 ). SEE MANUAL FOR MORE "
         "INFORMATION."},
        {mnuHelpMaskFiles, "Masking Noises and files",
         "Up to 8 different sound files can be used as a masking source, #1 is pink_inv.wav, the rest are mask2.wav "
         "to mask8.wav and can be any sound source file renamed these names. After renameing and placing in the "
         "program directory, ({folder}). Using the Mask button pick the file you want to hear, See Mash Volume "
         "frame or mode lights. Example : Mask Vol 2 = mask2.wav, Mask Vol 3 = mask3.wav, etc.."},
        {mnuHelpNoSounds, "Aurelith",
         "Check mixer settings (Button), speaker volume, DirectX Installed, start button pressed, base freq too low, "
         "click on freq buttons, (alpha, beta, etc)."},
        {mnuHelpSchumann, "Aurelith", "For first time use, click DEFPRG Button to program them into Prg A-D buttons."},
        {mnuHelpFastStart, "Aurelith",
         "Click L Alpha button, Adj. Vol, Click Stim and BGrd Color buttons 1-4, pick colors, after done click Color "
         "then Color Refresh (first time only), Click DefPrg to load Schumann resonance freqs, set all volume "
         "controls (saved for startup), click Color On button to start strobe, click color set to change colors."},
    };
    click(cmdLDelta); // sound playing, so a stray restart would show
    const size_t soundCalls = sound.calls.size();
    int changes = 0;
    form.addObserver([&changes](const Control&, Property) { ++changes; });
    int writes = 0;
    app.files.written = [&writes](std::string_view) { ++writes; };

    for (const Box& box : boxes) {
        dialogs.shown.clear();
        click(box.item);
        ASSERT_EQ(dialogs.shown.size(), 1u) << box.item;
        EXPECT_EQ(dialogs.shown[0].kind, "message"); // the OK-only box
        EXPECT_EQ(dialogs.shown[0].title, box.title);
        // The Disclaimer goes on with the colour sets' flash hazards (FlashHazardsTest reads them).
        const std::string expected = withFolder(box.text, folder.path);
        const std::string& shown = dialogs.shown[0].text;
        if (box.item == mnuDisclaimer)
            EXPECT_EQ(shown.substr(0, expected.size() + 2), expected + "\n\n");
        else
            EXPECT_EQ(shown, expected);
    }
    EXPECT_EQ(std::tuple(changes, writes, sound.calls.size()), std::tuple(0, 0, soundCalls));
    EXPECT_TRUE(launcher.tried.empty());
    EXPECT_FALSE(form.inModal());
}

} // namespace
} // namespace aurelith::test
