// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PulseStreamChannels.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unistd.h>

namespace aurelith {
namespace {

constexpr auto kPatience = std::chrono::milliseconds(500);

struct Query {
    std::string pid = std::to_string(::getpid());
    std::uint32_t sink = PA_INVALID_INDEX;
    int channels = 0;
    bool inputsListed = false;
    bool sinkAnswered = false;
};

void onSinkInput(pa_context*, const pa_sink_input_info* info, int eol, void* userdata)
{
    auto* q = static_cast<Query*>(userdata);
    if (eol) {
        q->inputsListed = true;
        return;
    }
    const char* pid = info ? pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID) : nullptr;
    if (pid && q->pid == pid)
        q->sink = info->sink;
}

void onSink(pa_context*, const pa_sink_info* info, int eol, void* userdata)
{
    auto* q = static_cast<Query*>(userdata);
    if (eol) {
        q->sinkAnswered = true;
        return;
    }
    if (info)
        q->channels = info->sample_spec.channels;
}

struct LoopDeleter {
    void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};
struct ContextDeleter {
    void operator()(pa_context* context) const
    {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
};

} // namespace

std::optional<int> pulseChannelsOfOwnStream()
{
    const std::unique_ptr<pa_mainloop, LoopDeleter> loop(pa_mainloop_new());
    if (!loop)
        return std::nullopt;
    const std::unique_ptr<pa_context, ContextDeleter> context(
        pa_context_new(pa_mainloop_get_api(loop.get()), "Aurelith channel check"));
    if (!context || pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    // Runs the loop until done() holds, the connection fails or time is up.
    const auto runUntil = [&](const auto& done) {
        while (!done()) {
            const pa_context_state_t state = pa_context_get_state(context.get());
            if (!PA_CONTEXT_IS_GOOD(state))
                return false;
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline -
                                                                                    std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            if (pa_mainloop_prepare(loop.get(), static_cast<int>(left.count())) < 0 ||
                pa_mainloop_poll(loop.get()) < 0 || pa_mainloop_dispatch(loop.get()) < 0)
                return false;
        }
        return true;
    };
    if (!runUntil([&] { return pa_context_get_state(context.get()) == PA_CONTEXT_READY; }))
        return std::nullopt;
    Query query;
    if (pa_operation* op = pa_context_get_sink_input_info_list(context.get(), &onSinkInput, &query))
        pa_operation_unref(op);
    if (!runUntil([&] { return query.inputsListed; }) || query.sink == PA_INVALID_INDEX)
        return std::nullopt;
    if (pa_operation* op = pa_context_get_sink_info_by_index(context.get(), query.sink, &onSink, &query))
        pa_operation_unref(op);
    if (!runUntil([&] { return query.sinkAnswered; }) || query.channels <= 0)
        return std::nullopt;
    return query.channels;
}

} // namespace aurelith
