// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace aurelith {

// The channels of the sink this process's playback stream goes to, asked of
// the PulseAudio server (or PipeWire's pulse service): SDL's PulseAudio
// driver tells the first sink's channels as the default device's, wherever
// its stream really plays. Nothing when there is no server, no such stream,
// or no answer within half a second.
std::optional<int> pulseChannelsOfOwnStream();

} // namespace aurelith
