// SPDX-License-Identifier: GPL-3.0-or-later
// The real window and the real sound output, watched from outside on one
// clock. Before Qt starts, two children are forked: one samples a pixel of the
// flash surface from the X server about every millisecond, one records the
// null sink's monitor and stamps each chunk with the monotonic time its first
// frame was played. The program then plays "M Alpha" with the tones fully
// separated, presses "ColorOn" three times at different points of the beat
// and, with "count", flashes for 10 s at a 6 Hz beat. Everything seen goes to
// OUTDIR for light_on_beat.py to judge.
//
// The flash surface logs each phase to OUTDIR/flash.csv (presented times
// where the X server has the Present extension). The sampler also notes
// every value the pixel takes ("pixel" lines), for the gentle light.
//
// usage: aurelith_beatcheck OUTDIR [paint|gentle|wayland|slide] [count [BEAT_HZ]]
// (paint: the window paints the light even where Present is offered, as on
// a server without it; gentle: with "Gentle Light" on; wayland: no pixel
// sampler and no presses, the count lasts 20 s, for a Wayland compositor;
// the count's beat is 6 Hz unless told; slide: painted, no presses, a
// sequence sliding from a 10 Hz to a 6 Hz beat over 60 s played through the
// window's session with the strobe on for 65 s, and the program's CPU time
// over that time noted)
#include "app/App.h"
#include "platform/ClockedWindow.h"
#include "platform/ColourBox.h"
#include "platform/FlashSurface.h"
#include "platform/DefaultAudioOutput.h"
#include "platform/OutputWatch.h"
#include "platform/QtDialogs.h"
#include "shell/Bindings.h"
#include "sequence/SequenceFiles.h"
#include "sequence/SequenceSession.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "sound/OutputClock.h"
#include "ui/ControlNames.h"

#include <QApplication>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <pulse/pulseaudio.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <poll.h>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace aurelith;

namespace {

constexpr int kRate = 44100;
constexpr int kPresses = 3;
constexpr int kPressMs = 2300;  // 2 s of onsets after the first one
constexpr int kCountMs = 11000; // 10 s from the first onset, which waits for the beat
constexpr int kWaylandCountMs = 21000;
constexpr int kSlideMs = 65000;

// A binaural 200 Hz carrier whose beat slides from 10 Hz to 6 Hz over the
// first minute (the reader slides over the whole period before a line after
// "->"), then holds; the last line ends it well after the recording, so its
// fade-out is not heard. The reader's fade-in fills the first 30 s.
constexpr const char* kSlide = "-SE\n"
                               "b10: 200-10/60\n"
                               "b6:  200-6/60\n"
                               "NOW       == b10 ->\n"
                               "+00:01:00 == b6\n"
                               "+00:03:00    b6\n";

std::int64_t cpuNs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage); // the program's threads; the sampler and recorder are children
    const auto ns = [](const timeval& t) { return t.tv_sec * 1000000000LL + t.tv_usec * 1000LL; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

bool stopped(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0; // EOF once the parent closed its end
}

// Child: every change of the pixel, with the times of the samples before and at it.
int samplePixel(int pointFd, int stopFd, const std::filesystem::path& file)
{
    int point[2] = {0, 0};
    if (read(pointFd, point, sizeof point) != sizeof point)
        return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    const Window root = DefaultRootWindow(display);
    FILE* out = std::fopen(file.c_str(), "w");
    int last = -1;
    long lastPixel = -1;
    std::int64_t previous = monotonicNs();
    long samples = 0;
    while (!stopped(stopFd)) {
        // A reply shows the pixel as it was at some moment between its request
        // and its arrival: a change lies after the previous request was sent.
        const std::int64_t sent = monotonicNs();
        XImage* image = XGetImage(display, root, point[0], point[1], 1, 1, AllPlanes, ZPixmap);
        const std::int64_t now = monotonicNs();
        if (!image)
            break;
        const unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        ++samples;
        const int sum = static_cast<int>((pixel >> 16 & 0xFF) + (pixel >> 8 & 0xFF) + (pixel & 0xFF));
        if (static_cast<long>(pixel) != lastPixel)
            std::fprintf(out, "pixel %lld %lld %lu\n", static_cast<long long>(previous), static_cast<long long>(now),
                         pixel);
        lastPixel = static_cast<long>(pixel);
        const int bright = sum > 3 * 128 ? 1 : 0;
        if (bright != last)
            std::fprintf(out, "change %lld %lld %d\n", static_cast<long long>(previous), static_cast<long long>(now),
                         bright);
        last = bright;
        previous = sent;
        const timespec pause{0, 700000};
        nanosleep(&pause, nullptr);
    }
    std::fprintf(out, "samples %ld\n", samples);
    std::fclose(out);
    XCloseDisplay(display);
    return 0;
}

// The recorder's state, touched only on its main loop's thread.
struct Recorder {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* record = nullptr;
    pa_stream* probe = nullptr; // plays the known onset that checks the stamps
    FILE* samples = nullptr;
    FILE* log = nullptr;
    std::int64_t frames = 0;
    std::int64_t probeOnsetFrame = 0;
};

// Each chunk's first frame was captured (played by the null sink) the
// stream's latency before now; a monitor's latency may be negative.
void onRead(pa_stream* stream, std::size_t, void* userdata)
{
    auto* r = static_cast<Recorder*>(userdata);
    const void* data = nullptr;
    std::size_t bytes = 0;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0 && bytes > 0) {
        pa_usec_t latency = 0;
        int negative = 0;
        const std::int64_t now = monotonicNs();
        if (pa_stream_get_latency(stream, &latency, &negative) == 0) {
            const std::int64_t signedNs = (negative ? -1 : 1) * static_cast<std::int64_t>(latency) * 1000;
            std::fprintf(r->log, "chunk %lld %lld\n", static_cast<long long>(r->frames),
                         static_cast<long long>(now - signedNs));
        }
        if (data)
            std::fwrite(data, 1, bytes, r->samples);
        else
            for (std::size_t i = 0; i < bytes; ++i)
                std::fputc(0, r->samples);
        r->frames += static_cast<std::int64_t>(bytes / 4);
        pa_stream_drop(stream);
    }
}

