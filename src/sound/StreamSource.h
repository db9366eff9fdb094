// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace aurelith {

// Sound made ahead by another thread (a long masking file decoded and
// resampled by a worker), already stereo at the device rate.
class StreamSource {
public:
    virtual ~StreamSource() = default;
    // Audio thread: fills `frames` interleaved stereo frames, silence where
    // nothing is ready yet. Never blocks, locks, allocates or reads files.
    virtual void pull(float* stereo, int frames) = 0;
    // Offline rendering only, never the audio thread: returns once `frames`
    // frames can be pulled without running dry, or the source has no more to
    // give, waiting for its worker as long as it must.
    virtual void awaitFrames(int /*frames*/) {}
};

} // namespace aurelith
