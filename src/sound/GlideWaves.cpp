// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/GlideWaves.h"

#include "sound/FftPlan.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <mutex>
#include <numbers>

namespace aurelith {

namespace {

using Doubles4 = double __attribute__((vector_size(32)));
using Floats4 = float __attribute__((vector_size(16)));

// sin(2 pi y) for y in [-0.5, 0.5]: Taylor to the 17th power, whose error
// at the ends (3e-8) is below float rounding.
template <typename T>
T sinTurns(T y)
{
    const T z = y * 6.28318530717958647692f;
    const T z2 = z * z;
    T p = z2 * 0.0f + 1.0f / 355687428096000.0f; // 1/17!
    p = p * z2 - 1.0f / 1307674368000.0f;
    p = p * z2 + 1.0f / 6227020800.0f;
    p = p * z2 - 1.0f / 39916800.0f;
    p = p * z2 + 1.0f / 362880.0f;
    p = p * z2 - 1.0f / 5040.0f;
    p = p * z2 + 1.0f / 120.0f;
    p = p * z2 - 1.0f / 6.0f;
    p = p * z2 + 1.0f;
    return p * z;
}

// Rounds to the nearest whole number with adds only, which SSE2 vectorises
// (it has no rounding instruction); exact for |x| < 2^51.
constexpr double kRoundMagic = 6755399441055744.0; // 1.5 * 2^52

// The sine series coefficient of harmonic k (>= 1) of each shape, scaled so
// the ideal shape peaks at 1.
double glideSeries(glide::Wave wave, int k)
{
    constexpr double pi = std::numbers::pi;
    const bool odd = k % 2 == 1;
    switch (wave) {
    case glide::Wave::square: return odd ? 4 / pi / k : 0;
    case glide::Wave::triangle: return odd ? ((k / 2) % 2 == 0 ? 1 : -1) * 8 / (pi * pi * k * k) : 0;
    case glide::Wave::sawtooth: return (odd ? 2 : -2) / pi / k;
    default: return k == 1 ? 1 : 0;
    }
}

BandLimitedCycle buildLevel(glide::Wave wave, int harmonics)
{
    std::size_t size = 1024;
    while (size < 16 * static_cast<std::size_t>(harmonics))
        size <<= 1;
    FftPlan synthesis = FftPlan::complexToReal(size);
    auto spectrum = synthesis.complex();
    std::fill(spectrum.begin(), spectrum.end(), std::complex<double>(0));
    // x = sum b_k sin(2 pi k t): bin k holds -i b_k n / 2.
    for (int k = 1; k <= harmonics; ++k)
        spectrum[static_cast<std::size_t>(k)] = std::complex<double>(0, -glideSeries(wave, k) / 2);
    synthesis.run();
    BandLimitedCycle cycle;
    cycle.table.resize(size);
    for (std::size_t i = 0; i < size; ++i)
        cycle.table[i] = static_cast<float>(synthesis.real()[i]);
    cycle.mask = static_cast<unsigned>(size - 1);
    for (float v : cycle.table)
        cycle.peak = std::max(cycle.peak, 1.25f * std::fabs(v));
    return cycle;
}

} // namespace

void sineChirp(float* dst, int n, double phase, double c1, double c2, float level, float levelStep)
{
    const double h = 0.5 * c2;
    int j = 0;
    if (n >= 4) {
        Doubles4 jj = {0, 1, 2, 3};
        Floats4 lv = {level, level + levelStep, level + 2 * levelStep, level + 3 * levelStep};
        const Floats4 lstep = {4 * levelStep, 4 * levelStep, 4 * levelStep, 4 * levelStep};
        for (; j + 4 <= n; j += 4) {
            const Doubles4 p = phase + jj * (c1 + h * jj);
            const Doubles4 r = (p + kRoundMagic) - kRoundMagic;
            const Floats4 y = __builtin_convertvector(p - r, Floats4);
            const Floats4 v = sinTurns(y) * lv;
            std::memcpy(dst + j, &v, sizeof v);
            jj += 4;
            lv += lstep;
        }
    }
    for (; j < n; ++j) {
        const double p = phase + j * (c1 + h * j);
        dst[j] = sinTurns(static_cast<float>(p - std::nearbyint(p))) * (level + levelStep * static_cast<float>(j));
    }
}

std::shared_ptr<const GlideWaveTables> GlideWaveTables::forWave(glide::Wave wave)
{
    if (wave == glide::Wave::sine)
        return nullptr;
    static std::mutex mutex;
    static std::array<std::shared_ptr<const GlideWaveTables>, 4> made;
    std::lock_guard lock(mutex);
    auto& slot = made[static_cast<std::size_t>(wave)];
    if (!slot) {
        auto tables = std::make_shared<GlideWaveTables>();
        for (int m = 0; m < kLevels; ++m)
            tables->levels_[static_cast<std::size_t>(m)] = buildLevel(wave, 1 << m);
        slot = std::move(tables);
    }
    return slot;
}

int GlideWaveTables::levelFor(double maxCyclesPerFrame)
{
    if (!(maxCyclesPerFrame > 0))
        return kLevels - 1;
    if (maxCyclesPerFrame > 0.5)
        return -1;
    // The most harmonics, 2^m, that all stay at or below Nyquist.
    const int m = static_cast<int>(std::floor(std::log2(0.5 / maxCyclesPerFrame)));
    return std::min(m, kLevels - 1);
}

float GlideWaveTables::at(double phase, double cyclesPerFrame, int level) const
{
    if (level < 0)
        return 0.0f;
    const BandLimitedCycle& full = levels_[static_cast<std::size_t>(level)];
    // Table m is safe up to 0.5 / 2^m; over the upper half of its range its
    // top octave fades out (into table m - 1), so at the range's top nothing
    // is left to fold over, and at its bottom table m + 1 takes over seamlessly.
    const double top = 0.5 / static_cast<double>(1 << level);
    const double w = level == kLevels - 1 && cyclesPerFrame < top / 2
                         ? 0.0
                         : std::clamp(cyclesPerFrame / (top / 2) - 1.0, 0.0, 1.0);
    const float a = full.at(phase);
    if (w == 0.0)
        return a;
    const float b = level > 0 ? levels_[static_cast<std::size_t>(level - 1)].at(phase) : 0.0f;
    return a + static_cast<float>(w) * (b - a);
}

GlideNoise::Shape GlideNoise::shape(glide::NoiseColour colour, int deviceRate)
{
    Shape s;
    const double rate = deviceRate > 0 ? deviceRate : 44100;
    auto polar = [rate](double hz) { return static_cast<float>(std::exp(-2 * std::numbers::pi * hz / rate)); };
    if (colour == glide::NoiseColour::pink) {
        // A pole every two octaves and a zero an octave above each: on
        // average -3 dB an octave, rippling a few tenths of a decibel.
        for (double hz = 2.5; s.sections < kSections && hz < rate / 2; hz *= 4, ++s.sections) {
            s.pole[static_cast<std::size_t>(s.sections)] = polar(hz);
            s.zero[static_cast<std::size_t>(s.sections)] = polar(2 * hz);
        }
    } else if (colour == glide::NoiseColour::brown) {
        // An integrator that forgets below 5 Hz, so it cannot wander off.
        s.pole[0] = polar(5.0);
        s.sections = 1;
    }
    // The output's power for white input of unit variance, summed over the
    // spectrum, sets the gain that brings it to kRms.
    constexpr int kBins = 4096;
    double power = 0;
    for (int b = 0; b < kBins; ++b) {
        const std::complex<double> z1 = std::polar(1.0, -std::numbers::pi * (b + 0.5) / kBins);
        double g = 1;
        for (std::size_t k = 0; k < static_cast<std::size_t>(s.sections); ++k)
            g *= std::norm((1.0 - static_cast<double>(s.zero[k]) * z1) / (1.0 - static_cast<double>(s.pole[k]) * z1));
        power += g / kBins;
    }
    const double uniformRms = 1 / std::sqrt(3.0);
    s.gain = static_cast<float>(kRms / (uniformRms * std::sqrt(power)));
    // Inputs lie in [-1, 1], so no output passes the sum of the impulse
    // response's magnitudes; followed until it has died away (the slowest
    // pole's time constant is under a second).
    std::array<double, kSections> x1{}, y1{};
    double sum = 0;
    for (int i = 0; i < 20 * static_cast<int>(rate); ++i) {
        double v = i == 0 ? 1.0 : 0.0;
        for (std::size_t k = 0; k < static_cast<std::size_t>(s.sections); ++k) {
            const double y = v - s.zero[k] * x1[k] + s.pole[k] * y1[k];
            x1[k] = v;
            y1[k] = y;
            v = y;
        }
        sum += std::abs(v);
    }
    s.peak = static_cast<float>(s.gain * sum);
    return s;
}

void GlideNoise::reset(std::uint32_t seed)
{
    state_ = Seeds{seed * 2654435761u | 1u, (seed + 1) * 2246822519u | 1u};
    x1_.fill(Pair{});
    y1_.fill(Pair{});
}

void GlideNoise::fill(const Shape& shape, float* left, float* right, int n)
{
    const auto sections = static_cast<std::size_t>(shape.sections);
    for (int i = 0; i < n; ++i) {
        Pair v = next();
        for (std::size_t k = 0; k < sections; ++k) {
            const Pair y = v - shape.zero[k] * x1_[k] + shape.pole[k] * y1_[k];
            x1_[k] = v;
            y1_[k] = y;
            v = y;
        }
        v *= shape.gain;
        left[i] = v[0];
        right[i] = v[1];
    }
}

} // namespace aurelith
