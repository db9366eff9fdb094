// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MixerVoice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace aurelith {

using mixing::PlayState;
using mixing::RenderContext;
using mixing::StereoGain;

namespace {
// Vectors in the compilers' portable extension (GCC, clang): plain -O2
// does not vectorise these loops by itself.
using Doubles2 = double __attribute__((vector_size(16)));
using Floats2 = float __attribute__((vector_size(8)));
using Floats4 = float __attribute__((vector_size(16)));
} // namespace

void Mixer::Voice::begin()
{
    // Several retunes within one period leave a chain of replacements that
    // never sounded; the one to carry on from is the last that did.
    Voice* p = predecessor;
    while (p && !p->begun) {
        p->supplanted = true;
        p = p->predecessor;
    }
    level = 0.0f;
    if (p && p->sounding && continues(*p)) {
        position = p->position;
        graceLeft = 0;
        p->supplanted = true;
        if (cycle) {
            // Two tones at the same phase: the old one fades out as this
            // one fades in, so a change of waveform has no step either.
            p->graceLeft = 0;
        } else {
            // The same sound where it is: simply carried on (a shared
            // stream can feed only one voice).
            level = p->level;
            p->sounding = false;
            p->level = 0.0f;
        }
    }
    sounding = true;
    begun = true;
}

float Mixer::Voice::peakOf(const PcmData& pcm)
{
    float peak = 0;
    for (float v : pcm.samples) {
        if (!std::isfinite(v))
            return std::numeric_limits<float>::infinity();
        peak = std::max(peak, std::fabs(v));
    }
    return peak;
}

float Mixer::Voice::mixInto(float* out, int frames, const RenderContext& ctx)
{
    if (!sounding)
        return 0.0f;
    const PlayState requested = state.load(std::memory_order_acquire);
    const bool isWanted = wanted();
    if (isWanted) {
        graceLeft = ctx.graceFrames;
        looping = requested == PlayState::Looping;
    }
    if (cycle)
        phaseStamp.publish({static_cast<double>(ctx.firstFrame), position,
                            rate.load(std::memory_order_relaxed) / static_cast<double>(data->frames) / ctx.deviceRate});
    const StereoGain g = gain.load(std::memory_order_relaxed);
    // The envelope and the fades only ever lower the level.
    const float bound = stream ? std::numeric_limits<float>::infinity()
                               : (cycle ? cycle->peak : dataPeak) * std::max(g.left, g.right);
    for (int done = 0; done < frames && sounding; done += kChunk) {
        const int n = std::min(kChunk, frames - done);
        float* o = out + 2 * done;
        if (cycle && looping && isWanted && level == 1.0f) {
            // A steady tone, the render's common case: one value per frame
            // into both ears, no envelope.
            produceCycle(scratch.data(), n, ctx.deviceRate);
            const float* s = scratch.data();
            const Floats4 gains = {g.left, g.right, g.left, g.right};
            int i = 0;
            for (; i + 2 <= n; i += 2) {
                Floats4 sum;
                std::memcpy(&sum, o + 2 * i, sizeof sum);
                sum += Floats4{s[i], s[i], s[i + 1], s[i + 1]} * gains;
                std::memcpy(o + 2 * i, &sum, sizeof sum);
            }
            for (; i < n; ++i) {
                o[2 * i] += s[i] * g.left;
                o[2 * i + 1] += s[i] * g.right;
            }
            continue;
        }
        const int produced = produce(scratch.data(), n, ctx.deviceRate);
        int i = 0;
        if (isWanted && level == 1.0f) {
            // Fully faded in and staying: nothing per frame but the gain.
            for (; i < produced; ++i) {
                o[2 * i] += scratch[2 * i] * g.left;
                o[2 * i + 1] += scratch[2 * i + 1] * g.right;
            }
        }
        for (; i < produced; ++i) {
            const bool on = isWanted || graceLeft > 0;
            if (!isWanted && graceLeft > 0)
                --graceLeft;
            level = on ? std::min(1.0f, level + ctx.fadeStep) : std::max(0.0f, level - ctx.fadeStep);
            o[2 * i] += scratch[2 * i] * g.left * level;
            o[2 * i + 1] += scratch[2 * i + 1] * g.right * level;
            if (!on && level == 0.0f) {
                sounding = false; // faded out; a later play goes on from here
                phaseStamp.clear();
                rewind(produced - i - 1, ctx.deviceRate);
                return bound;
            }
        }
        if (produced < n) {
            // A one-shot ran off its end.
            sounding = false;
            phaseStamp.clear();
            level = 0.0f;
            position = 0.0;
            PlayState expected = PlayState::Once;
            // The window may have restarted it meanwhile; that request wins.
            state.compare_exchange_strong(expected, PlayState::Stopped);
        }
    }
    return bound;
}
bool Mixer::Voice::continues(const Voice& p) const
{
    if (stream || p.stream)
        return stream == p.stream;
    if (cycle && p.cycle)
        return true; // a phase, whatever the waveform
    return !cycle && !p.cycle && data->frames == p.data->frames && data->channels == p.data->channels;
}

