// SPDX-License-Identifier: GPL-3.0-or-later
// One scanner step with the strobe off, re-applying the same pair each time,
// over the selected 10-minute mask (decoded once, then from the cache): at a
// 25 Hz beat (160/185 Hz) and at the widest beat the range allows (10/15600 Hz).
#include "BenchSupport.h"
#include "app/App.h"
#include "scan/ScanWrites.h"
#include "scan/Scanner.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"

#include <benchmark/benchmark.h>

namespace aurelith {
namespace {

void scanStepAtPair(benchmark::State& state, double left, double right)
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
        // No direction chosen: every step re-applies the same pair.
        ScanState& scan = ScanWrites::scan(app);
        scan.pendingLeftText = left;
        scan.pendingRightText = right;
        scan.scanDirection = ScanDirection::none;
        scanStep(app); // the first step decodes the mask and builds the tone tables
        for (auto _ : state) {
            scanStep(app);
            benchmark::DoNotOptimize(app.state.tone.soundBuffers[SoundSlot::mask].get());
        }
        if (!app.state.tone.soundBuffers[SoundSlot::mask] || app.state.scan.loopNumber != 20 ||
            app.state.shared.scanLoopCounter != right - left + 1)
            state.SkipWithError("the step did not make its passes over the mask");
    }
    std::filesystem::remove_all(folder);
}

void BM_ScanStepAt25HzBeat(benchmark::State& state) { scanStepAtPair(state, 160, 185); }
BENCHMARK(BM_ScanStepAt25HzBeat)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_ScanStepAt15590HzBeat(benchmark::State& state) { scanStepAtPair(state, 10, 15600); }
BENCHMARK(BM_ScanStepAt15590HzBeat)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace aurelith
