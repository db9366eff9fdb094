// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RenderCommand.h"

#include "app/DataFolder.h"
#include "core/ToneLimits.h"
#include "core/Version.h"
#include "sequence/SequenceCheck.h"
#include "sequence/SequenceFiles.h"
#include "shell/Render.h"
#include "shell/Startup.h"
#include "sound/SoundFileWriter.h"
#include "tone/LevelControls.h"
#include "ui/ControlNames.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <clocale>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <iterator>
#include <exception>
#include <optional>
#include <utility>
#include <string_view>

#include <unistd.h>

namespace aurelith {
namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "aurelith: %s\nTry 'aurelith --help'.\n", message.toLocal8Bit().constData());
    return 2;
}

bool toNumber(const QString& text, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok); // QString::toDouble ignores the locale: "." always
    return ok;
}

} // namespace

namespace {

// The options QApplication and its X11 and Wayland plugins take for the
// window, with one dash or two; `value` when the next argument belongs to it.
struct WindowOption {
    const char* name;
    bool value;
};
constexpr WindowOption kWindowOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"session", true},
    {"display", true},
    {"geometry", true},
    {"title", true},
    {"icon", true},
    {"name", true},
    {"visual", true},
    {"style", true},
    {"stylesheet", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
    {"testability", false},
    {"flash-log", true}, // the window's own: main.cpp reads it
};
// These also come as -name=value.
constexpr const char* kJoinedWindowOptions[] = {"style", "stylesheet", "qmljsdebugger"};

// How many arguments from argv[i] on are one of Qt's window options: 0 for none.
int windowOptionLength(int argc, char* argv[], int i)
{
    std::string_view a = argv[i];
    if (a.size() < 2 || a[0] != '-')
        return 0;
    a.remove_prefix(a.substr(0, 2) == "--" ? 2 : 1);
    for (const WindowOption& option : kWindowOptions)
        if (a == option.name)
            return option.value ? (i + 1 < argc ? 2 : 0) : 1;
    for (std::string_view option : kJoinedWindowOptions)
        if (a.size() > option.size() && a.substr(0, option.size()) == option && a[option.size()] == '=')
            return 1;
    return 0;
}

} // namespace

bool wantsRenderCommand(int argc, char* argv[])
{
    for (int i = 1; i < argc;) {
        const int n = windowOptionLength(argc, argv, i);
        if (n == 0)
            return true;
        i += n;
    }
    return false;
}

namespace {

// The arguments without Qt's window options, which mean nothing here.
QStringList commandArguments(int argc, char* argv[])
{
    QStringList arguments{QString::fromLocal8Bit(argv[0])};
    for (int i = 1; i < argc;) {
        const int n = windowOptionLength(argc, argv, i);
        if (n == 0)
            arguments << QString::fromLocal8Bit(argv[i++]);
        i += n;
    }
    return arguments;
}

QString windowOptionsHelp()
{
    QString text = "\nWithout --render the window opens; it takes only Qt's own options:\n";
    for (const WindowOption& option : kWindowOptions)
        text += QString("  -%1%2\n").arg(option.name, option.value ? " <value>" : "");
    for (const char* option : kJoinedWindowOptions)
        text += QString("  -%1=<value>\n").arg(option);
    return text;
}

const QString kToneRange = QString("%1 to %2").arg(kLowestTone).arg(kHighestTone);
constexpr int kLongestScanStepMs = 3600000;
constexpr double kLongestMinutes = 24 * 60;

void describeOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        "Binaural beats with a colour strobe. With --render, writes what the window would play to a sound file "
        "(WAV, FLAC or Ogg Vorbis, by the file's extension) instead of opening the window.\n"
        "The left tone plays in the left ear only and the right tone in the right ear only, unless --tone-mod "
        "says otherwise. The volumes not given are the levels last saved by the window in the data folder "
        "($XDG_DATA_HOME/aurelith), or the first run's (tone " +
        QString::number(shownLevel(ctl::scrToneVol, firstRunPosition(ctl::scrToneVol))) + ", mask " +
        QString::number(shownLevel(ctl::scrMaskVol, firstRunPosition(ctl::scrMaskVol))) + ").");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {"render", "Write the sound to <file> (.wav, .flac or .ogg).", "file"},
        {"left", "Left ear's tone in Hz, " + kToneRange + " (default 160).", "hz", "160"},
        {"right", "Right ear's tone in Hz, " + kToneRange + " (default 170).", "hz", "170"},
        {"tone-mod",
         "Each tone in the other ear this many hundredths of a dB down, 0 to 5000 as the window's \"Tone Mod\": "
         "0 plays both tones in both ears (default: the ears fully apart).",
         "n"},
        {"tone-vol", "Tone volume, 0 to 5000 as the window's \"Tone Vol\" (default: the saved level).", "n"},
        {"wave", "Waveform: sine, square, triangle or sawtooth (default sine).", "shape", "sine"},
        {"mask",
         "Masking sound: 1 to 8 (your masks; 1 is pink noise when you have none) or a sound file (default: none).",
         "n|file"},
        {"mask-vol", "Mask volume, 0 to 5000 as the window's \"Mask Vol\" (default: the saved level).", "n"},
        {"minutes",
         QString("Length in minutes, more than 0 and at most %1 (default 10; with --limit, until the scan ends).")
             .arg(kLongestMinutes),
         "m"},
        {"scan-time",
         QString("Scan: milliseconds per step, more than 200 and at most %1 (the right tone moves 1 Hz "
                 "a step).")
             .arg(kLongestScanStepMs),
         "ms"},
        {"scan", "Scan direction: up or down.", "dir"},
        {"light-track",
         "Also write the strobe's light as CSV rows: start in ms from the start of the file, colour #rrggbb, "
         "stim or back; each stimulation phase starts where the tones are in phase.",
         "file.csv"},
        {"limit", "Scan: stop when the right tone reaches this frequency, a whole number of steps away.", "hz"},
        {"sequence",
         "Render this sequence file (.sbg or .gnaural) whole instead of two tones, at the tone and mask "
         "volumes; its errors are printed as FILE:LINE: message (status 2).",
         "file"},
        {"check-sequence",
         "Read a sequence file (.sbg or .gnaural) and print its length and voices, or each error "
         "as FILE:LINE: message (status 2).",
         "file"},
    });
}

