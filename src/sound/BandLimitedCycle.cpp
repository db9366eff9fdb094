// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/BandLimitedCycle.h"

#include "sound/FftPlan.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <deque>
#include <mutex>
#include <span>

namespace aurelith {
namespace {

using Complex = std::complex<double>;

// The shapes a tone file is drawn in, as the sine-series coefficient of each
// harmonic (x = sum b_k sin(2 pi k t)); a falling sawtooth is not a rising
// one shifted, so both are here. k >= 1.
double sineSeries(int shape, std::size_t k)
{
    const double kd = static_cast<double>(k);
    const bool odd = k % 2 == 1;
    switch (shape) {
    case 0: // sine
        return k == 1 ? 1 : 0;
    case 1: // square
        return odd ? 1 / kd : 0;
    case 2: // triangle
        return odd ? ((k / 2) % 2 == 0 ? 1 : -1) / (kd * kd) : 0;
    case 3: // rising sawtooth
        return (odd ? 1 : -1) / kd;
    default: // falling sawtooth
        return (odd ? -1 : 1) / kd;
    }
}
constexpr int kShapes = 5;

// The highest value of each shape's series above (b_1 = 1).
double seriesPeak(int shape)
{
    constexpr double pi = 3.14159265358979323846;
    const double peaks[] = {1, pi / 4, pi * pi / 8, pi / 2, pi / 2};
    return peaks[shape];
}

// The tone engine draws every waveform from 0 at the loop's start, peaking at
// 127 in the high byte of 16-bit samples.
constexpr double kDrawnPeak = 127.0 / 128.0;

int shapeOf(ToneWave wave)
{
    switch (wave) {
    case ToneWave::sine: return 0;
    case ToneWave::square: return 1;
    case ToneWave::triangle: return 2;
    case ToneWave::sawtooth: return 3;
    default: return -1;
    }
}

// The closed-form shape whose harmonics, aligned to the loop's fundamental,
// match the loop's own; -1 when none does (a sound of the user's, or a loop
// too short to tell). Only harmonics well below the loop's own Nyquist
// frequency are compared: near it the file's sampling bends them.
int recognisedShape(std::span<const Complex> h, std::size_t frames)
{
    const std::size_t compared = std::min<std::size_t>(7, frames / 4);
    if (compared < 3 || std::abs(h[1]) == 0)
        return -1;
    int best = -1;
    double bestError = 0.02; // relative power of the mismatch: 8-bit steps are far below it
    for (int shape = 0; shape < kShapes; ++shape) {
        // h_k = s c_k z^k with c_k = -i b_k: z from the fundamental.
        const Complex z = h[1] / Complex(0, -sineSeries(shape, 1));
        const Complex unit = z / std::abs(z);
        double error = 0;
        for (std::size_t k = 2; k <= compared; ++k) {
            const Complex predicted = std::abs(z) * Complex(0, -sineSeries(shape, k)) *
                                      std::pow(unit, static_cast<double>(k));
            error += std::norm(h[k] - predicted);
        }
        error /= std::norm(h[1]);
        if (error < bestError) {
            bestError = error;
            best = shape;
        }
    }
    return best;
}

// The harmonics that stay below the device's Nyquist frequency and, unless
// the wave is known, that the loop really holds.
size_t highestHarmonic(size_t frames, double fundamentalHz, int deviceRate, ToneWave wave)
{
    const auto audible = static_cast<size_t>(std::max(0.0, std::ceil(0.5 * deviceRate / fundamentalHz) - 1));
    return shapeOf(wave) >= 0 ? audible : std::min(frames / 2, audible);
}

std::shared_ptr<BandLimitedCycle> build(const std::vector<float>& x, size_t highest, ToneWave wave)
{
    const size_t n = x.size();
    FftPlan analysis = FftPlan::realToComplex(n);
    std::copy(x.begin(), x.end(), analysis.real().begin());
    analysis.run();
    const std::span<const Complex> h = analysis.complex();

    // A tone drawn in a closed-form shape plays as that shape, computed here
    // rather than read from the file's 8-bit steps, at its fundamental's level. Other loops play their own harmonics.
    // A shape the caller names needs no recognising, and plays at the level it was drawn at: a loop of a few
    // samples bends its fundamental.
    const int known = shapeOf(wave);
    const int shape = known >= 0 ? known : recognisedShape(h, n);
    // 16 table samples per period of the highest harmonic keep the cubic
    // reader's images below -100 dB; a pure tone gets many more, for nothing.
    size_t size = 1024;
    while (size < 16 * std::max<size_t>(highest, 1))
        size <<= 1;
    FftPlan synthesis = FftPlan::complexToReal(size);
    const std::span<Complex> spectrum = synthesis.complex();
    std::fill(spectrum.begin(), spectrum.end(), Complex(0));
    const double scale = static_cast<double>(size) / static_cast<double>(n);
    spectrum[0] = shape < 0 ? h[0] * scale : Complex(0);
    // The shape starts its cycle where the writer starts drawing it, so the
    // loop's start is the tone's phase 0 whatever the file's rounding: tones
    // started together are in phase whenever their positions agree.
    const double level = known >= 0  ? kDrawnPeak / seriesPeak(known) * static_cast<double>(n) / 2
                         : shape < 0 ? 0
                                     : std::abs(h[1]) / std::abs(sineSeries(shape, 1));
    for (size_t k = 1; k <= highest && shape >= 0; ++k)
        spectrum[k] = level * Complex(0, -sineSeries(shape, k)) * scale;
    for (size_t k = 1; k <= highest && shape < 0; ++k) {
        // The Nyquist bin of an even loop is its own mirror: it counts once.
        const double share = (2 * k == n) ? 0.5 : 1.0;
        spectrum[k] = h[k] * scale * share;
    }
    synthesis.run();
    auto cycle = std::make_shared<BandLimitedCycle>();
    cycle->table.resize(size);
    const std::span<const double> table = synthesis.real();
    for (size_t i = 0; i < size; ++i)
        cycle->table[i] = static_cast<float>(table[i] / static_cast<double>(size));
    cycle->mask = static_cast<unsigned>(size - 1);
    if (shape == 0 && highest >= 1)
        cycle->sineAmplitude = 2 * level / static_cast<double>(n);
    // The cubic reader's weights add up to at most 1.25 in magnitude.
    float highestSample = 0;
    for (float v : cycle->table)
        highestSample = std::max(highestSample, std::fabs(v));
    cycle->peak = cycle->sineAmplitude != 0 ? static_cast<float>(cycle->sineAmplitude) : 1.25f * highestSample;
    return cycle;
}

struct CacheEntry {
    std::vector<float> samples;
    size_t highest;
    ToneWave wave;
    std::shared_ptr<const BandLimitedCycle> cycle;
};

} // namespace

std::shared_ptr<const BandLimitedCycle> bandLimitedCycle(const PcmData& data, double fundamentalHz, int deviceRate,
                                                         ToneWave wave)
{
    static std::mutex mutex;
    static std::deque<CacheEntry> cache;
    std::lock_guard lock(mutex);
    std::vector<float> x(static_cast<size_t>(data.frames));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = data.samples[i * static_cast<size_t>(data.channels)];
    if (x.empty() || !(fundamentalHz > 0) || deviceRate <= 0)
        return nullptr;
    const size_t highest = highestHarmonic(x.size(), fundamentalHz, deviceRate, wave);
    for (const CacheEntry& e : cache)
        if (e.highest == highest && e.wave == wave && e.samples == x)
            return e.cycle;
    std::shared_ptr<const BandLimitedCycle> cycle = build(x, highest, wave);
    cache.push_front({std::move(x), highest, wave, cycle});
    if (cache.size() > 8)
        cache.pop_back();
    return cycle;
}

} // namespace aurelith
