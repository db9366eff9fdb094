// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The mixer's voice, shared by its window side (Mixer.cpp) and its audio side
// (MixerAudioSide.cpp); nothing else sees it.

#include "sound/BandLimitedCycle.h"
#include "sound/Mixer.h"
#include "sound/OutputClock.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

namespace aurelith {

namespace mixing {

enum class PlayState : int { Stopped, Looping, Once };

// Aligned to its size, so every compiler stores it with one instruction
// (clang calls libatomic for a four-byte-aligned pair).
struct alignas(8) StereoGain {
    float left;
    float right;
};

struct RenderContext {
    int deviceRate;
    float fadeStep;              // envelope change per frame
    long graceFrames;            // frames a stopped voice plays on
    std::int64_t firstFrame = 0; // the mixer's count at the block's first frame
};

static_assert(std::atomic<StereoGain>::is_always_lock_free);
static_assert(std::atomic<double>::is_always_lock_free);
static_assert(std::atomic<PlayState>::is_always_lock_free);

} // namespace mixing

class Mixer::Voice {
public:
    using PlayState = mixing::PlayState;

    explicit Voice(std::shared_ptr<const PcmData> pcm)
        : data(std::move(pcm)), periodic(data->channels == 1 && data->frames <= kMaxCycleFrames),
          rate(data->sampleRate), dataPeak(peakOf(*data))
    {
    }
    explicit Voice(std::shared_ptr<StreamSource> source) : stream(std::move(source)), rate(0.0) {}

    const std::shared_ptr<const PcmData> data;
    const std::shared_ptr<StreamSource> stream;
    const bool periodic = false;
    std::atomic<PlayState> state{PlayState::Stopped};
    std::atomic<mixing::StereoGain> gain{mixing::StereoGain{1.0f, 1.0f}};
    std::atomic<double> rate;

    // Window's thread only.
    int volume = 0;
    int pan = 0;
    std::string key;
    ToneWave wave = ToneWave::unknown; // set before the voice is added
    // Set by the window's thread before the voice first plays, read-only after.
    std::shared_ptr<const BandLimitedCycle> cycle;
    bool cycleBuilt = false;

    // Set by the window's thread before the voice is added; cleared by the
    // audio thread when the predecessor is freed.
    Voice* predecessor = nullptr;

    // A periodic tone's phase, published by the audio thread for the window's:
    // {the mixer's frame count, the phase there in cycles, cycles per frame}.
    // Cleared once the voice falls silent.
    SeqSnapshot<3> phaseStamp;

    // Audio thread only.
    bool sounding = false;   // heard now, perhaps fading
    bool retiring = false;   // removed by the window; freed once silent
    bool supplanted = false; // a successor took over: silent for good
    bool begun = false;      // has sounded at some time

    bool wanted() const
    {
        return !retiring && !supplanted && state.load(std::memory_order_acquire) != PlayState::Stopped;
    }

    // Audio thread: starts sounding, from where a sounding predecessor is when
    // it is the same kind of sound, else from silence.
    void begin();
    // Audio thread: adds this voice's next frames to out, and returns a
    // bound on what it added to any sample (infinite when unknown).
    float mixInto(float* out, int frames, const mixing::RenderContext& ctx);

private:
    static constexpr int kChunk = 1024;

    // The loudest sample, infinite when one is not a finite number.
    static float peakOf(const PcmData& pcm);
    const float dataPeak = std::numeric_limits<float>::infinity();

    bool continues(const Voice& p) const;
    // Takes back frames produced but not heard (a stream cannot give them back).
    void rewind(int frames, int deviceRate);
    // Writes n stereo frames of the raw sound; fewer when a one-shot ends.
    int produce(float* dst, int n, int deviceRate);
    // A periodic tone, one value per frame: phase in cycles through a double
    // accumulator, so the pitch is exact over hours.
    int produceCycle(float* dst, int n, int deviceRate);
    // The same for a pure sine that loops, computed rather than read.
    void produceSine(float* dst, int n, double step);
    template <int Channels>
    int produceSampled(float* dst, int n, int deviceRate);

    std::array<float, 2 * kChunk> scratch{};
    double position = 0.0; // frames of the data, or cycles of a periodic tone
    float level = 0.0f;    // fade envelope 0 ... 1
    long graceLeft = 0;
    bool looping = true;
};

} // namespace aurelith
