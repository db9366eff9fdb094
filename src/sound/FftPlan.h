// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <complex>
#include <cstddef>
#include <span>

namespace aurelith {

// One FFTW transform of a fixed size with its own aligned buffers. Plans are
// made with FFTW_ESTIMATE (no timing at run time, so the same input always
// gives the same output) and under one lock, because FFTW's planner is not
// thread-safe and plans are made on the window thread and on workers alike.
// run() itself may be called from any thread. Inverse transforms are unscaled.
class FftPlan {
public:
    // n real samples -> bins 0 ... n/2 (forward).
    static FftPlan realToComplex(std::size_t n);
    // bins 0 ... n/2 of a Hermitian spectrum -> n real samples (inverse).
    static FftPlan complexToReal(std::size_t n);
    // n complex values, inverse, in place (complex() is input and output).
    static FftPlan complexInverse(std::size_t n);

    FftPlan(FftPlan&& other) noexcept;
    FftPlan& operator=(FftPlan&&) = delete;
    FftPlan(const FftPlan&) = delete;
    FftPlan& operator=(const FftPlan&) = delete;
    ~FftPlan();

    std::span<double> real() { return {real_, realSize_}; }
    std::span<std::complex<double>> complex() { return {complex_, complexSize_}; }
    // Transforms; a complex-to-real plan overwrites its input.
    void run();

private:
    // The real and the half-spectrum buffers of an n-point real transform.
    static FftPlan withRealBuffers(std::size_t n);
    FftPlan() = default;

    void* plan_ = nullptr;
    double* real_ = nullptr;
    std::size_t realSize_ = 0;
    std::complex<double>* complex_ = nullptr;
    std::size_t complexSize_ = 0;
};

} // namespace aurelith
