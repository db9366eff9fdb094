// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a sound file: decoded from memory, and saved as mask 2 and
// played as the masking sound is, a few periods rendered. Whatever plays must
// be finite and below full scale. (Resampling full-scale noise may overshoot
// the mask's own level a little; the limiter keeps the sum under its ceiling.)
#include "sound/Limiter.h"
#include "sound/MixerSoundSystem.h"
#include "sound/SoundDecoder.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <unistd.h>

using namespace aurelith;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

const std::filesystem::path& folder()
{
    static const std::filesystem::path path = [] {
        char pattern[] = "/tmp/aurelith-fuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        check(made != nullptr);
        static std::string kept = made;
        std::atexit([] { std::filesystem::remove_all(kept); });
        return std::filesystem::path(made);
    }();
    return path;
}

void checkPcm(const PcmData& pcm)
{
    check(pcm.channels == 1 || pcm.channels == 2);
    check(pcm.sampleRate > 0);
    check(pcm.frames > 0 && pcm.samples.size() == static_cast<size_t>(pcm.frames) * pcm.channels);
    for (float v : pcm.samples)
        check(std::isfinite(v));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (auto pcm = SoundDecoder::decodeBytes(data, size))
        checkPcm(*pcm);

    const std::filesystem::path mask = folder() / "mask2.wav";
    {
        std::ofstream out(mask, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    MixerSoundSystem sound;
    std::string error;
    check(sound.createDevice(error));
    auto buffer = sound.createBuffer(mask.string());
    if (!buffer)
        return 0;
    constexpr int kVolume = -600;
    buffer->setVolume(kVolume);
    buffer->setPan(0);
    buffer->play(true);
    const float limit = Limiter::kCeiling + 1e-6f;
    // A long file streams from a worker: give it a moment to deliver.
    std::vector<float> period(2 * 512);
    bool heard = false;
    for (int i = 0; i < 12; ++i) {
        sound.render(period.data(), 512);
        for (float v : period) {
            check(std::isfinite(v) && std::fabs(v) <= limit);
            heard = heard || v != 0.0f;
        }
        if (!heard)
            std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    return 0;
}
