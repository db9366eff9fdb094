// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/Limiter.h"
#include "sound/PcmData.h"
#include "sound/SpscQueue.h"
#include "sound/StreamSource.h"

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <string>

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

    explicit Mixer(int deviceRate = 44100);
    ~Mixer(); // only with no audio thread attached
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Only while no audio thread is attached.
    void setDeviceRate(int framesPerSecond);
    int deviceRate() const;
    // The fixed delay of the output (the limiter's look-ahead), in frames.
    int latencyFrames() const { return limiter_.latencyFrames(); }
    // An output calls these around the life of its audio thread: before its
    // first render() and after its last.
    void attachAudioThread(int deviceRate);
    void detachAudioThread();

    // Returns a stopped voice at the data's own rate, or nullptr when the data
    // is unusable or too many voices are alive. The mixer owns the voice.
    // A short mono loop is played as one cycle of a periodic tone (band-limited).
    Voice* addVoice(std::shared_ptr<const PcmData> data, const std::string& continuityKey = {});
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

    // Frees voices the audio thread has finished with.
    void collectGarbage();

    void render(float* interleavedStereo, int frames);

private:
    enum class CommandKind { Add, Remove };
    struct Command {
        CommandKind kind;
        Voice* voice;
    };

    Voice* add(Voice* voice, const std::string& continuityKey);
    void applyCommands();
    void retire(Voice* voice);
    void release(int index);

    std::atomic<int> deviceRate_;
    bool attached_ = false;
    int outstanding_ = 0;                 // window's thread: voices created and not yet freed
    std::map<std::string, Voice*> byKey_; // window's thread: the latest voice of each key

    // An Add and a Remove at most per outstanding voice.
    SpscQueue<Command, 2 * kMaxVoices> commands_;
    SpscQueue<Voice*, kMaxVoices> garbage_;

    // Audio thread only.
    std::array<Voice*, kMaxVoices> active_{};
    int activeCount_ = 0;
    Limiter limiter_;
};

} // namespace aurelith
