// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/HelpTexts.h"

#include "core/Version.h"
#include "photic/FlashHazards.h"
#include "photic/FlashWarning.h"

#include "ui/ControlNames.h"

namespace aurelith {

using namespace ctl;

std::vector<HelpText> helpTexts(const App& app)
{
    const std::string folder = app.folder.string();
    return {
        // "&Version"
        {mnuVersion, kAppTitle,
         "Version " AURELITH_VERSION
         " - Aurelith, free software under the GNU General Public License, version 3 or later. It comes with no "
         "warranty; the licence and the copyright file installed beside the manual say what you may do with it."},
        // "&Sales"
        {mnuSales, kAppTitle,
         "Aurelith is free software under the GNU General Public License, version 3 or later; it is not sold."},
        // "&Disclaimer"
        {mnuDisclaimer, kAppTitle,
         std::string(kFlashHazard) +
             " The first time the strobe would start, a warning says how many times a second it will flash; Esc "
             "stops it at once. Aurelith is not a medical device: it does not diagnose, treat or prevent any "
             "condition. Do not use it while driving or operating machinery.\n\n" +
             defaultSetHazardsText()},
        // "&Specifications"
        {mnuSpecifications, kAppTitle,
         "4 Waveforms, 20 Frequency Buttons, 24 Programmable Frequency Buttons (8X3 I.D.), 25 Mode Light indicators "
         "(titles change with buttons), 12 frequency Sweep (ramp) Buttons with custon limits, 106 Functions, 2X and "
         ".5X on all Frequencies up to 15600K HZ and down to 1HZ, 16 Color Sets, Adjustable Frequencies, Adjustable "
         "Base Frequency, Vol, Modulation, Adjustable Noise, Channel Rev, Adjustable Sound to Light Stimulation "
         "Ratios and colors. 10 Programmable Conditions and 10 Programmable Triggers for external event control. "
         "Full and 1/2 Screen Photolitic Color Stimulation, Plus Record and mixing with shell buttons."},
        // "&Adjustments"
        {mnuHelpAdjustments, kAppTitle,
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
        // "&Scanner"
        {mnuHelpScanner, "Freq Scanner",
         "Pick a TimeScan (Pulldown Menu). Scan times are per frequency, not total time. Then a Freq Scan Direction "
         "(Up/Down), and then press ScanOn. Use ScanOff Button to turn off. For Freq Limits press the Up or Down "
         "limit button, enter the limit freq and press the enter button below, and then press the scan On button."},
        // "&Music Mixing"
        {mnuHelpMusicMixing, kAppTitle,
         "For music mixing convert music to mp3, wma, asf or other sound file, then click on the Media Player, play "
         "music and activate your binaural sounds and ajust the volumes in the mixer."},
        // "&Conds/Events"
        {mnuHelpConditions, "Conditions and Trigger Programming",
         "Conditions programming: ( Cond # can be #'s 1-20 = the freq for next loop 1-20 ). SEE MANUAL FOR MORE "
         "INFORMATION."},
        // "&Mask Files"
        {mnuHelpMaskFiles, "Masking Noises and files",
         "Up to 8 different sound files can be used as a masking source, #1 is pink_inv.wav, the rest are mask2.wav "
         "to mask8.wav and can be any sound source file renamed these names. After renameing and placing in the "
         "program directory, (" +
             folder +
             "). Using the Mask button pick the file you want to hear, See Mash Volume "
             "frame or mode lights. Example : Mask Vol 2 = mask2.wav, Mask Vol 3 = mask3.wav, etc.."},
        // "&No Sounds"
        {mnuHelpNoSounds, kAppTitle,
         "Check mixer settings (Button), speaker volume, DirectX Installed, start button pressed, base freq too low, "
         "click on freq buttons, (alpha, beta, etc)."},
        // "&Schumann Freqs."
        {mnuHelpSchumann, kAppTitle, "For first time use, click DEFPRG Button to program them into Prg A-D buttons."},
        // "&Fast Start"
        {mnuHelpFastStart, kAppTitle,
         "Click L Alpha button, Adj. Vol, Click Stim and BGrd Color buttons 1-4, pick colors, after done click Color "
         "then Color Refresh (first time only), Click DefPrg to load Schumann resonance freqs, set all volume "
         "controls (saved for startup), click Color On button to start strobe, click color set to change colors."},
    };
}

void bindHelpTexts(App& app)
{
    for (const HelpText& h : helpTexts(app))
        app.form.onClick(h.item, [&app, title = h.title, text = h.text] { app.message(text, title); });
}

} // namespace aurelith
