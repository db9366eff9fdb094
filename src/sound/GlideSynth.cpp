// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/GlideSynth.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace aurelith {

using glide::LaneKind;
using glide::Values;

namespace {

constexpr std::int64_t kForever = std::numeric_limits<std::int64_t>::max();

Values blend(const Values& a, const Values& b, double w)
{
    return {a.leftHz + w * (b.leftHz - a.leftHz), a.rightHz + w * (b.rightHz - a.rightHz),
            a.level + w * (b.level - a.level), a.pulseHz + w * (b.pulseHz - a.pulseHz)};
}

bool jumps(const Values& a, const Values& b)
{
    return std::abs(a.leftHz - b.leftHz) > 1e-9 || std::abs(a.rightHz - b.rightHz) > 1e-9 ||
           std::abs(a.level - b.level) > 1e-9 || std::abs(a.pulseHz - b.pulseHz) > 1e-9;
}

double wrap(double phase) { return phase - std::floor(phase); }

// From 0 to 1 over x in [0, 1] as the integral of a Blackman window: its
// spectrum falls away far faster than a raised cosine's, so a step reached
// this way adds nothing a few tens of hertz beside the tones.
double smoothStep(double x)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    constexpr double twoPi = 2 * std::numbers::pi;
    return x - 0.5 / 0.42 * std::sin(twoPi * x) / twoPi + 0.08 / 0.42 * std::sin(2 * twoPi * x) / (2 * twoPi);
}

// The pulse's gain at x in [0, 1) of its cycle: a smooth rise, on to the
// middle, a smooth fall, then off.
float pulseGate(double x)
{
    constexpr double r = GlideSynth::kPulseRamp;
    if (x < r)
        return static_cast<float>(smoothStep(x / r));
    if (x < 0.5)
        return 1.0f;
    if (x < 0.5 + r)
        return static_cast<float>(1 - smoothStep((x - 0.5) / r));
    return 0.0f;
}

bool isNoise(LaneKind kind) { return kind == LaneKind::noise || kind == LaneKind::mix; }

} // namespace

void GlideSynth::configure(int deviceRate)
{
    rate_ = deviceRate > 0 ? deviceRate : 44100;
    smoothFrames_ = std::max(1, static_cast<int>(std::lround(kSmoothSeconds * rate_)));
}

void GlideSynth::startSlot(Slot& s, int lane, std::uint32_t seed)
{
    const glide::Lane& l = program_->plan->lanes[static_cast<std::size_t>(lane)];
    s.lane = lane;
    s.kind = l.kind;
    s.wave = l.wave;
    s.colour = l.colour;
    s.phaseL = s.phaseR = s.pulse = 0;
    s.smoothLeft = 0;
    s.slope = {};
    s.noise.reset(seed);
}

