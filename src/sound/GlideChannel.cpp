// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/GlideChannel.h"

#include <cassert>

namespace aurelith {

GlideChannel::~GlideChannel()
{
    GlideRequest* request = nullptr;
    while (toAudio_.pop(request))
        delete request;
    while (toWindow_.pop(request))
        delete request;
    delete current_;
}

void GlideChannel::send(std::unique_ptr<GlideRequest> request)
{
    waiting_.push_back(std::move(request));
    collect();
}

void GlideChannel::collect()
{
    GlideRequest* request = nullptr;
    while (toWindow_.pop(request)) {
        delete request;
        --outstanding_;
    }
    // Every request sent can be handed back at once: the return queue holds them all.
    while (!waiting_.empty() && outstanding_ < kQueue) {
        if (!toAudio_.push(waiting_.front().get()))
            break;
        waiting_.front().release();
        waiting_.pop_front();
        ++outstanding_;
    }
}

void GlideChannel::setLevels(float tones, float noise)
{
    toneGain_.store(tones, std::memory_order_relaxed);
    noiseGain_.store(noise, std::memory_order_relaxed);
}

void GlideChannel::handBack(GlideRequest* request)
{
    // Never full: it has room for every request outstanding.
    [[maybe_unused]] const bool handed = toWindow_.push(request);
    assert(handed);
}

void GlideChannel::apply(GlideRequest* request)
{
    using Kind = GlideRequest::Kind;
    const bool carriesPlan = request->kind == Kind::play || (request->kind == Kind::replace && current_);
    if (request->kind == Kind::play)
        synth_.play(request->program.get(), request->frame);
    else if (request->kind == Kind::replace && current_)
        synth_.replace(request->program.get());
    else if (request->kind == Kind::seek && current_)
        synth_.seek(request->frame);
    else if (request->kind == Kind::stop && current_)
        synth_.stop();
    if (!carriesPlan) {
        handBack(request);
        return;
    }
    // A replacement keeps the play it edits.
    if (request->kind == Kind::replace)
        request->play = current_->play;
    if (current_)
        handBack(current_);
    current_ = request;
}

float GlideChannel::render(float* out, int frames, std::int64_t firstFrame)
{
    GlideRequest* request = nullptr;
    while (toAudio_.pop(request))
        apply(request);
    if (!current_)
        return 0.0f;
    const float bound = synth_.render(out, frames, toneGain_.load(std::memory_order_relaxed),
                                      noiseGain_.load(std::memory_order_relaxed));
    position_.store(synth_.position(), std::memory_order_release);
    std::array<double, 3> b;
    if (synth_.beat(b))
        beat_.publish({static_cast<double>(firstFrame + frames), b[0], b[1], b[2]});
    else
        beat_.clear();
    if (synth_.idle()) {
        if (synth_.ended())
            endedPlay_.store(current_->play, std::memory_order_release);
        synth_.release();
        handBack(current_);
        current_ = nullptr;
    }
    return bound;
}

} // namespace aurelith
