// SPDX-License-Identifier: GPL-3.0-or-later
// The mixer's audio side: runs on the audio thread and never locks, allocates,
// frees or reads files.
#include "sound/MixerVoice.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace aurelith {

Mixer::AudioSide::AudioSide(CommandQueue& commands, ReturnQueue& retired, GlideChannel& glide,
                            std::thread::id windowThread)
    : commands_(commands), retired_(retired), glide_(glide), renderer_(windowThread)
{
}

void Mixer::AudioSide::attach() { renderer_ = std::thread::id{}; }

void Mixer::AudioSide::detach(std::thread::id windowThread) { renderer_ = windowThread; }

void Mixer::AudioSide::checkThread()
{
    // Written only by the renderer; detach() resets it once that has stopped.
    if (renderer_ == std::thread::id{})
        renderer_ = std::this_thread::get_id();
    AURELITH_VERIFY(renderer_ == std::this_thread::get_id() && "the mixer's audio side called from a second thread") {}
}

void Mixer::AudioSide::render(float* interleavedStereo, int frames, int deviceRate)
{
    applyCommands();
    std::fill(interleavedStereo, interleavedStereo + 2 * frames, 0.0f);
    const mixing::RenderContext ctx{deviceRate, static_cast<float>(1.0 / (kFadeSeconds * deviceRate)),
                                    std::lround(kGraceSeconds * deviceRate), rendered_.load(std::memory_order_relaxed)};
    // Successors take over before anything is mixed, so no period holds both.
    for (int i = 0; i < activeCount_; ++i) {
        if (active_[i]->wanted() && !active_[i]->sounding)
            active_[i]->begin();
    }
    float bound = 0.0f; // on any sample of the sum
    for (int i = 0; i < activeCount_; ++i) {
        bound += active_[i]->mixInto(interleavedStereo, frames, ctx);
    }
    bound += glide_.render(interleavedStereo, frames, ctx.firstFrame);
    for (int i = activeCount_ - 1; i >= 0; --i) {
        if (active_[i]->retiring && !active_[i]->sounding)
            release(i);
    }
    limiter_.process(interleavedStereo, frames, bound);
    rendered_.store(rendered_.load(std::memory_order_relaxed) + frames, std::memory_order_release);
}

void Mixer::AudioSide::applyCommands()
{
    checkThread();
    Command command{};
    while (commands_.pop(command)) {
        if (command.kind == CommandKind::Add) {
            // A predecessor already handed back may be freed by now; only the
            // address is compared here, never followed.
            Voice*& p = command.voice->predecessor;
            if (p && std::find(active_.begin(), active_.begin() + activeCount_, p) == active_.begin() + activeCount_)
                p = nullptr;
            active_[activeCount_++] = command.voice;
        } else {
            retire(command.voice);
        }
    }
}

void Mixer::AudioSide::freeAll()
{
    applyCommands();
    for (int i = 0; i < activeCount_; ++i) {
        delete active_[i];
    }
    activeCount_ = 0;
}

void Mixer::AudioSide::retire(Voice* voice)
{
    voice->retiring = true;
    if (voice->sounding)
        return; // freed when it has faded out
    for (int i = 0; i < activeCount_; ++i) {
        if (active_[i] == voice) {
            release(i);
            return;
        }
    }
}

void Mixer::AudioSide::release(int index)
{
    Voice* voice = active_[index];
    std::copy(active_.begin() + index + 1, active_.begin() + activeCount_, active_.begin() + index);
    --activeCount_;
    // Its successors look past it to what it replaced (alive, or already
    // unlinked the same way), so a chain of quick retunes keeps its thread.
    for (int i = 0; i < activeCount_; ++i) {
        if (active_[i]->predecessor == voice)
            active_[i]->predecessor = voice->predecessor;
    }
    // Never full: it holds at most every outstanding voice.
    [[maybe_unused]] const bool handedBack = retired_.push(voice);
    assert(handedBack);
}

} // namespace aurelith
