// SPDX-License-Identifier: GPL-3.0-or-later
// A band button press as the user makes it: both tone files rewritten, three
// buffers created (the 10-minute mask from the decoder's cache) and playing.
#include "app/App.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "shell/Bindings.h"
#include "ui/ControlNames.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace aurelith {
namespace {

class SilentDialogs : public Dialogs {
public:
    void message(const std::string&, const std::string&) override {}
    bool confirm(const std::string&, const std::string&) override { return false; }
    std::optional<std::string> input(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<Colour> pickColour(Colour) override { return std::nullopt; }
};

void writeStereoWav(const std::filesystem::path& path, int seconds)
{
    const std::uint32_t frames = 44100u * seconds;
    std::ofstream out(path, std::ios::binary);
    auto le = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    out << "RIFF";
    le(36 + frames * 4, 4);
    out << "WAVEfmt ";
    le(16, 4), le(1, 2), le(2, 2), le(44100, 4), le(176400, 4), le(4, 2), le(16, 2);
    out << "data";
    le(frames * 4, 4);
    std::vector<std::int16_t> block(2 * 44100);
    std::uint32_t noise = 1;
    for (int s = 0; s < seconds; ++s) {
        for (auto& v : block) {
            noise = noise * 1664525u + 1013904223u;
            v = static_cast<std::int16_t>(noise >> 20);
        }
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 2));
    }
}

void BM_BandButtonWithCachedMask(benchmark::State& state)
{
    char pattern[] = "/tmp/aurelith-bench-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    std::ofstream(folder / "fctl") << "1\r\n";
    std::ofstream(folder / "vols") << "-3000,0,0,160\r\n";
    writeStereoWav(folder / "pink_inv.wav", 600);
    {
        Form form;
        MixerSoundSystem sound;
        SilentDialogs dialogs;
        App app(form, sound, dialogs, folder);
        bindHandlers(app);
        startUp(app);
        form.click(ctl::Command10); // the first press decodes the mask
        for (auto _ : state) {
            form.click(ctl::Command10);
            benchmark::DoNotOptimize(app.state.soundBuffers[2].get());
        }
        if (!app.state.soundBuffers[2])
            state.SkipWithError("the mask did not load");
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BandButtonWithCachedMask)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace aurelith
