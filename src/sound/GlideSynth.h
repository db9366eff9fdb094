// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/GlideVoices.h"
#include "sound/GlideWaves.h"
#include "sound/StreamSource.h"

#include <array>
#include <cstdint>
#include <memory>

namespace aurelith {

// A plan with everything the audio thread needs made ahead of it.
struct GlideProgram {
    std::shared_ptr<const glide::Plan> plan;
    std::array<std::shared_ptr<const GlideWaveTables>, 4> tables; // by glide::Wave; none for a sine
    std::array<GlideNoise::Shape, 3> noise;                       // by glide::NoiseColour
    std::shared_ptr<StreamSource> mix;                            // the plan's mix file, when it has one
};

// Plays a GlideProgram on the audio thread: every lane's frequencies and level
// move every frame as the plan says, each tone's phase running on in a double
// accumulator. Anything the plan does not move smoothly (a step, a gap, a live
// edit, a seek, a start or a stop) is reached over kSmoothSeconds along a
// smooth curve, so nothing clicks. Never locks, allocates, frees or reads files.
class GlideSynth {
public:
    static constexpr double kSmoothSeconds = 0.06;
    // A start from silence, unhurried: nothing is there yet to follow.
    static constexpr double kFadeInSeconds = 0.2;
    static constexpr int kBlock = 512;
    static constexpr int kSlots = 2 * glide::kMaxLanes; // lanes, and old lanes fading out
    // Of a pulse's cycle, the rise (and the fall); on for half of it.
    static constexpr double kPulseRamp = 0.2;

    // Only while it does not render.
    void configure(int deviceRate);

    // Audio thread. The program must stay alive until idle() or the next
    // play() or replace().
    void play(const GlideProgram* program, std::int64_t fromFrame);
    void replace(const GlideProgram* program);
    void seek(std::int64_t frame);
    void stop();
    // Lets go of the program once idle: the next play starts afresh.
    void release();
    // Adds frames to interleaved stereo at the two master gains; returns a
    // bound on what it added to any sample (infinite with noise).
    float render(float* out, int frames, float toneGain, float noiseGain);
    // Nothing sounds and nothing more will: the program may go.
    bool idle() const { return program_ == nullptr || stopped_; }
    // Whether the plan last played ran to its end.
    bool ended() const { return ended_; }
    std::int64_t position() const { return position_; }
    // The beat of the first binaural (or monaural) lane as heard after the
    // last render, or else the pulse of the first isochronic one:
    // {phase in cycles (whole when in phase / at an onset), cycles a frame,
    // change of that a frame}. False while none sounds.
    bool beat(std::array<double, 3>& phaseRateSlope) const;

private:
    struct Slot {
        int lane = -1; // in the program's plan; -1: free, -2: an old lane fading out
        glide::LaneKind kind{};
        glide::Wave wave{};
        glide::NoiseColour colour{};
        std::size_t segment = 0; // the first segment that ends after the position
        double phaseL = 0, phaseR = 0, pulse = 0;
        glide::Values cur;   // the values heard at the next frame
        glide::Values aim;   // the plan's values there: a jump in them starts a smoothing
        glide::Values from;  // where the smoothing started
        glide::Values slope; // the plan's change a frame, while linear and not smoothing
        glide::Values hold;  // an old lane's values as it fades out
        int smoothLeft = 0;
        GlideNoise noise;
    };
    // The plan's values for a slot at a frame, the frame they stay linear up
    // to, and their change a frame.
    glide::Values target(Slot& s, std::int64_t frame, std::int64_t& until, glide::Values& slope,
                         const glide::Segment*& segment) const;
    // Returns the loudest level it played at.
    float renderSlot(Slot& s, int count);
    void renderLinear(Slot& s, int at, int n, const glide::Values& v, const glide::Values& slope);
    void renderSmoothing(Slot& s, int at, int n, std::int64_t frame, const glide::Values& v,
                         const glide::Segment* segment);
    // One ear's tone over n frames into dst, its phase moved on.
    void oscillate(const Slot& s, float* dst, int n, double& phase, double hz, double hzSlope, float level,
                   float levelSlope) const;
    float oscillateOne(const Slot& s, double phase, double hz) const;
    void place(const Slot& s, int at, int n, const float* left, const float* right);
    void adopt(const GlideProgram* program, bool fresh);
    void startSlot(Slot& s, int lane, std::uint32_t seed);
    void findSegments();
    void mixOut(float* out, int n, float toneFrom, float toneTo, float noiseFrom, float noiseTo);

    int rate_ = 44100;
    int smoothFrames_ = 1323;
    const GlideProgram* program_ = nullptr;
    std::int64_t position_ = 0;
    std::int64_t length_ = 0;
    std::int64_t fadeOut_ = 0;
    bool stopped_ = true;
    bool ended_ = false;
    double envelope_ = 0; // 0 ... 1: the fade in from silence and the stop's fade out
    bool fadingIn_ = false;
    float toneGain_ = 0, noiseGain_ = 0;
    int beatSlot_ = -1;
    bool noiseSounds_ = false;
    float toneBound_ = 0;
    std::uint32_t seeds_ = 1;
    std::array<Slot, kSlots> slots_;
    std::array<float, 2 * kBlock> tones_{}, noise_{}, mix_{};
    std::array<float, kBlock> left_{}, right_{};
};

} // namespace aurelith
