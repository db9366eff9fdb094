// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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
    int waveform = 1; // 1 sine, 2 square, 3 sawtooth, 4 triangle
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
};

struct RenderProgress {
    // Called now and then with the share done, 0 ... 1.
    std::function<void(double)> report;
    // Set (by a signal handler) to stop: the render ends as soon as it sees it,
    // leaving nothing behind.
    const volatile std::sig_atomic_t* stop = nullptr;
};

// The furthest a tone can be kept from the other ear, hundredths of a dB.
inline constexpr int kFullSeparation = 10000;
// The whole number of steps a scan takes from the right tone to its limit, or
// none when the scan can never reach it (wrong side, not a whole number of 1 Hz steps).
std::optional<long long> scanStepsToLimit(const RenderRequest& request);
// How long the sound lasts, in ms, when a scan's limit stops it; else none.
std::optional<double> scanEndMs(const RenderRequest& request);
// The file's estimated size in bytes for this many stereo frames.
long long estimatedRenderBytes(const std::filesystem::path& output, long long frames);

// Renders offline, far faster than real time, with the levels saved in
// `dataFolder` ("vols"); nothing there is changed. The file appears under its
// name only when it is complete. Returns an empty string on success, else
// what went wrong.
std::string renderToFile(const RenderRequest& request, const std::filesystem::path& dataFolder,
                         const RenderProgress& progress = {});

// The file format for an output name, or 0 when its extension is not one we write.
int renderFormatFor(const std::filesystem::path& output);
// The same for a sound of `frames` stereo frames: a WAV whose 32-bit size
// fields could not hold it is written as RF64.
int renderFormatFor(const std::filesystem::path& output, long long frames);

} // namespace aurelith