// Each lane of the new plan carries on the first unclaimed old lane of the
// same kind, in order, so its tones keep their phases; old lanes left over
// fade out.
void GlideSynth::adopt(const GlideProgram* program, bool fresh)
{
    const auto& lanes = program->plan->lanes;
    std::array<int, kSlots> newLane;
    newLane.fill(-1);
    std::array<bool, kSlots> claimed{};
    std::array<bool, kSlots> started{};
    for (std::size_t i = 0; i < lanes.size() && i < static_cast<std::size_t>(glide::kMaxLanes); ++i) {
        const glide::Lane& l = lanes[i];
        int found = -1;
        for (int k = 0; k < kSlots && !fresh; ++k) {
            const Slot& s = slots_[static_cast<std::size_t>(k)];
            if (s.lane >= 0 && !claimed[k] && s.kind == l.kind && s.wave == l.wave && s.colour == l.colour &&
                (found < 0 || s.lane < slots_[static_cast<std::size_t>(found)].lane))
                found = k;
        }
        if (found < 0) {
            // A free slot, else the quietest old lane still fading.
            for (int k = 0; k < kSlots && found < 0; ++k)
                if (!claimed[k] && (fresh || slots_[static_cast<std::size_t>(k)].lane == -1))
                    found = k;
            for (int k = 0; k < kSlots && found < 0; ++k)
                if (!claimed[k] && slots_[static_cast<std::size_t>(k)].lane == -2)
                    found = k;
            if (found < 0)
                break;
            started[found] = true;
        }
        claimed[found] = true;
        newLane[found] = static_cast<int>(i);
    }
    program_ = program;
    beatSlot_ = -1;
    int pulseSlot = -1;
    for (int k = 0; k < kSlots; ++k) {
        Slot& s = slots_[static_cast<std::size_t>(k)];
        if (started[k]) {
            startSlot(s, newLane[k], seeds_++);
        } else if (claimed[k]) {
            s.lane = newLane[k];
        } else if (fresh) {
            s.lane = -1;
        } else if (s.lane >= 0) {
            s.lane = -2;
            s.hold = s.cur;
            s.hold.level = 0;
        }
        if (s.lane < 0)
            continue;
        const bool beats = s.kind == LaneKind::binaural || s.kind == LaneKind::monaural;
        if (beats && (beatSlot_ < 0 || s.lane < slots_[static_cast<std::size_t>(beatSlot_)].lane))
            beatSlot_ = k;
        if (s.kind == LaneKind::isochronic &&
            (pulseSlot < 0 || s.lane < slots_[static_cast<std::size_t>(pulseSlot)].lane))
            pulseSlot = k;
    }
    if (beatSlot_ < 0)
        beatSlot_ = pulseSlot;
    length_ = program->plan->lengthFrames;
    fadeOut_ = std::min(length_, std::max<std::int64_t>(program->plan->fadeOutFrames, smoothFrames_));
    findSegments();
    for (int k = 0; k < kSlots; ++k) {
        Slot& s = slots_[static_cast<std::size_t>(k)];
        if (!started[k])
            continue;
        // A lane that starts here starts from silence at its own pitch.
        std::int64_t until;
        Values slope;
        const glide::Segment* segment;
        s.aim = target(s, position_, until, slope, segment);
        s.cur = s.aim;
        if (!fresh) {
            s.cur.level = 0;
            s.from = s.cur;
            s.smoothLeft = smoothFrames_;
        }
    }
}

void GlideSynth::findSegments()
{
    for (Slot& s : slots_) {
        if (s.lane < 0)
            continue;
        const auto& segs = program_->plan->lanes[static_cast<std::size_t>(s.lane)].segments;
        const auto it = std::partition_point(segs.begin(), segs.end(),
                                             [this](const glide::Segment& g) { return g.endFrame <= position_; });
        s.segment = static_cast<std::size_t>(it - segs.begin());
    }
}

void GlideSynth::play(const GlideProgram* program, std::int64_t fromFrame)
{
    const bool sounding = program_ && !stopped_ && envelope_ > 0;
    position_ = std::clamp<std::int64_t>(fromFrame, 0, program->plan->lengthFrames);
    adopt(program, !sounding);
    if (!sounding)
        envelope_ = 0;
    fadingIn_ = true;
    stopped_ = false;
    ended_ = false;
}

void GlideSynth::replace(const GlideProgram* program)
{
    if (!program_)
        return;
    adopt(program, false);
    position_ = std::min(position_, length_);
}

void GlideSynth::seek(std::int64_t frame)
{
    if (!program_)
        return;
    position_ = std::clamp<std::int64_t>(frame, 0, length_);
    findSegments();
}

void GlideSynth::stop() { fadingIn_ = false; }

void GlideSynth::release()
{
    program_ = nullptr;
    stopped_ = true;
    envelope_ = 0;
    beatSlot_ = -1;
    for (Slot& s : slots_)
        s.lane = -1;
}

Values GlideSynth::target(Slot& s, std::int64_t frame, std::int64_t& until, Values& slope,
                          const glide::Segment*& segment) const
{
    slope = {};
    segment = nullptr;
    until = kForever;
    if (s.lane < 0)
        return s.hold;
    const auto& segs = program_->plan->lanes[static_cast<std::size_t>(s.lane)].segments;
    while (s.segment < segs.size() && segs[s.segment].endFrame <= frame)
        ++s.segment;
    if (s.segment == segs.size()) {
        if (segs.empty())
            return {s.cur.leftHz, s.cur.rightHz, 0, s.cur.pulseHz};
        const glide::Segment& last = segs.back();
        return {last.endLeftHz, last.endRightHz, 0, last.endPulseHz};
    }
    const glide::Segment& g = segs[s.segment];
    if (frame < g.startFrame) {
        // Silent until it starts, already at its first pitch.
        until = g.startFrame;
        return {g.startLeftHz, g.startRightHz, 0, g.startPulseHz};
    }
    until = g.endFrame;
    segment = &g;
    const double span = static_cast<double>(g.endFrame - g.startFrame);
    slope = {(g.endLeftHz - g.startLeftHz) / span, (g.endRightHz - g.startRightHz) / span,
             (g.endLevel - g.startLevel) / span, (g.endPulseHz - g.startPulseHz) / span};
    return glide::valuesAt(g, frame);
}