void Mixer::Voice::rewind(int frames, int deviceRate)
{
    if (stream || frames <= 0)
        return;
    const double r = rate.load(std::memory_order_relaxed) / deviceRate;
    if (cycle) {
        position -= frames * r / static_cast<double>(data->frames);
        position -= std::floor(position);
    } else {
        const auto count = static_cast<double>(data->frames);
        position = std::fmod(position - frames * r, count);
        if (position < 0)
            position += count;
    }
}

int Mixer::Voice::produce(float* dst, int n, int deviceRate)
{
    if (stream) {
        stream->pull(dst, n);
        return n;
    }
    if (cycle) {
        const int produced = produceCycle(dst, n, deviceRate);
        for (int i = produced - 1; i >= 0; --i) // to stereo in place, from the end
            dst[2 * i] = dst[2 * i + 1] = dst[i];
        return produced;
    }
    return data->channels == 1 ? produceSampled<1>(dst, n, deviceRate) : produceSampled<2>(dst, n, deviceRate);
}

int Mixer::Voice::produceCycle(float* dst, int n, int deviceRate)
{
    const double step = rate.load(std::memory_order_relaxed) / static_cast<double>(data->frames) / deviceRate;
    if (cycle->sineAmplitude != 0 && looping) {
        produceSine(dst, n, step);
        return n;
    }
    for (int i = 0; i < n; ++i) {
        dst[i] = cycle->at(position);
        position += step;
        if (position >= 1.0) {
            if (!looping)
                return i + 1;
            position -= std::floor(position);
        }
    }
    return n;
}

// Rotating phasors in independent lanes, each started from the exact phase
// with sin and cos at every call, so rounding never accumulates beyond one
// chunk (far below the 8-bit file's steps, and below -200 dB) and the lanes
// run in parallel.
void Mixer::Voice::produceSine(float* dst, int n, double step)
{
    constexpr int kPairs = 4; // eight lanes, two to a vector
    constexpr int kLanes = 2 * kPairs;
    constexpr double kTwoPi = 6.283185307179586476925;
    Doubles2 re[kPairs], im[kPairs];
    for (int j = 0; j < kPairs; ++j) {
        const double a = kTwoPi * (position + (2 * j) * step), b = kTwoPi * (position + (2 * j + 1) * step);
        re[j] = Doubles2{std::cos(a), std::cos(b)};
        im[j] = Doubles2{std::sin(a), std::sin(b)};
    }
    const double turn = kTwoPi * kLanes * step;
    const Doubles2 wr = {std::cos(turn), std::cos(turn)}, wi = {std::sin(turn), std::sin(turn)};
    const double a = cycle->sineAmplitude;
    const Doubles2 amplitude = {a, a};
    int i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        for (int j = 0; j < kPairs; ++j) {
            const Floats2 v = __builtin_convertvector(amplitude * im[j], Floats2);
            std::memcpy(dst + i + 2 * j, &v, sizeof v);
            const Doubles2 r = re[j] * wr - im[j] * wi;
            im[j] = re[j] * wi + im[j] * wr;
            re[j] = r;
        }
    }
    for (int j = 0; i < n; ++i, ++j)
        dst[i] = static_cast<float>(a * im[j / 2][j % 2]);
    position += n * step;
    position -= std::floor(position);
}

template <int Channels>
int Mixer::Voice::produceSampled(float* dst, int n, int deviceRate)
{
    const double step = rate.load(std::memory_order_relaxed) / deviceRate;
    const float* s = data->samples.data();
    const long count = data->frames;
    // Past the last frame a loop interpolates into its first, a one-shot holds.
    const long afterLast = looping ? 0 : count - 1;
    for (int i = 0; i < n; ++i) {
        const long i0 = static_cast<long>(position);
        const long i1 = i0 + 1 < count ? i0 + 1 : afterLast;
        const float frac = static_cast<float>(position - static_cast<double>(i0));
        const float a0 = s[i0 * Channels], a1 = s[i1 * Channels];
        const float left = a0 + (a1 - a0) * frac;
        float right = left;
        if constexpr (Channels == 2) {
            const float b0 = s[i0 * 2 + 1], b1 = s[i1 * 2 + 1];
            right = b0 + (b1 - b0) * frac;
        }
        dst[2 * i] = left;
        dst[2 * i + 1] = right;
        position += step;
        if (position >= static_cast<double>(count)) {
            if (!looping)
                return i + 1;
            position = std::fmod(position, static_cast<double>(count));
        }
    }
    return n;
}

} // namespace aurelith
