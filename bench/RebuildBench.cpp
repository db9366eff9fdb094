// SPDX-License-Identifier: GPL-3.0-or-later
// A band button press as the user makes it: both tone files rewritten, three
// buffers created (the 10-minute mask from the decoder's cache) and playing.
#include "BenchSupport.h"
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

using bench::SilentDialogs;
using bench::writeStereoWav;

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
            benchmark::DoNotOptimize(app.state.tone.soundBuffers[SoundSlot::mask].get());
        }
        if (!app.state.tone.soundBuffers[SoundSlot::mask])
            state.SkipWithError("the mask did not load");
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BandButtonWithCachedMask)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace aurelith
