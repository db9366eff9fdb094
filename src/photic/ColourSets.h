// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

#include <string>

namespace aurelith {

struct DefaultColourSet {
    int stim;
    int back;
};
// The first-run colours of sets 1 ... 16.
extern const DefaultColourSet kDefaultColourSets[16];

// "Color Set": moves on to the next of the sixteen sets and makes it active.
void selectNextColourSet(App& app);
// "ColPrg": the eight Stim/BGrd buttons move on to the next group of four sets.
void cycleColourBank(App& app);
// One of the eight Stim/BGrd buttons (slot 0 ... 7, "Stim 1" first): the colour dialog,
// then the picked colour goes to that slot's file in the current bank.
void pickSetColour(App& app, int slot);
// "Reset": no colour set is active (the next "Color Set" press shows set 1).
void forgetColourSet(App& app);
// Start-up: the Mode panel's four lamps show the stored set's group.
void showColourSetAtStart(App& app);

void bindColourSets(App& app);

} // namespace aurelith
