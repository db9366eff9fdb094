// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

#include <optional>
#include <string_view>

namespace aurelith {

// A channel box's text as a number. A text that is not wholly a number (an
// emptied box, a typo) counts by its leading number, as the boxes themselves
// read it, so the range check then says what is wrong.
double channelValue(std::string_view text);

// The beat as the boxes show it: channel 2 minus channel 1.
double beatOf(const Form& form);

// The beat when both boxes hold plain numbers: the scanner's arithmetic
// skips its step otherwise.
std::optional<double> plainBeatOf(const Form& form);

// Writes the beat into txtBeat.
void showBeat(App& app);

} // namespace aurelith
