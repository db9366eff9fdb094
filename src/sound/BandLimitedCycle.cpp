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

std::shared_ptr<BandLimitedCycle> build(const std::vector<float>& x, double fundamentalHz, int deviceRate)
{
    const size_t n = x.size();
    // Harmonics the loop really holds, and that stay below the device's Nyquist frequency.
    const size_t held = n / 2;
    const auto audible = static_cast<size_t>(std::max(0.0, std::ceil(0.5 * deviceRate / fundamentalHz) - 1));
    const size_t highest = std::min(held, audible);
    FftPlan analysis = FftPlan::realToComplex(n);
    std::copy(x.begin(), x.end(), analysis.real().begin());
    analysis.run();
    const std::span<const Complex> h = analysis.complex();

    // 16 table samples per period of the highest harmonic keep the cubic reader's images below -100 dB.
    size_t size = 64;
    while (size < 16 * std::max<size_t>(highest, 1))
        size <<= 1;
    FftPlan synthesis = FftPlan::complexToReal(size);
    const std::span<Complex> spectrum = synthesis.complex();
    std::fill(spectrum.begin(), spectrum.end(), Complex(0));
    const double scale = static_cast<double>(size) / static_cast<double>(n);
    spectrum[0] = h[0] * scale;
    for (size_t k = 1; k <= highest; ++k) {
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
    return cycle;
}

struct CacheEntry {
    std::vector<float> samples;
    size_t highest;
    std::shared_ptr<const BandLimitedCycle> cycle;
};

} // namespace

std::shared_ptr<const BandLimitedCycle> bandLimitedCycle(const PcmData& data, double fundamentalHz, int deviceRate)
{
    static std::mutex mutex;
    static std::deque<CacheEntry> cache;
    std::lock_guard lock(mutex);
    std::vector<float> x(static_cast<size_t>(data.frames));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = data.samples[i * static_cast<size_t>(data.channels)];
    if (x.empty() || !(fundamentalHz > 0) || deviceRate <= 0)
        return nullptr;
    const auto audible = static_cast<size_t>(std::max(0.0, std::ceil(0.5 * deviceRate / fundamentalHz) - 1));
    const size_t highest = std::min(x.size() / 2, audible);
    for (const CacheEntry& e : cache)
        if (e.highest == highest && e.samples == x)
            return e.cycle;
    std::shared_ptr<const BandLimitedCycle> cycle = build(x, fundamentalHz, deviceRate);
    cache.push_front({std::move(x), highest, cycle});
    if (cache.size() > 8)
        cache.pop_back();
    return cycle;
}

} // namespace aurelith
