// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Gliding voices: what a sequence asks of the sound system, in the sound's own
// terms (frames at the device rate, hertz per ear, levels). The synthesis
// changes frequency and level every frame and keeps each tone's phase, so the
// beat heard is the planned one at every frame; nothing is ever retuned by
// rebuilding buffers.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace aurelith {

namespace glide {

enum class LaneKind {
    binaural,   // the left tone in the left ear, the right tone in the right ear
    monaural,   // both tones in both ears
    isochronic, // the left tone in both ears, gated at pulseHz with smooth edges
    tone,       // the left tone in both ears
    noise,      // of NoiseColour, uncorrelated in the two ears
    mix,        // the plan's mix file, streamed
};

enum class Wave { sine, square, triangle, sawtooth };

enum class NoiseColour { white, pink, brown };

// Over [startFrame, endFrame) every value moves linearly from its start to its
// end. A value that differs from where the previous segment ended (a step) is
// reached over a few milliseconds, so no boundary clicks.
struct Segment {
    std::int64_t startFrame = 0;
    std::int64_t endFrame = 0;
    double startLeftHz = 0, endLeftHz = 0;
    double startRightHz = 0, endRightHz = 0;
    double startLevel = 0, endLevel = 0;     // 0 ... 1 of the lane's master level
    double startPulseHz = 0, endPulseHz = 0; // isochronic only
};

struct Lane {
    LaneKind kind = LaneKind::binaural;
    Wave wave = Wave::sine;
    NoiseColour colour = NoiseColour::pink;
    // Sorted; a lane is silent outside its segments.
    std::vector<Segment> segments;
};

struct Plan {
    int deviceRate = 0;             // the rate its frames count in
    std::int64_t lengthFrames = 0;  // playback ends here
    std::int64_t fadeOutFrames = 0; // the fade to silence that ends it, inside its length
    std::vector<Lane> lanes;        // at most kMaxLanes
    std::string mixFile;            // for LaneKind::mix; streamed from disk
};

inline constexpr int kMaxLanes = 64;

// The values of a lane's segment at a frame (the plan's own values, before any
// smoothing of a step).
struct Values {
    double leftHz = 0, rightHz = 0, level = 0, pulseHz = 0;
};
inline Values valuesAt(const Segment& s, std::int64_t frame)
{
    const double span = static_cast<double>(s.endFrame - s.startFrame);
    const double f = span > 0 ? static_cast<double>(frame - s.startFrame) / span : 0.0;
    return {s.startLeftHz + f * (s.endLeftHz - s.startLeftHz), s.startRightHz + f * (s.endRightHz - s.startRightHz),
            s.startLevel + f * (s.endLevel - s.startLevel), s.startPulseHz + f * (s.endPulseHz - s.startPulseHz)};
}

} // namespace glide

// Offered by a sound system that can play a plan. Window's thread only; no
// call waits for the audio thread. Levels of a plan are relative to two master
// levels the window owns: tones (binaural, monaural, isochronic, tone) and
// noise (noise and mix).
class GlideVoices {
public:
    virtual ~GlideVoices() = default;
    // The rate a plan's frames must count in; 0 with no device.
    virtual int glideRate() const = 0;
    // Plays the plan from fromFrame, fading in; replaces whatever played.
    // False (nothing changes) when the plan is unusable or there is no device.
    virtual bool playGlide(std::shared_ptr<const glide::Plan> plan, std::int64_t fromFrame) = 0;
    // A live edit: the new plan is heard from the next frame, where the old
    // one was, each tone keeping its phase. False as for playGlide.
    virtual bool replaceGlide(std::shared_ptr<const glide::Plan> plan) = 0;
    virtual void seekGlide(std::int64_t frame) = 0;
    // Fades out over a few milliseconds.
    virtual void stopGlide() = 0;
    // The frame of the plan rendered last (heard one output latency later).
    virtual std::int64_t glidePosition() const = 0;
    // True once the plan last played reached its end (not after stopGlide()).
    virtual bool glideFinished() = 0;
    // Gains 0 ... 1.
    virtual void setGlideLevels(double tones, double noise) = 0;
};

} // namespace aurelith
