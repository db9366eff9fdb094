// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// The twenty-four frequency memories (eight buttons in three groups), their
// defaults and the menu that deletes stored data.
void bindFrequencyMemory(App& app);

// Lights the group's lamp and captions the memory buttons for programGroup.
void showProgramGroup(App& app);

} // namespace aurelith
