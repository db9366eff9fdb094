#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <utility>
#include <vector>

namespace aurelith {

// In-place radix-2 FFT; the size must be a power of two. The inverse is
// unscaled (divide by the size to undo a forward transform).
inline void fft(std::vector<std::complex<double>>& x, bool inverse = false)
{
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = (inverse ? 2.0 : -2.0) * std::numbers::pi / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t start = 0; start < n; start += len) {
            std::complex<double> w(1.0, 0.0);
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> a = x[start + k];
                const std::complex<double> b = x[start + k + len / 2] * w;
                x[start + k] = a + b;
                x[start + k + len / 2] = a - b;
                w *= step;
            }
        }
    }
}

} // namespace aurelith
