// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/FftPlan.h"

#include <fftw3.h>

#include <mutex>
#include <new>
#include <utility>

namespace aurelith {
namespace {

std::mutex& plannerMutex()
{
    static std::mutex mutex;
    return mutex;
}

// FFTW's complex type is layout-compatible with std::complex<double>.
fftw_complex* asFftw(std::complex<double>* p) { return reinterpret_cast<fftw_complex*>(p); }

template <typename T>
T* checked(T* p)
{
    if (!p)
        throw std::bad_alloc();
    return p;
}

} // namespace

FftPlan FftPlan::withRealBuffers(std::size_t n)
{
    FftPlan p;
    p.realSize_ = n;
    p.complexSize_ = n / 2 + 1;
    p.real_ = checked(fftw_alloc_real(p.realSize_));
    p.complex_ = reinterpret_cast<std::complex<double>*>(checked(fftw_alloc_complex(p.complexSize_)));
    return p;
}

FftPlan FftPlan::realToComplex(std::size_t n)
{
    FftPlan p = withRealBuffers(n);
    std::lock_guard lock(plannerMutex());
    p.plan_ = checked(fftw_plan_dft_r2c_1d(static_cast<int>(n), p.real_, asFftw(p.complex_), FFTW_ESTIMATE));
    return p;
}

FftPlan FftPlan::complexToReal(std::size_t n)
{
    FftPlan p = withRealBuffers(n);
    std::lock_guard lock(plannerMutex());
    p.plan_ = checked(fftw_plan_dft_c2r_1d(static_cast<int>(n), asFftw(p.complex_), p.real_, FFTW_ESTIMATE));
    return p;
}

FftPlan FftPlan::complexInverse(std::size_t n)
{
    FftPlan p;
    p.complexSize_ = n;
    std::lock_guard lock(plannerMutex());
    p.complex_ = reinterpret_cast<std::complex<double>*>(checked(fftw_alloc_complex(n)));
    p.plan_ = checked(
        fftw_plan_dft_1d(static_cast<int>(n), asFftw(p.complex_), asFftw(p.complex_), FFTW_BACKWARD, FFTW_ESTIMATE));
    return p;
}

FftPlan::FftPlan(FftPlan&& other) noexcept
    : plan_(std::exchange(other.plan_, nullptr)), real_(std::exchange(other.real_, nullptr)),
      realSize_(std::exchange(other.realSize_, 0)), complex_(std::exchange(other.complex_, nullptr)),
      complexSize_(std::exchange(other.complexSize_, 0))
{
}

FftPlan::~FftPlan()
{
    // Destroying a plan touches the planner's shared state too.
    std::lock_guard lock(plannerMutex());
    if (plan_)
        fftw_destroy_plan(static_cast<fftw_plan>(plan_));
    fftw_free(real_);
    fftw_free(complex_);
}

void FftPlan::run() { fftw_execute(static_cast<fftw_plan>(plan_)); }

} // namespace aurelith
