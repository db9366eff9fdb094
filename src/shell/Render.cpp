#include "shell/Render.h"

#include "app/App.h"
#include "app/DataFileNames.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "ui/ControlNames.h"
#include "ui/TimerScheduler.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace aurelith {
namespace {

namespace fs = std::filesystem;
using namespace ctl;

// No one to ask: every box is answered as if closed, and what would have been
// shown is kept to report.
class QuietDialogs : public Dialogs {
public:
    void message(const std::string& text, const std::string&) override
    {
        if (shown.empty())
            shown = text;
    }
    bool confirm(const std::string&, const std::string&) override { return false; }
    std::optional<std::string> input(const std::string&, const std::string&, const std::string&) override
    {
        return answer;
    }
    std::optional<Colour> pickColour(Colour) override { return std::nullopt; }
    std::string shown;
    std::optional<std::string> answer; // what an input box is answered with
};

// A private working folder: the program writes its tone files as it plays,
// and a render must not disturb the user's own folder or a running window.
class WorkFolder {
public:
    WorkFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "aurelith-render-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path = pattern;
    }
    ~WorkFolder()
    {
        std::error_code error;
        if (!path.empty())
            fs::remove_all(path, error);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    fs::path path;
};

bool isMaskNumber(const std::string& mask) { return mask.size() == 1 && mask[0] >= '1' && mask[0] <= '8'; }

// The settings (small files) come along; sound files only as asked for.
std::string prepare(const RenderRequest& request, const fs::path& from, const fs::path& to, int& maskSelection)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(from, error)) {
        const fs::path name = entry.path().filename();
        std::error_code ignored;
        if (entry.is_regular_file(ignored) && name.extension() != ".wav" && entry.file_size(ignored) < 4096)
            fs::copy_file(entry.path(), to / name, ignored);
    }
    if (request.mask.empty()) {
        // A slot with no file behind it plays no mask.
        maskSelection = 8;
        return {};
    }
    fs::path source;
    if (isMaskNumber(request.mask)) {
        maskSelection = request.mask[0] - '0';
        source = from / dataFile::maskSound(maskSelection);
        if (!fs::exists(source, error))
            return {}; // as in the window: a missing mask is skipped (mask 1 has its own noise)
    } else {
        maskSelection = 2;
        source = fs::absolute(request.mask, error);
        if (!fs::is_regular_file(source, error))
            return "cannot read the mask file " + request.mask;
    }
    fs::create_symlink(source, to / dataFile::maskSound(maskSelection), error);
    return error ? "cannot use the mask file " + source.string() + ": " + error.message() : std::string();
}

// As a user would: a custom scan time, a direction, a limit, then ScanOn.
void startScan(App& app, QuietDialogs& dialogs, const RenderRequest& request)
{
    Form& form = app.form;
    dialogs.answer = formatNumber(request.scanTimeMs);
    form.click(st7); // "&Custom"
    const bool up = request.scanDirection > 0;
    form.click(up ? Command71 : Command80);
    if (request.scanLimit) {
        form.click(up ? Command88 : Command89); // "Up Limit" / "Dw Limit"
        form.setText(up ? Text6 : Text7, formatNumber(*request.scanLimit));
        form.click(Command85); // "Enter"
    }
    form.click(Command73); // "ScanOn"
}

// The output, written under a temporary name beside it and renamed when whole;
// removed unless it was finished.
class PartFile {
public:
    explicit PartFile(fs::path output) : output_(std::move(output)) {}
    ~PartFile()
    {
        if (handle_)
            sf_close(handle_);
        std::error_code error;
        if (!part_.empty() && !kept_)
            fs::remove(part_, error);
    }

    std::string open(int format, int rate)
    {
        std::string partName = output_.string() + ".partXXXXXX";
        const int fd = ::mkstemp(partName.data());
        if (fd < 0)
            return failed(std::generic_category().message(errno));
        // mkstemp makes it private; the finished file gets the usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        part_ = partName;
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 2;
        info.format = format;
        handle_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
        if (!handle_)
            return failed(sf_strerror(nullptr));
        if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS) {
            double quality = 0.6;
            sf_command(handle_, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
        }
        return {};
    }

    std::string write(const float* frames, long long n)
    {
        return sf_writef_float(handle_, frames, n) == n ? std::string() : failed(sf_strerror(handle_));
    }

    std::string finish()
    {
        const bool closed = sf_close(handle_) == 0;
        handle_ = nullptr;
        if (!closed)
            return "cannot finish " + output_.string();
        std::error_code error;
        fs::rename(part_, output_, error);
        if (error)
            return failed(error.message());
        kept_ = true;
        return {};
    }

private:
    std::string failed(const std::string& why) const { return "cannot write " + output_.string() + ": " + why; }

