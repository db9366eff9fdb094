// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Bindings.h"

#include "shell/Startup.h"
#include "events/ConditionsEvents.h"
#include "freq/Adjusters.h"
#include "freq/BandPresets.h"
#include "freq/FrequencyMemory.h"
#include "photic/ColourSets.h"
#include "photic/GentleLight.h"
#include "photic/Strobe.h"
#include "tools/HeadphoneCheck.h"
#include "tools/HelpTexts.h"
#include "tools/SleepTimer.h"
#include "tools/ToolLaunchers.h"
#include "scan/ScanBanks.h"
#include "scan/Scanner.h"
#include "sequence/SequenceSession.h"
#include "tone/BaseFreqControls.h"
#include "tone/ChannelControls.h"
#include "tone/LevelControls.h"
#include "tone/Playback.h"
#include "tone/WaveformControls.h"

namespace aurelith {

void bindHandlers(App& app)
{
    bindShell(app);
    // The strobe follows every retune of the tones; wired here so the tone
    // engine never needs to know the strobe.
    bindPlayback(app, [&app] {
        if (strobeRunning(app))
            ColorOn(app);
    });
    bindLevelControls(app);
    bindBaseFreqControls(app);
    bindChannelControls(app);
    bindWaveformControls(app);
    bindBandPresets(app);
    bindAdjusters(app);
    bindFrequencyMemory(app);
    bindColourSets(app);
    bindStrobe(app);
    bindGentleLight(app);
    bindConditionsEvents(app);
    bindToolLaunchers(app);
    bindHelpTexts(app);
    bindScanner(app);
    bindScanBanks(app);
    bindSleepTimer(app);
    bindHeadphoneCheck(app);
    // A sequence that starts with the strobe on takes the strobe with it.
    sequence::bindSequenceSession(app, [&app] {
        if (strobeRunning(app))
            ColorOn(app);
    });
}

} // namespace aurelith
