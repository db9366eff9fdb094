// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "ui/ControlDef.h"

namespace aurelith {

// The main window as designed. In kLayout a parent always precedes its children,
// and later rows are stacked above earlier ones; the menu bar follows the controls.
extern const ControlDef kLayout[];
extern const int kLayoutCount;

extern const ScrollDef kScrollBars[];
extern const int kScrollBarCount;

extern const TimerDef kTimers[];
extern const int kTimerCount;

extern const std::string_view kReadOnlyBoxes[];
extern const int kReadOnlyCount;

} // namespace aurelith