void onContext(pa_context*, void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); }
void onStream(pa_stream*, void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); }

// The probe: 300 ms of silence, then 1.2 s of a 1 kHz tone whose first frame is heard,
// by the playback stream's own clock, at a time noted here for the analysis.
void playProbe(Recorder& r)
{
    const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 2};
    r.probe = pa_stream_new(r.context, "onset probe", &format, nullptr);
    pa_stream_set_state_callback(r.probe, onStream, r.loop);
    pa_stream_connect_playback(
        r.probe, "out", nullptr,
        static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE), nullptr, nullptr);
    while (pa_stream_get_state(r.probe) == PA_STREAM_CREATING)
        pa_threaded_mainloop_wait(r.loop);
    r.probeOnsetFrame = kRate * 3 / 10;
    std::vector<std::int16_t> pcm(2 * static_cast<std::size_t>(kRate) * 3 / 2, 0);
    for (std::size_t i = static_cast<std::size_t>(r.probeOnsetFrame); i < pcm.size() / 2; ++i)
        pcm[2 * i] = pcm[2 * i + 1] = static_cast<std::int16_t>(
            8000 * std::sin(2 * M_PI * 1000.0 * static_cast<double>(i) / kRate));
    pa_stream_write(r.probe, pcm.data(), pcm.size() * 2, nullptr, 0, PA_SEEK_RELATIVE);
}

