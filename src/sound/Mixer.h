// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Contract.h"
#include "ports/SoundSystem.h"
#include "sound/GlideChannel.h"
#include "sound/Limiter.h"
#include "sound/PcmData.h"
#include "sound/SpscQueue.h"
#include "sound/StreamSource.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace aurelith {

// Sums looping sound buffers ("voices") into stereo float at the device rate.
//
// render() runs on the audio thread and never locks, allocates, frees or reads
// files. Every other call belongs to the window's thread: settings reach the
// audio thread as atomics, new and removed voices travel through a lock-free
// queue, and removed voices come back through a second one to be freed here.
// With no audio thread attached, render() may be called on the window's thread
// to hear offline exactly what a device would play.
//
// Nothing starts or stops with a click: a voice that starts fades in and one
// that stops plays on briefly, then fades out. A voice added under the same
// continuity key as a sounding one takes its place where it is (a retuned tone
// at the phase the old one reached, a mask where it was), without a break.
class Mixer {
public:
    class Voice;
    // Voices alive at once, counting removed ones the audio thread has not yet
    // handed back; the queues are sized from it so they can never overflow.
    static constexpr int kMaxVoices = 256;
    static constexpr double kFadeSeconds = 0.005;
    // How long a stopped voice keeps sounding in case a replacement follows.
    static constexpr double kGraceSeconds = 0.03;

    explicit Mixer(int deviceRate = kSampleRate);
    ~Mixer(); // only with no audio thread attached
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Only while no audio thread is attached.
    void setDeviceRate(int framesPerSecond);
    int deviceRate() const;
    // The fixed delay of the output (the limiter's look-ahead), in frames.
    int latencyFrames() const { return audio_.latencyFrames(); }
    // An output calls these around the life of its audio thread: before its
    // first render() and after its last.
    void attachAudioThread(int deviceRate);
    void detachAudioThread();

    // Returns a stopped voice at the data's own rate, or nullptr when the data
    // is unusable or too many voices are alive. The mixer owns the voice.
    // A short mono loop is played as one cycle of a periodic tone (band-limited).
    // A known wave is played as that waveform whatever the data's samples.
    Voice* addVoice(std::shared_ptr<const PcmData> data, const std::string& continuityKey = {},
                    ToneWave wave = ToneWave::unknown);
    // A voice fed by a stream that is already at the device rate; its rate
    // setting is ignored. nullptr for no stream or too many voices.
    Voice* addVoice(std::shared_ptr<StreamSource> stream, const std::string& continuityKey = {});
    // Stops the voice (it fades out) and forgets it; the pointer is then dead.
    void removeVoice(Voice* voice);

    // Play after stop continues from where it stopped; a one-shot voice that
    // reaches its end stops and starts from the beginning when played again.
    void play(Voice* voice, bool looping);
    void stop(Voice* voice);
    bool isPlaying(const Voice* voice) const;
    // Hundredths of a dB: volume 0 ... -10000; pan > 0 lowers the left output.
    void setVolume(Voice* voice, int hundredthsDb);
    void setPan(Voice* voice, int hundredthsDb);
    void setRate(Voice* voice, double framesPerSecond);
    double rate(const Voice* voice) const;

    // Frees voices the audio thread has finished with. Adding and removing
    // voices does it too.
    void collectGarbage();

    // Frames render() has produced since the mixer was made: the output's
    // clock counts in them. Any thread.
    std::int64_t framesRendered() const { return audio_.framesRendered(); }

    // The gliding voices a sequence plays, beside the buffers' voices.
    GlideChannel& glide() { return glide_; }
    const GlideChannel& glide() const { return glide_; }

    // The audio thread's one call (or the window's, with no audio thread attached).
    void render(float* interleavedStereo, int frames) { audio_.render(interleavedStereo, frames, deviceRate()); }

private:
    enum class CommandKind { Add, Remove };
    struct Command {
        CommandKind kind;
        Voice* voice;
    };
    // Window to audio: an Add and a Remove at most per outstanding voice.
    using CommandQueue = SpscQueue<Command, 2 * kMaxVoices>;
    // Audio to window: voices to free, at most every outstanding one.
    using ReturnQueue = SpscQueue<Voice*, kMaxVoices>;

    // The audio thread's face of the mixer: it owns the voices being heard
    // and the limiter, takes commands from one queue and hands retired voices
    // back through the other. Without an audio thread the window's thread
    // stands in for it.
    class AudioSide {
    public:
        AudioSide(CommandQueue& commands, ReturnQueue& retired, GlideChannel& glide, std::thread::id windowThread);
        void render(float* interleavedStereo, int frames, int deviceRate);
        // Takes in the window's adds and removes.
        void applyCommands();
        // Frees every voice left; only with no audio thread attached.
        void freeAll();
        // Only while no audio thread is attached.
        void configure(int deviceRate) { limiter_.configure(deviceRate); }
        int latencyFrames() const { return limiter_.latencyFrames(); }
        std::int64_t framesRendered() const { return rendered_.load(std::memory_order_acquire); }
        // Checks that one thread renders from attach to detach, and that the
        // window's thread renders only while none is attached.
        void attach();
        void detach(std::thread::id windowThread);

    private:
        void retire(Voice* voice);
        void release(int index);
        void checkThread();

        CommandQueue& commands_;
        ReturnQueue& retired_;
        GlideChannel& glide_;
        std::array<Voice*, kMaxVoices> active_{};
        int activeCount_ = 0;
        Limiter limiter_;
        std::thread::id renderer_;              // the thread allowed to render; none: the next to do so
        std::atomic<std::int64_t> rendered_{0}; // written by the renderer only
    };

    Voice* add(Voice* voice, const std::string& continuityKey);
    void send(Command command);
    void checkWindowThread() const;
    // The rule "only with no audio thread attached", on the window's thread.
    bool detachedHere() const;

    // The window's face: everything below up to the queues is its alone.
    const contract::ThreadAffinity window_;
    std::atomic<int> deviceRate_;
    bool attached_ = false;
    int outstanding_ = 0;                 // voices created and not yet freed
    std::map<std::string, Voice*> byKey_; // the latest voice of each key

    CommandQueue toAudio_;
    ReturnQueue toWindow_;
    GlideChannel glide_;
    AudioSide audio_{toAudio_, toWindow_, glide_, window_.owner()};
};

} // namespace aurelith