constexpr std::pair<const char*, Waveform> kWaves[] = {{"sine", Waveform::sine},
                                                       {"square", Waveform::square},
                                                       {"sawtooth", Waveform::sawtooth},
                                                       {"triangle", Waveform::triangle}};

bool isFrequency(const QString& text, double& hz) { return toNumber(text, hz) && isToneFrequency(hz); }

// A level on one of the window's bar scales, 0 ... 5000, when the option is given.
QString readLevel(const QCommandLineParser& parser, const char* name, std::optional<int>& level)
{
    if (!parser.isSet(name))
        return {};
    double value = 0;
    if (!toNumber(parser.value(name), value) || value != std::floor(value) || value < 0 || value > 5000)
        return QString("--%1 must be a whole number from 0 to 5000").arg(name);
    level = static_cast<int>(value);
    return {};
}

// The scan options, when any is given; an empty answer means they are fine.
QString readScan(const QCommandLineParser& parser, RenderRequest& request)
{
    if (!parser.isSet("scan") && !parser.isSet("scan-time") && !parser.isSet("limit"))
        return {};
    const QString dir = parser.value("scan").toLower();
    if (dir != "up" && dir != "down")
        return "--scan must be up or down";
    request.scanDirection = dir == "up" ? 1 : -1;
    // The window's scanner takes nothing of 200 ms or less.
    if (!toNumber(parser.value("scan-time"), request.scanTimeMs) || !(request.scanTimeMs > 200) ||
        request.scanTimeMs > kLongestScanStepMs)
        return QString("--scan-time must be more than 200 and at most %1 milliseconds").arg(kLongestScanStepMs);
    double hz = 0;
    if (parser.isSet("limit")) {
        if (!isFrequency(parser.value("limit"), hz))
            return "--limit must be a frequency from " + kToneRange + " Hz";
        request.scanLimit = hz;
        if (!scanStepsToLimit(request))
            return QString("--limit must be %1 the right tone (%2 Hz) by a whole number of 1 Hz steps, or the scan "
                           "never reaches it")
                .arg(request.scanDirection > 0 ? "above" : "below", QString::fromStdString(request.right));
    }
    return {};
}

