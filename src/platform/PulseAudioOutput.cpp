// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PulseAudioOutput.h"

#include "platform/AudioLog.h"
#include "sound/Mixer.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>

namespace aurelith {
namespace {

// The desktop's mixer lists the stream as "Aurelith", a music stream; a role
// the user set in the environment wins, as libpulse lets it.
pa_proplist* properties()
{
    pa_proplist* p = pa_proplist_new();
    pa_proplist_sets(p, PA_PROP_APPLICATION_NAME, "Aurelith");
    pa_proplist_sets(p, PA_PROP_APPLICATION_ID, "io.github.aurelith.Aurelith");
    pa_proplist_sets(p, PA_PROP_APPLICATION_ICON_NAME, "io.github.aurelith.Aurelith");
    pa_proplist_sets(p, PA_PROP_MEDIA_ROLE, "music");
    return p;
}

// A report's stamp on the monotonic clock. libpulse stamps with the wall clock
// unless it marks the stamp as taken on its own monotonic clock.
std::int64_t monotonicStamp(const timeval& stamp)
{
    constexpr long kMonotonicMark = 1L << 30;
    const auto ns = static_cast<std::int64_t>(pa_timeval_load(&stamp)) * 1000;
    if (stamp.tv_usec & kMonotonicMark)
        return ns;
    const std::int64_t wall = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count();
    return ns - (wall - monotonicNs());
}

} // namespace

PulseAudioOutput::~PulseAudioOutput() { close(); }

void PulseAudioOutput::onContextState(pa_context*, void* self)
{
    pa_threaded_mainloop_signal(static_cast<PulseAudioOutput*>(self)->loop_, 0);
}

void PulseAudioOutput::onStreamState(pa_stream* stream, void* userdata)
{
    auto* self = static_cast<PulseAudioOutput*>(userdata);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
        self->failed_.store(true);
    pa_threaded_mainloop_signal(self->loop_, 0);
}

void PulseAudioOutput::onUnderflow(pa_stream*, void* self)
{
    static_cast<PulseAudioOutput*>(self)->underflows_.fetch_add(1, std::memory_order_relaxed);
}

// Audio thread: renders straight into the server's memory block.
void PulseAudioOutput::onWrite(pa_stream* stream, std::size_t bytes, void* userdata)
{
    auto* self = static_cast<PulseAudioOutput*>(userdata);
    constexpr std::size_t kFrameBytes = 2 * sizeof(float);
    bool silent = true;
    std::int64_t frames = 0;
    while (bytes >= kFrameBytes) {
        void* data = nullptr;
        std::size_t size = bytes;
        if (pa_stream_begin_write(stream, &data, &size) < 0 || !data || size < kFrameBytes)
            break;
        size -= size % kFrameBytes;
        auto* out = static_cast<float*>(data);
        const int n = static_cast<int>(size / kFrameBytes);
        for (int done = 0; done < n;) {
            const int chunk = std::min(kChunkFrames, n - done);
            self->mixer_->render(out + 2 * done, chunk);
            done += chunk;
        }
        for (int i = 0; i < 2 * n && silent; ++i)
            silent = out[i] == 0.0f;
        pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE);
        bytes -= size;
        frames += n;
    }
    if (silent)
        self->silentFrames_.fetch_add(frames, std::memory_order_relaxed);
    else
        self->silentFrames_.store(0, std::memory_order_relaxed);
    self->publishTiming();
}

void PulseAudioOutput::onSinkInfo(pa_context*, const pa_sink_info* info, int, void* userdata)
{
    auto* self = static_cast<PulseAudioOutput*>(userdata);
    if (info && info->sample_spec.channels > 0)
        self->sinkChannels_ = info->sample_spec.channels;
    pa_threaded_mainloop_signal(self->loop_, 0);
}

// Called with the loop locked, once the stream is ready. A sink that cannot
// be asked counts as stereo: the stream itself is.
void PulseAudioOutput::readSinkChannels()
{
    sinkChannels_ = 2;
    pa_operation* asking = pa_context_get_sink_info_by_index(context_, pa_stream_get_device_index(stream_), &onSinkInfo,
                                                             this);
    if (!asking)
        return;
    while (pa_operation_get_state(asking) == PA_OPERATION_RUNNING)
        pa_threaded_mainloop_wait(loop_);
    pa_operation_unref(asking);
}

// Audio thread. The server's last report, taken as true for its own stamp:
// libpulse's interpolated stream time re-stamps reports with when they
// arrived, and on a loaded machine they arrive milliseconds late, which bent
// its estimate by up to 20 ms for seconds. A stream that is not yet playing
// (filling its buffer) reports no heard frame.
void PulseAudioOutput::publishTiming()
{
    const std::int64_t now = monotonicNs();
    if (now - askedNs_ >= kReportEveryMs * 1'000'000LL) {
        if (pa_operation* asking = pa_stream_update_timing_info(stream_, nullptr, nullptr))
            pa_operation_unref(asking);
        askedNs_ = now;
    }
    const pa_timing_info* info = pa_stream_get_timing_info(stream_);
    if (!info || !info->playing || info->read_index_corrupt || info->read_index < 0)
        return;
    constexpr double kFrameBytes = 2 * sizeof(float);
    ServerReport report;
    report.stampNs = monotonicStamp(info->timestamp);
    report.framesTaken = static_cast<double>(info->read_index) / kFrameBytes;
    report.deviceDelayNs = static_cast<std::int64_t>(info->sink_usec) * 1000;
    timing_.publish(timingFromReport(report, rate_, static_cast<double>(firstFrame_),
                                     static_cast<double>(mixer_->framesRendered() - firstFrame_), now));
}

