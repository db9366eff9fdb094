#include "sound/BandLimitedCycle.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <deque>
#include <mutex>
#include <numbers>

namespace aurelith {
namespace {

using Complex = std::complex<double>;

// In-place radix-2 FFT; inverse without the 1/n scale.
void fft(std::vector<Complex>& a, bool inverse)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = 2 * std::numbers::pi / static_cast<double>(len) * (inverse ? 1 : -1);
        const Complex step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            Complex w(1);
            for (size_t k = 0; k < len / 2; ++k) {
                const Complex u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

// Harmonics 0 ... highest of one cycle of n samples (a plain DFT: n is any length).
std::vector<Complex> harmonics(const std::vector<float>& x, size_t highest)
{
    const size_t n = x.size();
    std::vector<Complex> h(highest + 1);
    for (size_t k = 0; k <= highest; ++k) {
        const double angle = -2 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
        const Complex step(std::cos(angle), std::sin(angle));
        Complex w(1), sum(0);
        for (size_t i = 0; i < n; ++i) {
            sum += static_cast<double>(x[i]) * w;
            w *= step;
            // The rotating phasor drifts over long cycles; renormalise now and then.
            if ((i & 255) == 255)
                w /= std::abs(w);
        }
        h[k] = sum;
    }
    return h;
}

std::shared_ptr<BandLimitedCycle> build(const std::vector<float>& x, double fundamentalHz, int deviceRate)
{
    const size_t n = x.size();
    // Harmonics the loop really holds, and that stay below the device's Nyquist frequency.
    const size_t held = n / 2;
    const auto audible = static_cast<size_t>(std::max(0.0, std::ceil(0.5 * deviceRate / fundamentalHz) - 1));
    const size_t highest = std::min(held, audible);
    const std::vector<Complex> h = harmonics(x, highest);

    // 16 table samples per period of the highest harmonic keep the cubic reader's images below -100 dB.
    size_t size = 64;
    while (size < 16 * std::max<size_t>(highest, 1))
        size <<= 1;
    std::vector<Complex> spectrum(size);
    const double scale = static_cast<double>(size) / static_cast<double>(n);
    spectrum[0] = h[0] * scale;
    for (size_t k = 1; k <= highest; ++k) {
        // The Nyquist bin of an even loop is its own mirror: it counts once.
        const double share = (2 * k == n) ? 0.5 : 1.0;
        spectrum[k] = h[k] * scale * share;
        spectrum[size - k] = std::conj(h[k]) * scale * share;
    }
    fft(spectrum, true);
    auto cycle = std::make_shared<BandLimitedCycle>();
    cycle->table.resize(size);
    for (size_t i = 0; i < size; ++i)
        cycle->table[i] = static_cast<float>(spectrum[i].real() / static_cast<double>(size));
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
