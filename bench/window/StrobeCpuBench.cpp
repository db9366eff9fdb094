// The real window flashing at a 20 Hz beat for 10 s: how much of one core the
// program uses meanwhile (user + system time of the whole process over wall time).
// Run it on an X server: xvfb-run -a build/bench/aurelith_window_bench
#include "photic/FlashWarning.h"
#include "app/App.h"
#include "platform/ClockedWindow.h"
#include "platform/QtDialogs.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "ui/ControlNames.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

using namespace aurelith;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_RealWindowStrobe20Hz(benchmark::State& state)
{
    char pattern[] = "/tmp/aurelith-bench-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    Form form;
    MixerSoundSystem sound;
    QtDialogs dialogs;
    App app(form, sound, dialogs, folder);
    app.files.write(dataFile::kFlashAnswer, {Value(1)}); // the warning answered before
    bindHandlers(app);
    ClockedWindow clocked(form);
    MainWindow& window = clocked.window();
    window.show();
    if (!startUp(app)) {
        state.SkipWithError("start-up failed");
        return;
    }
    form.setText(ctl::txtSetFreq1, "160");
    form.setText(ctl::txtsetfreq2, "180");
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();

    long paints = 0;
    form.addObserver([&paints](const Control& c, Property p) {
        if (c.name == ctl::Text4 && p == Property::BackColour)
            ++paints;
    });
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double cpuStart = cpuSeconds();
        QElapsedTimer elapsed;
        elapsed.start();
        form.click(ctl::Command22);
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(state.range(0)), &loop, &QEventLoop::quit);
        loop.exec();
        form.click(ctl::Command23);
        cpu = cpuSeconds() - cpuStart;
        wall = elapsed.nsecsElapsed() / 1e9;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_percent_of_one_core"] = 100 * cpu / wall;
    state.counters["paints_per_second"] = paints / wall;
    window.close();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RealWindowStrobe20Hz)->Arg(10000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char* argv[])
{
    QApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
