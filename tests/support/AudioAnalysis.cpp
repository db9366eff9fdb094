// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AudioAnalysis.h"
#include "sound/FftPlan.h"

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace aurelith {

namespace {

using Complex = std::complex<double>;

// Hann-windowed DFT of samples [begin, begin + size) at one frequency, scaled so
// that a sine of amplitude A gives magnitude A.
Complex windowedDft(const std::vector<float>& x, std::size_t begin, std::size_t size, double sampleRate, double freqHz)
{
    const double twoPi = 2.0 * std::numbers::pi;
    const Complex turn = std::polar(1.0, -twoPi * freqHz / sampleRate);
    const Complex windowTurn = std::polar(1.0, twoPi / static_cast<double>(size));
    Complex phasor = 1.0;
    Complex windowPhasor = 1.0;
    Complex sum = 0.0;
    for (std::size_t n = 0; n < size; ++n) {
        const double w = 0.5 - 0.5 * windowPhasor.real();
        sum += w * static_cast<double>(x[begin + n]) * phasor;
        phasor *= turn;
        windowPhasor *= windowTurn;
    }
    // The Hann window sums to size / 2.
    return 4.0 * sum / static_cast<double>(size);
}

double magnitudeAt(const std::vector<float>& x, double sampleRate, double freqHz)
{
    return std::abs(windowedDft(x, 0, x.size(), sampleRate, freqHz));
}

// Finest grid peak within two bins of the guess, refined by a parabola
// through the log magnitudes around it.
double peakNear(const std::vector<float>& x, double sampleRate, double guessHz)
{
    const double bin = sampleRate / static_cast<double>(x.size());
    const int steps = 8; // per bin
    const double delta = bin / steps;
    double bestHz = guessHz;
    double best = -1.0;
    for (int k = -2 * steps; k <= 2 * steps; ++k) {
        const double m = magnitudeAt(x, sampleRate, guessHz + k * delta);
        if (m > best) {
            best = m;
            bestHz = guessHz + k * delta;
        }
    }
    const double a = std::log(magnitudeAt(x, sampleRate, bestHz - delta) + 1e-300);
    const double b = std::log(best + 1e-300);
    const double c = std::log(magnitudeAt(x, sampleRate, bestHz + delta) + 1e-300);
    const double denominator = a - 2.0 * b + c;
    const double offset = denominator < 0.0 ? 0.5 * (a - c) / denominator : 0.0;
    return bestHz + offset * delta;
}

// The phase of a component advances by 2 pi f T between two halves T seconds
// apart; that pins f far more finely than the peak's shape does.
double refineByPhase(const std::vector<float>& x, double sampleRate, double estimateHz)
{
    const double twoPi = 2.0 * std::numbers::pi;
    const std::size_t half = x.size() / 2;
    const double seconds = static_cast<double>(half) / sampleRate;
    const Complex first = windowedDft(x, 0, half, sampleRate, estimateHz);
    const Complex second = windowedDft(x, half, half, sampleRate, estimateHz);
    const double advance = std::arg(second / first);
    const double expected = twoPi * estimateHz * seconds;
    const double error = std::remainder(advance - expected, twoPi);
    return estimateHz + error / (twoPi * seconds);
}

// Blackman-Harris over the longest power-of-two stretch from the start, so
// leakage stays near -90 dB; the first half of the transform.
std::vector<Complex> windowedSpectrum(const std::vector<float>& mono)
{
    std::size_t n = 1;
    while (2 * n <= mono.size())
        n *= 2;
    FftPlan fft = FftPlan::realToComplex(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = 2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
        const double w = 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
        fft.real()[i] = w * mono[i];
    }
    fft.run();
    return {fft.complex().begin(), fft.complex().begin() + static_cast<std::ptrdiff_t>(n / 2)};
}

} // namespace

std::vector<float> channel(const std::vector<float>& interleaved, int ch)
{
    std::vector<float> out;
    out.reserve(interleaved.size() / 2);
    for (std::size_t i = static_cast<std::size_t>(ch); i < interleaved.size(); i += 2) {
        out.push_back(interleaved[i]);
    }
    return out;
}

double rmsDb(const std::vector<float>& samples)
{
    double sum = 0.0;
    for (float s : samples) {
        sum += static_cast<double>(s) * s;
    }
    if (samples.empty() || sum == 0.0) {
        return -std::numeric_limits<double>::infinity();
    }
    return 10.0 * std::log10(sum / static_cast<double>(samples.size()));
}

double measureFrequency(const std::vector<float>& mono, double sampleRate, double guessHz)
{
    double f = peakNear(mono, sampleRate, guessHz);
    for (int pass = 0; pass < 2; ++pass) {
        f = refineByPhase(mono, sampleRate, f);
    }
    return f;
}

double toneLevelDb(const std::vector<float>& mono, double sampleRate, double freqHz)
{
    const double peak = peakNear(mono, sampleRate, freqHz);
    const double bin = sampleRate / static_cast<double>(mono.size());
    // A faint or absent tone has no peak of its own: read it where it should be.
    const double at = std::abs(peak - freqHz) < bin ? peak : freqHz;
    return 20.0 * std::log10(magnitudeAt(mono, sampleRate, at));
}

std::vector<double> amplitudeSpectrum(const std::vector<float>& x)
{
    FftPlan fft = FftPlan::realToComplex(x.size());
    std::copy(x.begin(), x.end(), fft.real().begin());
    fft.run();
    std::vector<double> magnitude;
    for (const auto& bin : fft.complex())
        magnitude.push_back(2 * std::abs(bin) / static_cast<double>(x.size()));
    return magnitude;
}

std::vector<double> welchPower(const std::vector<float>& x, std::size_t n)
{
    FftPlan fft = FftPlan::realToComplex(n);
    std::vector<double> power(n / 2 + 1, 0.0);
    for (std::size_t at = 0; at + n <= x.size(); at += n / 2) {
        for (std::size_t i = 0; i < n; ++i)
            fft.real()[i] = x[at + i] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / n));
        fft.run();
        for (std::size_t b = 0; b < power.size(); ++b)
            power[b] += std::norm(fft.complex()[b]);
    }
    return power;
}

