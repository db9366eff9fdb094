// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// "Sleep Timer...": after the chosen minutes the sound fades out over
// kSleepFadeMs and "Stop" applies. The minutes left are the caption of
// tmrSleep, which the window shows after its own title.
inline constexpr int kSleepMaxMinutes = 720;
inline constexpr int kSleepFadeMs = 30000;

void bindSleepTimer(App& app);

} // namespace aurelith
