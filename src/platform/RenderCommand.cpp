// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RenderCommand.h"

#include "app/DataFolder.h"
#include "core/ToneLimits.h"
#include "core/Version.h"
#include "shell/Render.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
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

void describeOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        "Binaural beats with a colour strobe. With --render, writes what the window would play to a sound file "
        "(WAV, FLAC or Ogg Vorbis, by the file's extension) instead of opening the window.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {"render", "Write the sound to <file> (.wav, .flac or .ogg).", "file"},
        {"left", "Left tone in Hz (" + kToneRange + ").", "hz", "160"},
        {"right", "Right tone in Hz (" + kToneRange + ").", "hz", "170"},
        {"wave", "Waveform: sine, square, triangle or sawtooth.", "shape", "sine"},
        {"mask", "Masking sound: 1 to 8 (your masks; 1 is pink noise when you have none) or a sound file.", "n|file"},
        {"minutes", "Length in minutes.", "m", "10"},
        {"scan-time", "Scan: milliseconds per frequency (the beat moves 1 Hz a step).", "ms"},
        {"scan", "Scan direction: up or down.", "dir"},
        {"limit", "Scan: stop when the right tone reaches this frequency.", "hz"},
    });
}

bool isFrequency(const QString& text, double& hz) { return toNumber(text, hz) && isToneFrequency(hz); }

// The scan options, when any is given; an empty answer means they are fine.
QString readScan(const QCommandLineParser& parser, RenderRequest& request)
{
    if (!parser.isSet("scan") && !parser.isSet("scan-time") && !parser.isSet("limit"))
        return {};
    const QString dir = parser.value("scan").toLower();
    if (dir != "up" && dir != "down")
        return "--scan must be up or down";
    request.scanDirection = dir == "up" ? 1 : -1;
    if (!toNumber(parser.value("scan-time"), request.scanTimeMs) || request.scanTimeMs < 1 ||
        request.scanTimeMs > 3600000)
        return "--scan-time must be from 1 to 3600000 milliseconds";
    double hz = 0;
    if (parser.isSet("limit")) {
        if (!isFrequency(parser.value("limit"), hz))
            return "--limit must be a frequency from " + kToneRange + " Hz";
        request.scanLimit = hz;
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
    if (renderFormatFor(request.output) == 0)
        return "the output name must end in .wav, .flac or .ogg";
    double hz = 0;
    for (const char* side : {"left", "right"}) {
        const QString text = parser.value(side);
        if (!isFrequency(text, hz))
            return QString("--%1 must be a frequency from %2 Hz").arg(side, kToneRange);
        (std::strcmp(side, "left") == 0 ? request.left : request.right) = text.toStdString();
    }
    const QString wave = parser.value("wave").toLower();
    const QStringList shapes = {"sine", "square", "sawtooth", "triangle"};
    if (!shapes.contains(wave))
        return "--wave must be sine, square, triangle or sawtooth";
    request.waveform = static_cast<int>(shapes.indexOf(wave)) + 1;
    request.mask = parser.value("mask").toStdString();
    if (!toNumber(parser.value("minutes"), request.minutes) || !(request.minutes > 0) || request.minutes > 1440)
        return "--minutes must be more than 0 and at most 1440";
    return readScan(parser, request);
}

int render(const RenderRequest& request)
{
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    RenderProgress progress;
    if (terminal)
        progress.report = [](double share) {
            std::fprintf(stderr, "\rRendering: %3d%%", static_cast<int>(share * 100));
            if (share >= 1)
                std::fputc('\n', stderr);
            std::fflush(stderr);
        };
    const std::string problem = renderToFile(request, defaultDataFolder(), progress);
    if (problem.empty())
        return 0;
    if (terminal)
        std::fputc('\n', stderr);
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
    RenderRequest request;
    if (const QString problem = readRequest(parser, request); !problem.isEmpty())
        return fail(problem);
    try {
        return render(request);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "aurelith: %s\n", error.what());
        return 1;
    }
}

} // namespace aurelith
