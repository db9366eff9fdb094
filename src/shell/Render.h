// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sequence/Sequence.h"
#include "state/ToneState.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace aurelith {

// What `--render` writes: the sound the window would play with these settings.
struct RenderRequest {
    std::filesystem::path output; // .wav, .flac or .ogg
    std::string left = "160";     // the two boxes, as typed
    std::string right = "170";
    Waveform waveform = Waveform::sine;
    std::string mask; // empty: none; "1" ... "8": that mask; else a sound file
    double minutes = 10;
    // Levels on the window's scales (the boxes under the bars show 0 ... 5000);
    // none: the levels saved in the data folder.
    std::optional<int> toneVolume;
    std::optional<int> maskVolume;
    // The other ear's tone, this many hundredths of a dB down (0: both tones in
    // both ears); none: the ears fully apart. The left tone is always the left ear's.
    std::optional<int> toneMod;
    // Scanning: a time per frequency in ms, +1 up or -1 down, an optional limit.
    double scanTimeMs = 0;
    int scanDirection = 0;
    std::optional<double> scanLimit;
    // Where to write the light track (CSV), if anywhere.
    std::filesystem::path lightTrack;
    // A sequence to render whole instead of the boxes' tones (length, tones,
    // mask and scan then come from it alone).
    std::optional<sequence::Sequence> sequence;
};

struct RenderProgress {
    // Called now and then with the share done, 0 ... 1.
    std::function<void(double)> report;
    // Set (by a signal handler) to stop: the render ends as soon as it sees it,
    // leaving nothing behind.
    const volatile std::sig_atomic_t* stop = nullptr;
    // Told what the user should know that is no failure (files set aside, a folder tightened).
    std::function<void(const std::string&)> notice;
};

// The furthest a tone can be kept from the other ear, hundredths of a dB.
inline constexpr int kFullSeparation = 10000;
// The whole number of steps a scan takes from the right tone to its limit, or
// none when the scan can never reach it (wrong side, not a whole number of 1 Hz steps).
std::optional<long long> scanStepsToLimit(const RenderRequest& request);
// How long the sound lasts, in ms, when a scan's limit stops it; else none.
std::optional<double> scanEndMs(const RenderRequest& request);
// Renders offline, far faster than real time, with the levels saved in
// `dataFolder` ("vols"), which is refused when another user owns it (as the
// window does) and whose files count only when they are the user's own; its
// files are never changed. The sound file and the light track appear under
// their names together, only when both are complete, and never replace a
// special file (they are written into it). Returns an empty string on
// success, else what went wrong.
std::string renderToFile(const RenderRequest& request, const std::filesystem::path& dataFolder,
                         const RenderProgress& progress = {});

// Where a render's frames come from: the window's own handlers on the offline
// mixer, or anything else that can stand in for them, such as a sequence player.
class RenderSource {
public:
    virtual ~RenderSource() = default;
    virtual int rate() const = 0;
    // Runs whatever is due at `frame` (timers, the light track) and says how
    // many frames, from 1 to `most`, may be rendered before anything is due.
    virtual long long prepare(long long frame, long long most) = 0;
    virtual void render(float* interleavedStereo, int frames) = 0;
};

class SoundFileWriter;
// Renders `total` frames of `source` into `writer`, the end faded out as a
// Stop would; an empty string, "interrupted", or what went wrong.
std::string renderFrames(RenderSource& source, SoundFileWriter& writer, long long total,
                         const RenderProgress& progress);

} // namespace aurelith
