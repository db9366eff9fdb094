// A one-hour masking sound, as users have them (WAV and MP3): how long a band
// button takes with it, how soon the mask is heard, and how much memory the
// program holds while it plays.
#include "app/App.h"
#include "core/ToneLimits.h"
#include "BenchSupport.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "sound/PinkNoise.h"
#include "ui/ControlNames.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace aurelith {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kHour = 3600;

using bench::SilentDialogs;

// Stereo noise at about -12 dBFS, one second per call, never repeating.
void writeNoiseSeconds(SNDFILE* out, int seconds, std::uint32_t& state)
{
    std::vector<float> block(2 * kSampleRate);
    for (int s = 0; s < seconds; ++s) {
        for (float& v : block) {
            state = state * 1664525u + 1013904223u;
            v = static_cast<float>(static_cast<std::int32_t>(state)) / 2147483648.0f * 0.25f;
        }
        sf_writef_float(out, block.data(), kSampleRate);
    }
}

bool writeNoise(const fs::path& file, int format, int seconds)
{
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 2;
    info.format = format;
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!out)
        return false;
    std::uint32_t state = 1;
    writeNoiseSeconds(out, seconds, state);
    return sf_close(out) == 0;
}

// The folder of a user with a one-hour mask 1; made once per run.
class HourMaskFolder {
public:
    explicit HourMaskFolder(bool mp3)
    {
        char pattern[] = "/tmp/aurelith-bench-XXXXXX";
        folder_ = ::mkdtemp(pattern);
        std::ofstream(folder_ / "fctl") << "1\r\n";
        // Tones at the bar's bottom, mask at full level: the mask is what is heard.
        std::ofstream(folder_ / "vols") << "-5000,0,0,160\r\n";
        const fs::path mask = folder_ / "pink_inv.wav"; // any format under this name
        ok_ = mp3 ? writeHourMp3(mask) : writeNoise(mask, SF_FORMAT_WAV | SF_FORMAT_PCM_16, kHour);
    }
    ~HourMaskFolder() { fs::remove_all(folder_); }
    const fs::path& path() const { return folder_; }
    bool ok() const { return ok_; }
    const std::string& how() const { return how_; }

private:
    // lame encodes an hour in a minute or two; one minute encoded without a
    // length tag and repeated sixty times is a valid one-hour MP3 at once.
    bool writeHourMp3(const fs::path& mask)
    {
        const fs::path minute = folder_ / "minute.wav";
        const fs::path minuteMp3 = folder_ / "minute.mp3";
        if (std::system("command -v lame >/dev/null 2>&1") == 0 &&
            writeNoise(minute, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 60)) {
            const std::string command = "lame --quiet -t -b 128 '" + minute.string() + "' '" + minuteMp3.string() + "'";
            if (std::system(command.c_str()) == 0) {
                std::ifstream in(minuteMp3, std::ios::binary);
                const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
                std::ofstream out(mask, std::ios::binary);
                for (int i = 0; i < 60; ++i)
                    out << bytes;
                fs::remove(minute);
                fs::remove(minuteMp3);
                how_ = "lame 128 kbit/s, one minute x 60";
                return out.good();
            }
        }
        how_ = "libsndfile MP3 encoder, one hour";
        return writeNoise(mask, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, kHour);
    }

    fs::path folder_;
    bool ok_ = false;
    std::string how_ = "libsndfile WAV 16-bit, one hour";
};

double statusMb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stod(line.substr(key.size())) / 1024.0;
    return -1;
}

// From here on VmHWM is the peak of what follows, not of earlier benchmarks.
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

void BM_BandButtonWithHourMask(benchmark::State& state, bool mp3)
{
    static HourMaskFolder wavFolder(false);
    static HourMaskFolder mp3Folder(true);
    const HourMaskFolder& folder = mp3 ? mp3Folder : wavFolder;
    if (!folder.ok()) {
        state.SkipWithError("could not write the one-hour mask");
        return;
    }
    state.SetLabel(folder.how());
    const double rssBefore = statusMb("VmRSS");
    resetPeakMemory();
    Form form;
    MixerSoundSystem sound;
    SilentDialogs dialogs;
    App app(form, sound, dialogs, folder.path());
    bindHandlers(app);
    startUp(app);
    for (auto _ : state) {
        form.click(ctl::Command10);
        benchmark::DoNotOptimize(app.state.tone.soundBuffers[SoundSlot::mask].get());
    }
    if (!app.state.tone.soundBuffers[SoundSlot::mask]) {
        state.SkipWithError("the mask did not load");
        return;
    }

    // How soon the mask is heard after a press: rendered in device periods
    // as the audio thread would pull them.
    std::vector<float> period(2 * 256);
    form.click(ctl::Command10);
    const auto pressed = Clock::now();
    double joinMs = -1;
    while (Clock::now() - pressed < std::chrono::seconds(2)) {
        sound.render(period.data(), 256);
        if (std::any_of(period.begin(), period.end(), [](float v) { return std::abs(v) > 0.05f; })) {
            joinMs = std::chrono::duration<double, std::milli>(Clock::now() - pressed).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    // Then a few seconds of real-time playback while the worker decodes ahead.
    const auto playing = Clock::now();
    for (int done = 0; done < 3 * kSampleRate; done += 441) {
        sound.render(period.data(), 256);
        sound.render(period.data(), 185);
        std::this_thread::sleep_until(playing + std::chrono::microseconds(done * 1000000LL / kSampleRate));
    }
    state.counters["join_ms"] = joinMs;
    state.counters["VmHWM_MB"] = statusMb("VmHWM");
    state.counters["VmRSS_MB"] = statusMb("VmRSS");
    state.counters["RSS_before_MB"] = rssBefore;
}
BENCHMARK_CAPTURE(BM_BandButtonWithHourMask, wav, false)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK_CAPTURE(BM_BandButtonWithHourMask, mp3, true)->Unit(benchmark::kMillisecond)->Iterations(50);

// The built-in pink noise is made on the first press that needs it, then shared.
void BM_PinkNoiseFirstUse(benchmark::State& state)
{
    unsigned seed = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(PinkNoise::generate(kSampleRate, seed++));
}
BENCHMARK(BM_PinkNoiseFirstUse)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
} // namespace aurelith
