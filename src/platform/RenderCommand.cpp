#include "platform/RenderCommand.h"

#include "app/DataFolder.h"
#include "shell/Render.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <clocale>
#include <cstdio>
#include <cstring>
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

bool wantsRenderCommand(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--render") || !std::strncmp(a, "--render=", 9) || !std::strcmp(a, "--help") ||
            !std::strcmp(a, "-h") || !std::strcmp(a, "--version") || !std::strcmp(a, "-v"))
            return true;
    }
    return false;
}

namespace {

void describeOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        "Binaural beats with a colour strobe. With --render, writes what the window would play to a sound file "
        "(WAV, FLAC or Ogg Vorbis, by the file's extension) instead of opening the window.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {"render", "Write the sound to <file> (.wav, .flac or .ogg).", "file"},
        {"left", "Left tone in Hz (10 to 15600).", "hz", "160"},
        {"right", "Right tone in Hz (10 to 15600).", "hz", "170"},
        {"wave", "Waveform: sine, square, triangle or sawtooth.", "shape", "sine"},
        {"mask", "Masking sound: 1 to 8 (your masks; 1 is pink noise when you have none) or a sound file.", "n|file"},
        {"minutes", "Length in minutes.", "m", "10"},
        {"scan-time", "Scan: milliseconds per frequency (the beat moves 1 Hz a step).", "ms"},
        {"scan", "Scan direction: up or down.", "dir"},
        {"limit", "Scan: stop when the right tone reaches this frequency.", "hz"},
    });
}

bool isFrequency(const QString& text, double& hz) { return toNumber(text, hz) && hz >= 10 && hz <= 15600; }

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
            return "--limit must be a frequency from 10 to 15600 Hz";
        request.scanLimit = hz;
    }
    return {};
}

// Fills the request from the parsed options; an empty answer means they are fine.
QString readRequest(const QCommandLineParser& parser, RenderRequest& request)
{
    if (!parser.isSet("render"))
        return "--render <file> is needed";
    if (!parser.positionalArguments().isEmpty())
        return "unexpected argument " + parser.positionalArguments().first();
    request.output = parser.value("render").toStdString();
    if (renderFormatFor(request.output) == 0)
        return "the output name must end in .wav, .flac or .ogg";
    double hz = 0;
    for (const char* side : {"left", "right"}) {
        const QString text = parser.value(side);
        if (!isFrequency(text, hz))
            return QString("--%1 must be a frequency from 10 to 15600 Hz").arg(side);
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
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet("help")) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet("version")) {
        std::printf("aurelith %s\n", AURELITH_VERSION);
        return 0;
    }
    RenderRequest request;
    if (const QString problem = readRequest(parser, request); !problem.isEmpty())
        return fail(problem);
    return render(request);
}

} // namespace aurelith