int recordMonitor(int readyFd, int stopFd, const std::filesystem::path& folder)
{
    unsetenv("PULSE_LATENCY_MSEC"); // for the program under test, not its witness
    Recorder r;
    r.samples = std::fopen((folder / "monitor.raw").c_str(), "wb");
    r.log = std::fopen((folder / "monitor.txt").c_str(), "w");
    r.loop = pa_threaded_mainloop_new();
    r.context = pa_context_new(pa_threaded_mainloop_get_api(r.loop), "aurelith-beatcheck");
    pa_context_set_state_callback(r.context, onContext, r.loop);
    pa_threaded_mainloop_lock(r.loop);
    pa_threaded_mainloop_start(r.loop);
    pa_context_connect(r.context, nullptr, PA_CONTEXT_NOFLAGS, nullptr);
    while (pa_context_get_state(r.context) != PA_CONTEXT_READY) {
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(r.context))) {
            pa_threaded_mainloop_unlock(r.loop);
            return 2;
        }
        pa_threaded_mainloop_wait(r.loop);
    }
    const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 2};
    r.record = pa_stream_new(r.context, "monitor", &format, nullptr);
    pa_stream_set_state_callback(r.record, onStream, r.loop);
    pa_stream_set_read_callback(r.record, onRead, &r);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = kRate / 100 * 4; // 10 ms chunks
    pa_stream_connect_record(r.record, "out.monitor", &attr,
                             static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING |
                                                            PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY));
    while (pa_stream_get_state(r.record) == PA_STREAM_CREATING)
        pa_threaded_mainloop_wait(r.loop);
    playProbe(r);
    pa_threaded_mainloop_unlock(r.loop);

    // Where the probe's onset is heard, on its stream's clock, while it plays;
    // the analysis takes the later readings, once the stream's timing settled.
    for (int i = 0; i < 40; ++i) {
        usleep(20000);
        pa_threaded_mainloop_lock(r.loop);
        pa_usec_t played = 0;
        const std::int64_t now = monotonicNs();
        if (pa_stream_get_time(r.probe, &played) == 0 && played > 0)
            std::fprintf(r.log, "probe %lld\n",
                         static_cast<long long>(now + r.probeOnsetFrame * 1000000000LL / kRate -
                                                static_cast<std::int64_t>(played) * 1000));
        pa_threaded_mainloop_unlock(r.loop);
    }
    const char ready = 1;
    if (write(readyFd, &ready, 1) != 1)
        return 2;
    while (!stopped(stopFd))
        usleep(20000);
    pa_threaded_mainloop_lock(r.loop);
    pa_stream_disconnect(r.record);
    pa_stream_disconnect(r.probe);
    pa_threaded_mainloop_unlock(r.loop);
    pa_threaded_mainloop_stop(r.loop);
    std::fclose(r.samples);
    std::fclose(r.log);
    return 0;
}

template <typename Body>
pid_t forkChild(Body body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int status = body();
        std::fflush(nullptr);
        _exit(status);
    }
    return pid;
}