    fs::path output_;
    fs::path part_;
    SNDFILE* handle_ = nullptr;
    bool kept_ = false;
};

// Starts the program on the working folder and sets it playing as asked; an
// error text when it would not start or a box was shown.
std::string startSession(App& app, QuietDialogs& dialogs, const RenderRequest& request, int maskSelection)
{
    if (!startUp(app))
        return dialogs.shown.empty() ? "the sound could not be started" : dialogs.shown;
    app.state.maskSelection = maskSelection;
    app.state.waveform = request.waveform;
    app.form.setText(txtSetFreq1, request.left);
    app.form.setText(txtsetfreq2, request.right);
    if (request.scanDirection == 0)
        app.form.click(cmdGenerate);
    else
        startScan(app, dialogs, request);
    return dialogs.shown;
}

// The end fades out as a Stop would: frame i of the chunk is `left` frames before the end.
void fadeTail(float* buffer, long long n, long long framesLeft, long fadeFrames)
{
    for (long long i = 0; i < n; ++i) {
        const long long left = framesLeft - i;
        if (left <= fadeFrames) {
            const auto g = static_cast<float>(left - 1) / static_cast<float>(fadeFrames);
            buffer[2 * i] *= g;
            buffer[2 * i + 1] *= g;
        }
    }
}

// Renders `total` frames into the file; `done` is the clock the timers run on.
std::string renderFrames(MixerSoundSystem& sound, TimerScheduler& scheduler, PartFile& file, long long& done,
                         long long total, const RenderProgress& progress)
{
    const int rate = sound.deviceRate();
    const long fadeFrames = std::lround(Mixer::kFadeSeconds * rate);
    constexpr int kChunk = 8192;
    std::vector<float> buffer(2 * kChunk);
    // The output's fixed delay: what comes out first is silence before the sound.
    for (long skip = sound.latencyFrames(); skip > 0; skip -= kChunk)
        sound.render(buffer.data(), static_cast<int>(std::min<long>(skip, kChunk)));
    double reported = -1;
    while (done < total) {
        scheduler.advance();
        long long n = std::min<long long>(kChunk, total - done);
        // Up to the next tick, so a scan step falls on its millisecond.
        if (const auto due = scheduler.nextDue())
            n = std::clamp<long long>((*due * rate + 999) / 1000 - done, 1, n);
        sound.render(buffer.data(), static_cast<int>(n));
        fadeTail(buffer.data(), n, total - done, fadeFrames);
        if (std::string problem = file.write(buffer.data(), n); !problem.empty())
            return problem;
        done += n;
        const double share = static_cast<double>(done) / static_cast<double>(total);
        if (progress.report && (share - reported >= 0.01 || done == total)) {
            progress.report(share);
            reported = share;
        }
    }
    return {};
}

} // namespace

int renderFormatFor(const fs::path& output)
{
    std::string ext = output.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".wav")
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    if (ext == ".flac")
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    if (ext == ".ogg" || ext == ".oga")
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    return 0;
}

std::string renderToFile(const RenderRequest& request, const fs::path& dataFolder, const RenderProgress& progress)
{
    const int format = renderFormatFor(request.output);
    if (format == 0)
        return "the output name must end in .wav, .flac or .ogg";
    if (!(request.minutes > 0) || request.minutes > 24 * 60)
        return "the length must be more than 0 and at most 1440 minutes";
    WorkFolder work;
    if (work.path.empty())
        return "cannot make a working folder";
    int maskSelection = 1;
    if (std::string problem = prepare(request, dataFolder, work.path, maskSelection); !problem.empty())
        return problem;

    Form form;
    MixerSoundSystem sound; // no device: rendered offline
    QuietDialogs dialogs;
    App app(form, sound, dialogs, work.path);
    bindHandlers(app);
    // The timers run on the rendered sound's own clock.
    long long done = 0;
    const int rate = sound.deviceRate();
    TimerScheduler scheduler(form, [&done, rate] { return static_cast<std::int64_t>(done * 1000 / rate); });
    if (std::string problem = startSession(app, dialogs, request, maskSelection); !problem.empty())
        return problem;

    PartFile file(fs::absolute(request.output));
    if (std::string problem = file.open(format, rate); !problem.empty())
        return problem;
    const auto total = static_cast<long long>(std::llround(request.minutes * 60 * rate));
    if (std::string problem = renderFrames(sound, scheduler, file, done, total, progress); !problem.empty())
        return problem;
    return file.finish();
}

} // namespace aurelith
