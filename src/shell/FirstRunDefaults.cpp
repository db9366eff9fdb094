// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Startup.h"

#include "app/DataFileNames.h"
#include "photic/ColourSets.h"

namespace aurelith {

void writeFirstRunDefaults(const DataFiles& files)
{
    using namespace dataFile;
    files.write(kLevels, {kFirstRunLevels[0], kFirstRunLevels[1], kFirstRunLevels[2], kFirstRunLevels[3]});
    files.write(kColourSetIndex, {1});
    files.write(kMaskSelection, {1});
    files.write(kScanBankGroup, {1});
    for (int set = 1; set <= 16; ++set) {
        files.write(colourSet(kStimColour, set), {kDefaultColourSets[set - 1].stim});
        files.write(colourSet(kBackColour, set), {kDefaultColourSets[set - 1].back});
    }
    files.write(kLampOnColour, {255});
    files.write(kLampOffColour, {16711680});
    files.write(kFirstRunMarker, {1});
}

void useDefaultColourSets(WindowState& s)
{
    for (int set = 1; set <= 16; ++set)
        s.strobe.colourSets[set - 1] = {kDefaultColourSets[set - 1].stim, kDefaultColourSets[set - 1].back};
    s.strobe.activeStimColour = kDefaultColourSets[0].stim;
    s.strobe.activeBackColour = kDefaultColourSets[0].back;
}

} // namespace aurelith
