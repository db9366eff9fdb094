// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/AudioOutput.h"
#include "sound/Mixer.h"
#include "sound/OutputClock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace aurelith::test {

// A sound device on virtual time: it plays ppm off the nominal rate, hears
// frame 0 at startNs, and reports its timing with a few hundred microseconds
// of jitter, as a server's interpolated timing does.
struct FakeOutputClock {
    int nominalRate = 44100;
    double ppm = 0;
    double latencyMs = 250;
    double startNs = 1e12;
    unsigned jitterSeed = 1;

    double rate() const { return nominalRate * (1 + ppm * 1e-6); }
    // Exactly when a frame of the mixer's output reaches the ear.
    double heardAtNs(double frame) const { return startNs + frame / rate() * 1e9; }
    OutputTiming at(std::int64_t ns)
    {
        jitterSeed = jitterSeed * 1103515245u + 12345u;
        const double jitterNs = (static_cast<double>((jitterSeed >> 8) % 1000) - 500) * 600; // +-0.3 ms
        const double frame = (static_cast<double>(ns) + jitterNs - startNs) * 1e-9 * rate();
        return {ns, frame, static_cast<std::int64_t>(latencyMs * 1e6), false};
    }
    // A sound server's report stamped at ns: the frames it had taken, of
    // which its device still held deviceDelayMs' worth.
    ServerReport report(std::int64_t ns, double deviceDelayMs)
    {
        return {ns, at(ns).heardFrame + deviceDelayMs * 1e-3 * nominalRate,
                static_cast<std::int64_t>(deviceDelayMs * 1e6)};
    }
};

// A device on virtual time whose timing is the fake clock's; the test is its
// audio thread and renders by hand.
class VirtualTimeOutput : public AudioOutput {
public:
    VirtualTimeOutput(FakeOutputClock& device, const std::int64_t& nowNs) : device_(device), nowNs_(nowNs) {}
    bool open(Mixer& mixer, int& deviceRate, std::string&) override
    {
        mixer_ = &mixer;
        deviceRate = device_.nominalRate;
        mixer.attachAudioThread(deviceRate);
        return true;
    }
    void close() override { mixer_->detachAudioThread(); }
    bool timing(OutputTiming& t) const override
    {
        t = device_.at(nowNs_);
        return true;
    }

private:
    FakeOutputClock& device_;
    const std::int64_t& nowNs_;
    Mixer* mixer_ = nullptr;
};

// An output that opens as told and reports the health it is given; no thread
// really renders, the mixer just runs as if one did.
class ScriptedOutput : public AudioOutput {
public:
    bool open(Mixer& mixer, int& deviceRate, std::string& error) override
    {
        asked.push_back(deviceRate);
        if (!failWith.empty()) {
            error = failWith;
            return false;
        }
        attached = &mixer;
        deviceRate = deviceRate > 0 ? deviceRate : grantedRate;
        mixer.attachAudioThread(deviceRate);
        return true;
    }
    void close() override
    {
        attached->detachAudioThread();
        ++closes;
    }
    Health health() override { return state; }

    std::vector<int> asked; // the rate asked at each open
    Health state = Health::Playing;
    std::string failWith;
    int grantedRate = 48000;
    int closes = 0;
    Mixer* attached = nullptr;
};

} // namespace aurelith::test