float GlideSynth::renderSlot(Slot& s, int count)
{
    float peak = 0; // of the level over the block
    for (int j = 0; j < count;) {
        const std::int64_t frame = position_ + j;
        std::int64_t until;
        Values slope;
        const glide::Segment* segment;
        const Values v = target(s, frame, until, slope, segment);
        if (jumps(v, s.aim)) {
            s.from = s.cur;
            s.smoothLeft = smoothFrames_;
        }
        int n = static_cast<int>(std::min<std::int64_t>(count - j, until - frame));
        // The level moves between these (a smoothing blends the first with the others).
        peak = std::max({peak, static_cast<float>(std::abs(s.cur.level)), static_cast<float>(std::abs(v.level))});
        if (s.smoothLeft > 0) {
            n = std::min(n, s.smoothLeft);
            s.slope = {};
            peak = std::max(peak, static_cast<float>(std::abs(s.from.level)));
            renderSmoothing(s, j, n, frame, v, segment);
        } else {
            s.slope = slope;
            if (v.level != 0 || slope.level != 0)
                renderLinear(s, j, n, v, slope);
            s.aim = segment ? glide::valuesAt(*segment, frame + n) : v;
            s.cur = s.aim;
        }
        peak = std::max({peak, static_cast<float>(std::abs(s.aim.level)), static_cast<float>(std::abs(s.cur.level))});
        j += n;
    }
    return peak;
}

void GlideSynth::oscillate(const Slot& s, float* dst, int n, double& phase, double hz, double hzSlope, float level,
                           float levelSlope) const
{
    const double c1 = hz / rate_, c2 = hzSlope / rate_;
    if (s.wave == glide::Wave::sine) {
        sineChirp(dst, n, phase, c1, c2, level, levelSlope);
    } else {
        const GlideWaveTables& tables = *program_->tables[static_cast<std::size_t>(s.wave)];
        const int band = GlideWaveTables::levelFor(std::max(std::abs(c1), std::abs(c1 + c2 * n)));
        for (int i = 0; i < n; ++i) {
            const double p = phase + i * (c1 + 0.5 * c2 * i);
            dst[i] = tables.at(wrap(p), std::abs(c1 + c2 * i), band) * (level + levelSlope * static_cast<float>(i));
        }
    }
    phase = wrap(phase + n * (c1 + 0.5 * c2 * n));
}

float GlideSynth::oscillateOne(const Slot& s, double phase, double hz) const
{
    if (s.wave == glide::Wave::sine)
        return static_cast<float>(std::sin(2 * std::numbers::pi * phase));
    const double c = std::abs(hz) / rate_;
    return program_->tables[static_cast<std::size_t>(s.wave)]->at(phase, c, GlideWaveTables::levelFor(c));
}

void GlideSynth::renderLinear(Slot& s, int at, int n, const Values& v, const Values& slope)
{
    const auto level = static_cast<float>(v.level), levelSlope = static_cast<float>(slope.level);
    float* l = left_.data();
    float* r = right_.data();
    switch (s.kind) {
    case LaneKind::binaural:
        oscillate(s, l, n, s.phaseL, v.leftHz, slope.leftHz, level, levelSlope);
        oscillate(s, r, n, s.phaseR, v.rightHz, slope.rightHz, level, levelSlope);
        place(s, at, n, l, r);
        return;
    case LaneKind::monaural:
        oscillate(s, l, n, s.phaseL, v.leftHz, slope.leftHz, level / 2, levelSlope / 2);
        oscillate(s, r, n, s.phaseR, v.rightHz, slope.rightHz, level / 2, levelSlope / 2);
        for (int i = 0; i < n; ++i)
            l[i] += r[i];
        place(s, at, n, l, nullptr);
        return;
    case LaneKind::tone:
        oscillate(s, l, n, s.phaseL, v.leftHz, slope.leftHz, level, levelSlope);
        place(s, at, n, l, nullptr);
        return;
    case LaneKind::isochronic: {
        oscillate(s, l, n, s.phaseL, v.leftHz, slope.leftHz, level, levelSlope);
        const double c1 = v.pulseHz / rate_, h = 0.5 * slope.pulseHz / rate_;
        for (int i = 0; i < n; ++i)
            l[i] *= pulseGate(wrap(s.pulse + i * (c1 + h * i)));
        s.pulse = wrap(s.pulse + n * (c1 + h * n));
        place(s, at, n, l, nullptr);
        return;
    }
    case LaneKind::noise: {
        const GlideNoise::Shape& shape = program_->noise[static_cast<std::size_t>(s.colour)];
        s.noise.fill(shape, l, r, n);
        for (int i = 0; i < n; ++i) {
            const float g = level + levelSlope * static_cast<float>(i);
            l[i] *= g;
            r[i] *= g;
        }
        place(s, at, n, l, r);
        return;
    }
    case LaneKind::mix:
        if (!program_->mix)
            return;
        for (int i = 0; i < n; ++i) {
            const float g = level + levelSlope * static_cast<float>(i);
            l[i] = mix_[static_cast<std::size_t>(2 * (at + i))] * g;
            r[i] = mix_[static_cast<std::size_t>(2 * (at + i) + 1)] * g;
        }
        place(s, at, n, l, r);
        return;
    }
}