bool PulseAudioOutput::open(Mixer& mixer, int& deviceRate, std::string& error)
{
    if (loop_) {
        error = "The sound device is already open.";
        return false;
    }
    const std::int64_t openedFrom = monotonicNs();
    loop_ = pa_threaded_mainloop_new();
    pa_proplist* props = properties();
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "Aurelith", props);
    pa_context_set_state_callback(context_, &PulseAudioOutput::onContextState, this);
    pa_threaded_mainloop_lock(loop_);
    pa_threaded_mainloop_start(loop_);
    // No autospawn: without a server the program says so, or falls back.
    bool ready = pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
    while (ready) {
        const pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state))
            ready = false;
        else
            pa_threaded_mainloop_wait(loop_);
    }
    if (!ready) {
        error = std::string("No PulseAudio or PipeWire sound server answered (") +
                pa_strerror(pa_context_errno(context_)) + ").";
        pa_threaded_mainloop_unlock(loop_);
        pa_proplist_free(props);
        teardown();
        return false;
    }

    rate_ = deviceRate > 0 ? deviceRate : kWantedRate; // the server converts
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(rate_), 2};
    stream_ = pa_stream_new_with_proplist(context_, "Aurelith", &format, nullptr, props);
    pa_proplist_free(props);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kTargetLatencyMs * 1000ULL, &format));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    mixer_ = &mixer;
    failed_ = false;
    underflows_ = 0;
    silentFrames_ = 0;
    healthChecks_ = 0;
    askedNs_ = 0;
    timing_.clear();
    // The mixer learns its rate before the first write request.
    mixer.attachAudioThread(rate_);
    firstFrame_ = mixer.framesRendered();
    pa_stream_set_state_callback(stream_, &PulseAudioOutput::onStreamState, this);
    pa_stream_set_write_callback(stream_, &PulseAudioOutput::onWrite, this);
    pa_stream_set_underflow_callback(stream_, &PulseAudioOutput::onUnderflow, this);
    // No PA_STREAM_INTERPOLATE_TIMING: the reports are read with their own stamps.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    ready = pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) >= 0;
    while (ready) {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        if (state == PA_STREAM_READY)
            break;
        if (!PA_STREAM_IS_GOOD(state))
            ready = false;
        else
            pa_threaded_mainloop_wait(loop_);
    }
    if (!ready) {
        error = std::string("The sound server refused the stream (") + pa_strerror(pa_context_errno(context_)) + ").";
        pa_threaded_mainloop_unlock(loop_);
        teardown();
        return false;
    }
    readSinkChannels();
    const pa_buffer_attr* got = pa_stream_get_buffer_attr(stream_);
    qCInfo(lcAudio).nospace() << "libpulse, server " << pa_context_get_server(context_) << ", " << rate_
                              << " Hz, float32, sink of " << sinkChannels_ << " channel(s), buffer "
                              << (got ? pa_bytes_to_usec(got->tlength, &format) / 1000.0 : 0) << " ms; opened in "
                              << (monotonicNs() - openedFrom) / 1e6 << " ms";
    pa_threaded_mainloop_unlock(loop_);
    deviceRate = rate_;
    return true;
}

// Stops the loop first, so no callback runs while the stream and context go.
void PulseAudioOutput::teardown()
{
    if (!loop_)
        return;
    pa_threaded_mainloop_stop(loop_);
    if (stream_) {
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
    if (mixer_) {
        mixer_->detachAudioThread();
        mixer_ = nullptr;
    }
    timing_.clear();
}

void PulseAudioOutput::close()
{
    if (!loop_)
        return;
    teardown();
    qCInfo(lcAudio) << "output closed";
}

void PulseAudioOutput::logTiming()
{
    OutputTiming t;
    if (timing_.read(t))
        qCInfo(lcAudio).nospace() << "output latency " << t.latencyNs / 1e6 << " ms, played to frame "
                                  << static_cast<long long>(t.heardFrame);
}

AudioOutput::Health PulseAudioOutput::health()
{
    if (!loop_)
        return Health::Closed;
    if (const int underflows = underflows_.exchange(0))
        qCInfo(lcAudio) << underflows << "underflow(s): the server ran out of sound";
    if (++healthChecks_ % 10 == 1)
        logTiming();
    return openOutputHealth(failed_.load(), silentFrames_.load(std::memory_order_relaxed), rate_);
}

} // namespace aurelith
