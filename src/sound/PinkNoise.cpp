// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/PinkNoise.h"

#include "sound/FftPlan.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <map>
#include <mutex>
#include <numbers>
#include <random>
#include <span>
#include <system_error>

namespace aurelith {

namespace {

// Left and right are real signals, so one complex transform makes both:
// spectrum = L + iR, each with its own random phases and the mirrored half
// conjugated. Whole bins only, so the loop wraps without a seam.
void fillPinkStereoSpectrum(std::span<std::complex<double>> spectrum, int sampleRate, double lowHz, double highHz,
                            unsigned seed)
{
    const auto n = static_cast<long>(spectrum.size());
    const double binHz = static_cast<double>(sampleRate) / n;
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> phase(0.0, 2.0 * std::numbers::pi);
    std::fill(spectrum.begin(), spectrum.end(), std::complex<double>(0.0));
    const std::complex<double> i(0.0, 1.0);
    for (long k = 1; k < n / 2; ++k) {
        const double hz = k * binHz;
        if (hz < lowHz || hz > highHz) {
            continue;
        }
        const double amplitude = 1.0 / std::sqrt(hz); // power falls as 1/f
        const std::complex<double> left = std::polar(amplitude, phase(random));
        const std::complex<double> right = std::polar(amplitude, phase(random));
        spectrum[static_cast<std::size_t>(k)] = left + i * right;
        spectrum[static_cast<std::size_t>(n - k)] = std::conj(left) + i * std::conj(right);
    }
}

} // namespace

std::shared_ptr<const PcmData> PinkNoise::generate(int sampleRate, unsigned seed)
{
    const long n = kFrames;
    FftPlan inverse = FftPlan::complexInverse(static_cast<std::size_t>(n));
    const std::span<std::complex<double>> spectrum = inverse.complex();
    fillPinkStereoSpectrum(spectrum, sampleRate, kLowHz, std::min(kHighHz, 0.45 * sampleRate), seed);
    inverse.run();

    double sumLeft = 0.0;
    double sumRight = 0.0;
    for (const auto& s : spectrum) {
        sumLeft += s.real() * s.real();
        sumRight += s.imag() * s.imag();
    }
    const double gainLeft = kRms / std::sqrt(sumLeft / n);
    const double gainRight = kRms / std::sqrt(sumRight / n);

    auto pcm = std::make_shared<PcmData>();
    pcm->channels = 2;
    pcm->sampleRate = sampleRate;
    pcm->frames = n;
    pcm->samples.resize(static_cast<std::size_t>(2 * n));
    for (long f = 0; f < n; ++f) {
        const auto& s = spectrum[static_cast<std::size_t>(f)];
        pcm->samples[2 * f] = static_cast<float>(std::clamp(s.real() * gainLeft, -1.0, 1.0));
        pcm->samples[2 * f + 1] = static_cast<float>(std::clamp(s.imag() * gainRight, -1.0, 1.0));
    }
    return pcm;
}

namespace {

constexpr unsigned kSeed = 0x70696e6bu;
using Loop = std::shared_future<std::shared_ptr<const PcmData>>;

std::mutex loopsMutex;
std::map<int, Loop> loops;

// The caller holds loopsMutex.
Loop& loopFor(int sampleRate, std::launch policy)
{
    auto it = loops.find(sampleRate);
    if (it == loops.end()) {
        auto make = [sampleRate] { return PinkNoise::generate(sampleRate, kSeed); };
        Loop loop;
        try {
            loop = std::async(policy, make).share();
        } catch (const std::system_error&) { // no thread to spare: make it on first use
            loop = std::async(std::launch::deferred, make).share();
        }
        it = loops.emplace(sampleRate, std::move(loop)).first;
    }
    return it->second;
}

} // namespace

void PinkNoise::prepare(int sampleRate)
{
    std::lock_guard lock(loopsMutex);
    loopFor(sampleRate, std::launch::async);
}

std::shared_ptr<const PcmData> PinkNoise::loop(int sampleRate)
{
    Loop loop;
    {
        std::lock_guard lock(loopsMutex);
        loop = loopFor(sampleRate, std::launch::deferred);
    }
    return loop.get();
}

} // namespace aurelith