// Fills the request from the parsed options; an empty answer means they are fine.
QString readRequest(const QCommandLineParser& parser, RenderRequest& request)
{
    if (!parser.positionalArguments().isEmpty())
        return "unexpected argument " + parser.positionalArguments().first();
    if (!parser.isSet("render")) {
        for (const QString& name : parser.optionNames())
            return QString("%1%2 is an option of --render <file>, which is missing")
                .arg(name.size() > 1 ? "--" : "-", name);
        return "--render <file> is needed";
    }
    request.output = parser.value("render").toStdString();
    if (soundFileFormatFor(request.output) == 0)
        return "the output name must end in .wav, .flac or .ogg";
    if (parser.isSet("sequence"))
        // The sequence says what plays and for how long.
        for (const char* name : {"left", "right", "wave", "mask", "tone-mod", "minutes", "scan", "scan-time", "limit"})
            if (parser.isSet(name))
                return QString("--%1 cannot be used with --sequence, which sets the sound and its length").arg(name);
    double hz = 0;
    for (const char* side : {"left", "right"}) {
        const QString text = parser.value(side);
        if (!isFrequency(text, hz))
            return QString("--%1 must be a frequency from %2 Hz").arg(side, kToneRange);
        (std::strcmp(side, "left") == 0 ? request.left : request.right) = text.toStdString();
    }
    const QString wave = parser.value("wave").toLower();
    const auto shape = std::find_if(std::begin(kWaves), std::end(kWaves),
                                    [&wave](const auto& w) { return wave == w.first; });
    if (shape == std::end(kWaves))
        return "--wave must be sine, square, triangle or sawtooth";
    request.waveform = shape->second;
    request.mask = parser.value("mask").toStdString();
    request.lightTrack = parser.value("light-track").toStdString();
    // A number names one of the masks; anything else is a file.
    const bool number = !request.mask.empty() && std::all_of(request.mask.begin(), request.mask.end(),
                                                             [](char c) { return c >= '0' && c <= '9'; });
    if (number && (request.mask.size() != 1 || request.mask[0] < '1' || request.mask[0] > '8'))
        return "--mask must be a mask number from 1 to 8, or a sound file";
    for (const auto& [name, level] :
         {std::pair{"tone-vol", &request.toneVolume}, std::pair{"mask-vol", &request.maskVolume},
          std::pair{"tone-mod", &request.toneMod}})
        if (QString problem = readLevel(parser, name, *level); !problem.isEmpty())
            return problem;
    if (QString problem = readScan(parser, request); !problem.isEmpty())
        return problem;
    const auto scanEnd = scanEndMs(request);
    if (!parser.isSet("minutes")) {
        request.minutes = scanEnd ? std::min(*scanEnd / 60000, kLongestMinutes) : 10;
        return {};
    }
    if (!toNumber(parser.value("minutes"), request.minutes) || !(request.minutes > 0) ||
        request.minutes > kLongestMinutes)
        return QString("--minutes must be more than 0 and at most %1 (24 hours)").arg(kLongestMinutes);
    if (scanEnd && request.minutes * 60000 > *scanEnd + 0.5)
        return QString("the scan reaches --limit and the sound stops after %1 minutes: ask for --minutes %1 or "
                       "less, or leave --minutes out")
            .arg(*scanEnd / 60000);
    return {};
}

// What stopped the render, if a signal did.
volatile std::sig_atomic_t stopSignal = 0;

void noteSignal(int signal) { stopSignal = signal; }

// SIGINT, SIGTERM and SIGHUP end the render through its own clean-up: the
// unnamed output and the working folder go with it.
void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

int render(const RenderRequest& request)
{
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    RenderProgress progress;
    progress.stop = &stopSignal;
    catchStopSignals();
    if (terminal)
        progress.report = [](double share) {
            std::fprintf(stderr, "\rRendering: %3d%%", static_cast<int>(share * 100));
            if (share >= 1)
                std::fputc('\n', stderr);
            std::fflush(stderr);
        };
    progress.notice = [terminal](const std::string& text) {
        std::fprintf(stderr, "%saurelith: %s\n", terminal ? "\r" : "", text.c_str());
    };
    const std::string problem = renderToFile(request, defaultDataFolder(), progress);
    if (terminal && !problem.empty())
        std::fputc('\n', stderr);
    if (problem.empty())
        return 0; // a signal that came once the file was whole changes nothing
    if (stopSignal != 0) {
        std::fprintf(stderr, "aurelith: stopped by signal %d; no file written\n", static_cast<int>(stopSignal));
        return 128 + stopSignal; // as a shell reports it: Ctrl+C is 130
    }
    std::fprintf(stderr, "aurelith: %s\n", problem.c_str());
    return 2;
}

} // namespace

int runRenderCommand(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("aurelith");
    QCoreApplication::setApplicationVersion(AURELITH_VERSION);
    std::setlocale(LC_NUMERIC, "C");

    QCommandLineParser parser;
    describeOptions(parser);
    if (!parser.parse(commandArguments(argc, argv)))
        return fail(parser.errorText());
    if (parser.isSet("help") || parser.isSet("help-all")) {
        const QString help = parser.helpText() + (parser.isSet("help-all") ? windowOptionsHelp() : QString());
        std::fputs(help.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet("version")) {
        std::printf("aurelith %s\n", AURELITH_VERSION);
        return 0;
    }
    if (parser.isSet("check-sequence")) {
        const auto report = sequence::checkSequence(parser.value("check-sequence").toLocal8Bit().toStdString());
        std::fputs(report.text.c_str(), report.exitCode == 0 ? stdout : stderr);
        return report.exitCode;
    }
    RenderRequest request;
    if (const QString problem = readRequest(parser, request); !problem.isEmpty())
        return fail(problem);
    if (parser.isSet("sequence")) {
        auto read = sequence::readSequenceFile(parser.value("sequence").toLocal8Bit().toStdString());
        for (const sequence::Problem& problem : read.problems)
            std::fprintf(stderr, "%s\n", sequence::describe(problem).c_str());
        if (!read.sequence)
            return 2;
        request.sequence = std::move(read.sequence);
    }
    try {
        return render(request);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "aurelith: %s\n", error.what());
        return 1;
    }
}

} // namespace aurelith
