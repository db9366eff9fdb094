// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/GlideSynth.h"
#include "sound/OutputClock.h"
#include "sound/SpscQueue.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>

namespace aurelith {

// What the window asks of the gliding voices; made and freed on its thread.
struct GlideRequest {
    enum class Kind { play, replace, seek, stop };
    Kind kind = Kind::stop;
    std::shared_ptr<const GlideProgram> program; // play and replace
    std::int64_t frame = 0;                      // play and seek
    std::uint64_t play = 0;                      // which play it belongs to
};

// The gliding voices between the window's thread and the audio thread, in the
// mixer's way: requests go over in a lock-free queue and come back through a
// second one to be freed here, so the audio thread never frees a plan (nor the
// stream of its mix); master levels, the position and the end travel as atomics.
class GlideChannel {
public:
    static constexpr int kQueue = 64;

    GlideChannel() = default;
    ~GlideChannel(); // only with no audio thread attached
    GlideChannel(const GlideChannel&) = delete;
    GlideChannel& operator=(const GlideChannel&) = delete;

    // Window's thread, while no audio thread renders.
    void configure(int deviceRate) { synth_.configure(deviceRate); }

    // Window's thread.
    void send(std::unique_ptr<GlideRequest> request);
    // Frees what the audio thread handed back, and sends what waited for room.
    void collect();
    void setLevels(float tones, float noise);
    std::int64_t position() const { return position_.load(std::memory_order_acquire); }
    // The last play that ran to its end.
    std::uint64_t endedPlay() const { return endedPlay_.load(std::memory_order_acquire); }
    // Any thread: {the mixer's frame, then GlideSynth::beat()'s three}.
    bool beat(SeqSnapshot<4>::Values& v) const { return beat_.read(v); }

    // Audio thread: the requests that came, then frames added to out.
    float render(float* out, int frames, std::int64_t firstFrame);

private:
    void apply(GlideRequest* request);
    void handBack(GlideRequest* request);

    // Window's side.
    std::deque<std::unique_ptr<GlideRequest>> waiting_; // no room in the queue yet
    int outstanding_ = 0;                               // sent and not yet handed back

    SpscQueue<GlideRequest*, kQueue> toAudio_;
    SpscQueue<GlideRequest*, kQueue> toWindow_;
    std::atomic<float> toneGain_{1.0f}, noiseGain_{1.0f};
    std::atomic<std::int64_t> position_{0};
    std::atomic<std::uint64_t> endedPlay_{0};
    SeqSnapshot<4> beat_;

    // Audio side.
    GlideRequest* current_ = nullptr; // owns the program playing
    GlideSynth synth_;
};

} // namespace aurelith
