// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

#include <string>

namespace aurelith {

// "Headphone Check": kCheckToneHz in the left ear only, then in the right ear
// only, each for as long as a box names the ear; then whatever played before
// plays again. On a one-channel output it says why it cannot.
inline constexpr double kCheckToneHz = 440;
inline constexpr const char* kHeadphoneCheckTitle = "Headphone Check";
extern const char* const kOneChannelMessage;

enum class Ear { left, right };
std::string earCheckText(Ear ear);

void bindHeadphoneCheck(App& app);

} // namespace aurelith
