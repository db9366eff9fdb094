// Times the real window's strobe from outside: the program flashes at a 5 Hz beat
// on a real X server while a forked sampler reads one pixel of the flash surface
// from the server about every millisecond. Prints what it saw; fails when the
// median phase is not 100 ms +- 3 or the flashes in 10 s are not 50 +- 1.
#include "photic/FlashWarning.h"
#include "app/App.h"
#include "platform/ClockedWindow.h"
#include "platform/QtDialogs.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "ui/ControlNames.h"

#include <QApplication>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace aurelith;

namespace {

constexpr double kSampleSeconds = 10.0;
constexpr double kExpectedPhaseMs = 100.0;

double monotonicMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

struct Change {
    double at;
    bool bright;
};

// Runs in the child: samples until 10 s after the first bright phase, then judges.
int sample(int fromWindow)
{
    int point[2] = {0, 0};
    if (read(fromWindow, point, sizeof point) != sizeof point)
        return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    const Window root = DefaultRootWindow(display);
    std::vector<Change> changes; // from the first change to the bright colour on
    int last = -1;
    const double begin = monotonicMs();
    long samples = 0;
    for (;;) {
        const double now = monotonicMs();
        if (changes.empty() ? now - begin > 5000 : now - changes.front().at > kSampleSeconds * 1000 + 50)
            break;
        XImage* image = XGetImage(display, root, point[0], point[1], 1, 1, AllPlanes, ZPixmap);
        if (!image)
            break;
        const unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        ++samples;
        const int sum = static_cast<int>((pixel >> 16 & 0xFF) + (pixel >> 8 & 0xFF) + (pixel & 0xFF));
        const int bright = sum > 3 * 128 ? 1 : 0;
        if (last != -1 && bright != last && (bright || !changes.empty()))
            changes.push_back({now, bright == 1});
        last = bright;
        const timespec pause{0, 700000};
        nanosleep(&pause, nullptr);
    }
    XCloseDisplay(display);

    std::vector<double> phases;
    int flashes = 0;
    for (size_t i = 0; i < changes.size(); ++i) {
        if (changes[i].at - changes.front().at >= kSampleSeconds * 1000)
            break;
        flashes += changes[i].bright ? 1 : 0;
        if (i + 1 < changes.size())
            phases.push_back(changes[i + 1].at - changes[i].at);
    }
    if (phases.empty()) {
        std::printf("no flashing seen (%ld samples)\n", samples);
        return 1;
    }
    std::vector<double> sorted = phases;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double elapsed = monotonicMs() - begin;
    std::printf("samples: %ld (one every %.2f ms)\n", samples, elapsed / static_cast<double>(samples));
    std::printf("phases: %zu, median %.2f ms, shortest %.2f ms, longest %.2f ms\n", phases.size(), median,
                sorted.front(), sorted.back());
    std::printf("flashes in %.0f s: %d (expected 50)\n", kSampleSeconds, flashes);
    const bool ok = std::abs(median - kExpectedPhaseMs) <= 3 && std::abs(flashes - 50) <= 1;
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    int channel[2];
    if (pipe(channel) != 0)
        return 2;
    // Forked before Qt starts any thread.
    const pid_t sampler = fork();
    if (sampler == 0) {
        close(channel[1]);
        const int verdict = sample(channel[0]);
        std::fflush(stdout);
        _exit(verdict);
    }
    close(channel[0]);

    QApplication qapp(argc, argv);
    char pattern[] = "/tmp/aurelith-flash-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    Form form;
    MixerSoundSystem sound; // offline: this test looks, it does not listen
    QtDialogs dialogs;
    App app(form, sound, dialogs, folder);
    app.files.write(kFlashAnswer, {Value(1)}); // the warning answered before
    bindHandlers(app);
    ClockedWindow clocked(form);
    MainWindow& window = clocked.window();
    window.move(0, 0);
    window.show();
    if (!startUp(app))
        return 2;
    form.setText(ctl::txtSetFreq1, "160");
    form.setText(ctl::txtsetfreq2, "165");

    QTimer::singleShot(500, [&] {
        QWidget* surface = window.widget(std::string(ctl::Text4));
        const QPoint centre = surface->mapToGlobal(surface->rect().center());
        const int point[2] = {centre.x(), centre.y()};
        if (write(channel[1], point, sizeof point) != sizeof point)
            qapp.exit(2);
        QTimer::singleShot(200, [&] { form.click(ctl::Command22); });
    });
    QTimer::singleShot(static_cast<int>(kSampleSeconds * 1000) + 2000, [&] { qapp.quit(); });
    qapp.exec();
    int status = 0;
    waitpid(sampler, &status, 0);
    std::filesystem::remove_all(folder);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}
