// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ToneLimits.h"
#include "sound/AudioOutput.h"

#include <atomic>
#include <cstdint>
#include <string>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_sink_info;

namespace aurelith {

// The default sound output: a libpulse stream (PulseAudio, or PipeWire's pulse
// service) named "Aurelith" with the music role, rendered by the Mixer on
// libpulse's threaded main loop. Unlike SDL it reports what the device has
// really played and its latency, which the output publishes after every
// write as a TimingSnapshot, stamped with the server's own time of the report.
//
// The main loop's thread is the audio thread: it renders, publishes and
// counts in atomics; it never logs, allocates of its own or waits on the
// window's thread.
class PulseAudioOutput : public AudioOutput {
public:
    static constexpr int kWantedRate = kSampleRate;
    // The buffer asked of the server (PULSE_LATENCY_MSEC overrides it).
    static constexpr int kTargetLatencyMs = 40;
    static constexpr int kChunkFrames = 512;
    // How often the server is asked for a timing report, beyond libpulse's
    // own requests (which thin out to one in 1.5 s).
    static constexpr int kReportEveryMs = 100;

    PulseAudioOutput() = default;
    ~PulseAudioOutput() override;
    PulseAudioOutput(const PulseAudioOutput&) = delete;
    PulseAudioOutput& operator=(const PulseAudioOutput&) = delete;

    // Fails quickly, without starting a server, when none answers.
    bool open(Mixer& mixer, int& deviceRate, std::string& error) override;
    void close() override;
    Health health() override;
    bool timing(OutputTiming& t) const override { return timing_.read(t); }
    // The channels of the sink the stream plays on, as it was when opened.
    int channels() const override { return sinkChannels_; }

private:
    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);
    static void onUnderflow(pa_stream* stream, void* self);
    static void onSinkInfo(pa_context* context, const pa_sink_info* info, int last, void* self);
    void readSinkChannels();
    void publishTiming();
    void teardown();
    void logTiming();

    Mixer* mixer_ = nullptr;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    int rate_ = 0;
    int sinkChannels_ = 2;        // written in open(), while the window's thread waits for it
    std::int64_t firstFrame_ = 0; // the mixer's count when the stream began
    std::int64_t askedNs_ = 0;    // audio thread: the last timing report asked for

    TimingSnapshot timing_;
    std::atomic<bool> failed_{false};
    std::atomic<int> underflows_{0};
    std::atomic<std::int64_t> silentFrames_{0};
    int healthChecks_ = 0; // window's thread
};

} // namespace aurelith