// Settings as a user would have them: "M Alpha" at 135 and 145 Hz, "Tone Mod"
// at 5000 (each tone in one ear), the mask silent, a white flash on black.
void writeSettings(const std::filesystem::path& folder, bool gentle)
{
    if (gentle)
        std::ofstream(folder / "gentle") << "1\r\n";
    for (const auto& [name, text] : {std::pair{"fctl", "1"},
                                     {"vols", "-1000,5000,-5000,135"},
                                     {"stimc", "16777215"},
                                     {"backc", "0"},
                                     {"flashok", "1"}})
        std::ofstream(folder / name) << text << "\r\n";
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2)
        return 2;
    const std::filesystem::path out = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    const bool paint = !args.empty() && args.front() == "paint";
    const bool gentle = !args.empty() && args.front() == "gentle";
    const bool wayland = !args.empty() && args.front() == "wayland";
    const bool slide = !args.empty() && args.front() == "slide";
    if (paint || gentle || wayland || slide)
        args.erase(args.begin());
    const bool count = !args.empty() && args[0] == "count";
    const std::string countBeat = args.size() > 1 ? args[1] : "6";
    int point[2], stop[2], ready[2];
    if (pipe(point) != 0 || pipe(stop) != 0 || pipe(ready) != 0)
        return 2;
    // Forked before Qt starts any thread.
    // Each child closes the parent's ends, or it would never see the stop.
    const auto parentEnds = [&] {
        for (const int fd : {point[1], stop[1], ready[0]})
            close(fd);
    };
    // A compositor's pixels are not for a client to read: its presented times are judged alone.
    const pid_t sampler = forkChild([&] {
        parentEnds();
        return wayland ? 0 : samplePixel(point[0], stop[0], out / "pixels.txt");
    });
    const pid_t recorder = forkChild([&] {
        parentEnds();
        return recordMonitor(ready[1], stop[0], out);
    });
    close(point[0]);
    close(stop[0]);
    close(ready[1]);
    char byte = 0;
    if (read(ready[0], &byte, 1) != 1) {
        std::fprintf(stderr, "the recorder did not start\n");
        return 2;
    }

    QApplication qapp(argc, argv);
    char pattern[] = "/tmp/aurelith-beat-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    writeSettings(folder, gentle);
    Form form;
    DefaultAudioOutput output;
    MixerSoundSystem mixer(&output);
    OutputWatch sound(mixer);
    QtDialogs dialogs;
    App app(form, sound, dialogs, folder);
    bindHandlers(app);
    ClockedWindow clocked(form);
    MainWindow& window = clocked.window();
    clocked.serve(app); // the gentle light's painter, as the program has it
    window.move(0, 0);
    FlashSurface flashSurface(*qobject_cast<ColourBox*>(window.widget(ctl::txtFlashSurface)), out / "flash.csv",
                              !paint && !slide);
    app.frames = &flashSurface;
    sound.describeDisplay([&flashSurface] { return flashSurface.describe(); });
    window.show();
    if (!startUp(app))
        return 2;

    std::ofstream events(out / "events.txt");
    auto note = [&](const char* what) { events << what << ' ' << monotonicNs() << std::endl; };
    // A script of steps, each after its pause.
    std::vector<std::pair<int, std::function<void()>>> steps;
    steps.emplace_back(500, [&] {
        QWidget* surface = window.widget(ctl::txtFlashSurface);
        const QPoint centre = surface->mapToGlobal(surface->rect().center());
        const int at[2] = {centre.x(), centre.y()};
        if (!wayland && write(point[1], at, sizeof at) != sizeof at)
            qapp.exit(2);
        // Silence before the slide: its fade-in is read from its first frames.
        if (slide)
            return;
        form.click(ctl::cmdMAlpha);
        std::printf("tones %s Hz and %s Hz, beat %s Hz\n", form.text(ctl::txtSetFreq1).c_str(),
                    form.text(ctl::txtsetfreq2).c_str(), form.text(ctl::txtBeat).c_str());
    });
    std::int64_t slideCpu = 0, slideWall = 0;
    if (slide) {
        steps.emplace_back(500, [&] {
            std::ofstream(out / "slide.sbg") << kSlide;
            const sequence::ReadResult read = sequence::readSequenceFile(out / "slide.sbg");
            sequence::SequenceSession* session = sequence::sequenceSession(app);
            if (!read.sequence || !session || !session->play(*read.sequence, 0)) {
                std::fprintf(stderr, "the slide did not play\n");
                qapp.exit(2);
                return;
            }
            slideCpu = cpuNs();
            slideWall = monotonicNs();
            note("on");
            form.click(ctl::cmdColourOn); // "ColorOn"
        });
        steps.emplace_back(kSlideMs, [&] {
            form.click(ctl::cmdColourOff);
            note("off");
            const std::int64_t cpu = cpuNs() - slideCpu, wall = monotonicNs() - slideWall;
            events << "cpu " << cpu << ' ' << wall << std::endl;
            std::printf("program CPU while the slide played: %.2f %% of one core over %.1f s\n",
                        100.0 * static_cast<double>(cpu) / static_cast<double>(wall), static_cast<double>(wall) / 1e9);
        });
    }
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> fraction(0, 99); // of a 100 ms beat
    for (int press = 0; press < (wayland || slide ? 0 : kPresses); ++press) {
        steps.emplace_back(press == 0 ? 1000 : 300 + fraction(random), [&] {
            note("on");
            form.click(ctl::cmdColourOn);
        });
        steps.emplace_back(kPressMs, [&] {
            form.click(ctl::cmdColourOff);
            note("off");
        });
    }
    if (count) {
        steps.emplace_back(200, [&] {
            form.setText(ctl::txtSetFreq1, "160");
            form.setText(ctl::txtsetfreq2, formatNumber(160 + std::stod(countBeat)));
            form.click(ctl::cmdGenerate);
        });
        steps.emplace_back(800, [&] {
            note("count");
            form.click(ctl::cmdColourOn);
        });
        steps.emplace_back(wayland ? kWaylandCountMs : kCountMs, [&] {
            form.click(ctl::cmdColourOff);
            note("off");
        });
    }
    steps.emplace_back(300, [&] { qapp.quit(); });
    std::function<void(std::size_t)> run = [&](std::size_t i) {
        if (i == steps.size())
            return;
        QTimer::singleShot(steps[i].first, [&, i] {
            steps[i].second();
            run(i + 1);
        });
    };
    run(0);
    const int status = qapp.exec();
    close(stop[1]);
    int sampled = 0, recorded = 0;
    waitpid(sampler, &sampled, 0);
    waitpid(recorder, &recorded, 0);
    std::filesystem::remove_all(folder);
    if (!WIFEXITED(sampled) || WEXITSTATUS(sampled) != 0 || !WIFEXITED(recorded) || WEXITSTATUS(recorded) != 0) {
        std::fprintf(stderr, "the pixel sampler or the recorder failed\n");
        return 2;
    }
    return status;
}