// The slow way, a frame at a time: only for the few milliseconds of a smoothing.
void GlideSynth::renderSmoothing(Slot& s, int at, int n, std::int64_t frame, const Values& v,
                                 const glide::Segment* segment)
{
    const double span = smoothFrames_ + 0.0;
    float* l = left_.data();
    float* r = right_.data();
    const GlideNoise::Shape& shape = program_->noise[static_cast<std::size_t>(s.colour)];
    if (s.kind == LaneKind::noise)
        s.noise.fill(shape, l, r, n);
    int done = smoothFrames_ - s.smoothLeft;
    for (int i = 0; i < n; ++i, ++done) {
        const Values aim = segment ? glide::valuesAt(*segment, frame + i) : v;
        const double w = smoothStep((done + 1) / span);
        const Values x = blend(s.from, aim, w);
        const auto g = static_cast<float>(x.level);
        switch (s.kind) {
        case LaneKind::binaural:
            l[i] = g * oscillateOne(s, s.phaseL, x.leftHz);
            r[i] = g * oscillateOne(s, s.phaseR, x.rightHz);
            break;
        case LaneKind::monaural:
            l[i] = g / 2 * (oscillateOne(s, s.phaseL, x.leftHz) + oscillateOne(s, s.phaseR, x.rightHz));
            break;
        case LaneKind::tone: l[i] = g * oscillateOne(s, s.phaseL, x.leftHz); break;
        case LaneKind::isochronic:
            l[i] = g * oscillateOne(s, s.phaseL, x.leftHz) * pulseGate(s.pulse);
            s.pulse = wrap(s.pulse + x.pulseHz / rate_);
            break;
        case LaneKind::noise:
            l[i] *= g;
            r[i] *= g;
            break;
        case LaneKind::mix:
            l[i] = program_->mix ? mix_[static_cast<std::size_t>(2 * (at + i))] * g : 0.0f;
            r[i] = program_->mix ? mix_[static_cast<std::size_t>(2 * (at + i) + 1)] * g : 0.0f;
            break;
        }
        s.phaseL = wrap(s.phaseL + x.leftHz / rate_);
        s.phaseR = wrap(s.phaseR + x.rightHz / rate_);
    }
    const bool separate = s.kind == LaneKind::binaural || isNoise(s.kind);
    place(s, at, n, l, separate ? r : nullptr);
    s.smoothLeft -= n;
    s.aim = segment ? glide::valuesAt(*segment, frame + n) : v;
    s.cur = s.smoothLeft == 0 ? s.aim : blend(s.from, s.aim, smoothStep((done + 1) / span));
}

void GlideSynth::place(const Slot& s, int at, int n, const float* left, const float* right)
{
    float* dst = (isNoise(s.kind) ? noise_.data() : tones_.data()) + 2 * at;
    if (!right)
        right = left;
    for (int i = 0; i < n; ++i) {
        dst[2 * i] += left[i];
        dst[2 * i + 1] += right[i];
    }
}

