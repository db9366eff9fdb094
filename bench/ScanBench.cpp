// One scanner step at a 25 Hz beat with the strobe off: twenty-five passes,
// each rewriting both tone files and restarting the tones over the selected
// 10-minute mask (decoded once, then from the cache).
#include "BenchSupport.h"
#include "app/App.h"
#include "scan/Scanner.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"

#include <benchmark/benchmark.h>

namespace aurelith {
namespace {

void BM_ScanStepAt25HzBeat(benchmark::State& state)
{
    char pattern[] = "/tmp/aurelith-bench-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    std::ofstream(folder / "fctl") << "1\r\n";
    std::ofstream(folder / "vols") << "-3000,0,0,160\r\n";
    bench::writeStereoWav(folder / "pink_inv.wav", 600);
    {
        Form form;
        MixerSoundSystem sound;
        bench::SilentDialogs dialogs;
        App app(form, sound, dialogs, folder);
        bindHandlers(app);
        startUp(app);
        // No direction chosen: every step re-applies 160/185 Hz.
        app.state.pendingLeftText = 160;
        app.state.pendingRightText = 185;
        app.state.scanDirection = 0;
        scanStep(app); // the first step decodes the mask
        for (auto _ : state) {
            scanStep(app);
            benchmark::DoNotOptimize(app.state.soundBuffers[SoundSlot::mask].get());
        }
        if (!app.state.soundBuffers[SoundSlot::mask] || app.state.loopNumber != 20)
            state.SkipWithError("the step did not make its 25 passes over the mask");
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ScanStepAt25HzBeat)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace aurelith