double strayBeyondDb(const std::vector<float>& mono, double sampleRate, const std::vector<double>& tones, double bandHz)
{
    const auto a = windowedSpectrum(mono);
    const double binHz = sampleRate / static_cast<double>(2 * a.size());
    double reference = 0, stray = 0;
    for (std::size_t b = 0; b < a.size(); ++b) {
        double nearest = std::numeric_limits<double>::infinity();
        for (double f : tones)
            nearest = std::min(nearest, std::abs(static_cast<double>(b) * binHz - f));
        double& strongest = nearest <= bandHz ? reference : stray;
        strongest = std::max(strongest, std::abs(a[b]));
    }
    if (stray == 0)
        return -std::numeric_limits<double>::infinity();
    return 20 * std::log10(stray / reference);
}

double foreignComponentsDb(const std::vector<float>& mono, double sampleRate, const std::vector<double>& fundamentals)
{
    const auto a = windowedSpectrum(mono);
    const std::size_t n = 2 * a.size();
    const double binHz = sampleRate / static_cast<double>(n);
    const int lobe = 6; // bins either side that a windowed sine spreads into
    std::vector<bool> own(n / 2, false);
    for (std::size_t b = 0; b <= static_cast<std::size_t>(lobe); ++b)
        own[b] = true;
    double reference = 0;
    for (double f : fundamentals) {
        const auto centre = static_cast<long>(std::lround(f / binHz));
        for (long b = centre - lobe; b <= centre + lobe; ++b)
            if (b >= 0 && b < static_cast<long>(n / 2))
                reference = std::max(reference, std::abs(a[static_cast<std::size_t>(b)]));
        for (double h = f; h < sampleRate / 2; h += f) {
            const auto c = static_cast<long>(std::lround(h / binHz));
            for (long b = c - lobe; b <= c + lobe; ++b)
                if (b >= 0 && b < static_cast<long>(n / 2))
                    own[static_cast<std::size_t>(b)] = true;
        }
    }
    double foreign = 0;
    for (std::size_t b = 0; b < n / 2; ++b)
        if (!own[b])
            foreign = std::max(foreign, std::abs(a[b]));
    if (foreign == 0)
        return -std::numeric_limits<double>::infinity();
    return 20 * std::log10(foreign / reference);
}

} // namespace aurelith