float GlideSynth::render(float* out, int frames, float toneGain, float noiseGain)
{
    float bound = 0;
    const float toneStart = toneGain_, noiseStart = noiseGain_;
    for (int done = 0; done < frames && program_ && !stopped_;) {
        const int n = static_cast<int>(std::min<std::int64_t>(std::min(kBlock, frames - done), length_ - position_));
        if (n <= 0) {
            stopped_ = true;
            ended_ = true;
            break;
        }
        std::fill(tones_.begin(), tones_.begin() + 2 * n, 0.0f);
        std::fill(noise_.begin(), noise_.begin() + 2 * n, 0.0f);
        if (program_->mix)
            program_->mix->pull(mix_.data(), n);
        float loudestTones = 0, loudestNoise = 0;
        for (Slot& s : slots_) {
            if (s.lane == -1)
                continue;
            const float level = renderSlot(s, n);
            // A band-limited wave overshoots its ideal peak a little; the mix is limited to [-1, 1].
            if (s.kind == LaneKind::noise)
                loudestNoise += level * program_->noise[static_cast<std::size_t>(s.colour)].peak;
            else if (s.kind == LaneKind::mix)
                loudestNoise += level;
            else
                loudestTones += (s.wave == glide::Wave::sine ? 1.0f : 1.25f) * level;
            if (s.lane == -2 && s.smoothLeft == 0)
                s.lane = -1;
        }
        // The masters move evenly over the whole render, so a change never steps.
        const float toneTo = toneStart + (toneGain - toneStart) * static_cast<float>(done + n) / frames;
        const float noiseTo = noiseStart + (noiseGain - noiseStart) * static_cast<float>(done + n) / frames;
        mixOut(out + 2 * done, n, toneGain_, toneTo, noiseGain_, noiseTo);
        bound += loudestTones * std::max(toneGain_, toneTo) + loudestNoise * std::max(noiseGain_, noiseTo);
        toneGain_ = toneTo;
        noiseGain_ = noiseTo;
        position_ += n;
        done += n;
        if (!fadingIn_ && envelope_ == 0)
            stopped_ = true;
        if (position_ >= length_)
            stopped_ = ended_ = true;
    }
    toneGain_ = toneGain;
    noiseGain_ = noiseGain;
    return bound;
}

void GlideSynth::mixOut(float* out, int n, float toneFrom, float toneTo, float noiseFrom, float noiseTo)
{
    const float toneStep = (toneTo - toneFrom) / n, noiseStep = (noiseTo - noiseFrom) / n;
    const std::int64_t fadeFrom = length_ - fadeOut_;
    const bool steady = envelope_ == 1.0 && fadingIn_ && position_ + n <= fadeFrom && toneStep == 0 && noiseStep == 0;
    if (steady) {
        for (int i = 0; i < 2 * n; ++i)
            out[i] += tones_[static_cast<std::size_t>(i)] * toneFrom + noise_[static_cast<std::size_t>(i)] * noiseFrom;
        return;
    }
    const double riseStep = 1.0 / (kFadeInSeconds * rate_), fallStep = 1.0 / smoothFrames_;
    for (int i = 0; i < n; ++i) {
        envelope_ = fadingIn_ ? std::min(envelope_ + riseStep, 1.0) : std::max(envelope_ - fallStep, 0.0);
        double e = smoothStep(envelope_);
        const std::int64_t frame = position_ + i;
        if (frame >= fadeFrom)
            e *= 1 - smoothStep(static_cast<double>(frame - fadeFrom + 1) / static_cast<double>(fadeOut_));
        const auto g = static_cast<float>(e);
        const float gt = (toneFrom + toneStep * i) * g, gn = (noiseFrom + noiseStep * i) * g;
        const auto k = static_cast<std::size_t>(2 * i);
        out[2 * i] += tones_[k] * gt + noise_[k] * gn;
        out[2 * i + 1] += tones_[k + 1] * gt + noise_[k + 1] * gn;
    }
}

bool GlideSynth::beat(std::array<double, 3>& phaseRateSlope) const
{
    if (!program_ || stopped_ || beatSlot_ < 0 || envelope_ == 0)
        return false;
    const Slot& s = slots_[static_cast<std::size_t>(beatSlot_)];
    if (s.cur.level == 0)
        return false;
    if (s.kind == LaneKind::isochronic)
        phaseRateSlope = {s.pulse, s.cur.pulseHz / rate_, s.slope.pulseHz / rate_};
    else
        phaseRateSlope = {s.phaseR - s.phaseL, (s.cur.rightHz - s.cur.leftHz) / rate_,
                          (s.slope.rightHz - s.slope.leftHz) / rate_};
    return true;
}

} // namespace aurelith
