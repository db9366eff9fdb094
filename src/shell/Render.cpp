// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Render.h"

#include "app/App.h"
#include "app/DataFileNames.h"
#include "shell/Bindings.h"
#include "photic/FlashWarning.h"
#include "photic/Strobe.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "core/ToneLimits.h"
#include "ui/ControlNames.h"
#include "ui/TimerScheduler.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

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

// A tone buffer whose ear is the render's to choose: whatever pan the
// handlers ask for, it keeps its own, so "--left" stays the left ear's.
class PinnedPanBuffer : public SoundBuffer {
public:
    PinnedPanBuffer(std::unique_ptr<SoundBuffer> inner, int pan) : inner_(std::move(inner)), pan_(pan)
    {
        inner_->setPan(pan_);
    }
    void play(bool looping) override { inner_->play(looping); }
    void stop() override { inner_->stop(); }
    bool isPlaying() const override { return inner_->isPlaying(); }
    void setVolume(int hundredthsDb) override { inner_->setVolume(hundredthsDb); }
    void setPan(int) override { inner_->setPan(pan_); }
    void setFrequency(double framesPerSecond) override { inner_->setFrequency(framesPerSecond); }
    double frequency() const override { return inner_->frequency(); }
    long frameCount() const override { return inner_->frameCount(); }

private:
    std::unique_ptr<SoundBuffer> inner_;
    int pan_;
};

// The offline mixer as the handlers see it: the first tone file is the left
// ear's, the second the right's, `separation` hundredths of a dB from the
// other ear. (The window's "Tone Mod" sends the first box to the right.)
class EarsAsNamed : public SoundSystem {
public:
    EarsAsNamed(MixerSoundSystem& inner, const fs::path& folder, int separation)
        : inner_(inner), tone1_((folder / dataFile::toneFile(1)).string()),
          tone2_((folder / dataFile::toneFile(2)).string()), separation_(separation)
    {
    }
    bool createDevice(std::string& error) override { return inner_.createDevice(error); }
    bool hasDevice() const override { return inner_.hasDevice(); }
    std::unique_ptr<SoundBuffer> createBuffer(const std::string& path) override
    {
        return pin(path, inner_.createBuffer(path));
    }
    std::unique_ptr<SoundBuffer> createBufferFromMemory(const std::string& name,
                                                        const std::vector<unsigned char>& bytes, ToneWave wave) override
    {
        return pin(name, inner_.createBufferFromMemory(name, bytes, wave));
    }
    void releaseDevice() override { inner_.releaseDevice(); }
    int outputChannels() const override { return inner_.outputChannels(); }
    HeardBeatSource* heardBeats() override { return inner_.heardBeats(); }

private:
    std::unique_ptr<SoundBuffer> pin(const std::string& name, std::unique_ptr<SoundBuffer> buffer) const
    {
        if (!buffer || (name != tone1_ && name != tone2_))
            return buffer;
        // A positive pan quietens the left output.
        return std::make_unique<PinnedPanBuffer>(std::move(buffer), name == tone1_ ? -separation_ : separation_);
    }
    MixerSoundSystem& inner_;
    std::string tone1_, tone2_;
    int separation_;
};

// A private working folder: the program writes its tone files as it plays,
// and a render must not disturb the user's own folder or a running window.
class WorkFolder {
public:
    WorkFolder()
    {
        std::error_code error;
        const fs::path temp = fs::temp_directory_path(error);
        if (error) {
            const char* tmpdir = std::getenv("TMPDIR");
            problem = "cannot make a working folder: no temporary folder " +
                      std::string(tmpdir ? "TMPDIR=" + std::string(tmpdir) : "/tmp") + " (" + error.message() + ")";
            return;
        }
        std::string pattern = (temp / "aurelith-render-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path = pattern;
        else
            problem = "cannot make a working folder in " + temp.string() + ": " + std::strerror(errno);
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
    std::string problem; // why there is no path
};

bool isMaskNumber(const std::string& mask) { return mask.size() == 1 && mask[0] >= '1' && mask[0] <= '8'; }

// Why a file is no sound the mixer could play, or empty: the window would
// quietly play nothing, which a render asked for by name should not.
std::string soundFileProblem(const fs::path& file)
{
    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    if (!sound)
        return std::string("not a sound file that can be read (") + sf_strerror(nullptr) + ")";
    sf_close(sound);
    if (info.channels < 1 || info.samplerate <= 0 || info.frames <= 0)
        return "it holds no sound";
    return {};
}

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
        if (std::string why = soundFileProblem(source); !why.empty())
            return "cannot use the mask file " + request.mask + ": " + why;
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

// libsndfile writes through these, so that a failed write keeps its errno
// (the Vorbis encoder would only say "Unspecified internal error"). Its small
// writes are gathered into large ones; anything else sends them first.
struct FileIo {
    static constexpr std::size_t kBufferBytes = 1 << 20;
    int fd = -1;
    int error = 0; // the first failed write's errno
    std::vector<char> pending;
};

bool writeAll(FileIo& io, const char* data, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(io.fd, data + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (io.error == 0)
                io.error = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool flush(FileIo& io)
{
    const bool ok = writeAll(io, io.pending.data(), io.pending.size());
    io.pending.clear();
    return ok;
}

sf_count_t ioLength(void* user)
{
    auto* io = static_cast<FileIo*>(user);
    flush(*io);
    struct stat st {};
    return ::fstat(io->fd, &st) == 0 ? st.st_size : -1;
}
sf_count_t ioSeek(sf_count_t offset, int whence, void* user)
{
    auto* io = static_cast<FileIo*>(user);
    flush(*io);
    return ::lseek(io->fd, offset, whence);
}
sf_count_t ioTell(void* user)
{
    auto* io = static_cast<FileIo*>(user);
    return ::lseek(io->fd, 0, SEEK_CUR) + static_cast<sf_count_t>(io->pending.size());
}
sf_count_t ioRead(void* data, sf_count_t count, void* user)
{
    auto* io = static_cast<FileIo*>(user);
    flush(*io);
    const ssize_t got = ::read(io->fd, data, static_cast<size_t>(count));
    return got < 0 ? 0 : got;
}
sf_count_t ioWrite(const void* data, sf_count_t count, void* user)
{
    auto* io = static_cast<FileIo*>(user);
    const auto* bytes = static_cast<const char*>(data);
    if (io->pending.size() + static_cast<std::size_t>(count) > FileIo::kBufferBytes && !flush(*io))
        return 0;
    if (static_cast<std::size_t>(count) >= FileIo::kBufferBytes)
        return writeAll(*io, bytes, static_cast<std::size_t>(count)) ? count : 0;
    io->pending.insert(io->pending.end(), bytes, bytes + count);
    return count;
}

// Gives an unnamed file a temporary name beside `output` (linkat cannot
// replace a name; the caller renames it over); an errno on failure.
int linkBeside(int fd, const fs::path& output, fs::path& named)
{
    std::string name = output.string() + ".partXXXXXX";
    const int placeholder = ::mkstemp(name.data());
    if (placeholder < 0)
        return errno;
    ::close(placeholder);
    ::unlink(name.c_str());
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return errno;
    named = name;
    return 0;
}

// The light the window would show beside the sound, one CSV row per strobe
// phase: start in ms from the start of the file, colour, "stim" or "back".
// The phase lasts what the strobe's own rule gives for the beat; each run of
// phases starts where the two tones are in phase, which the render knows
// exactly: both start at the same frame, and a retune keeps each tone's
// phase while its pitch changes.
class LightTrack {
public:
    std::string open(const fs::path& file)
    {
        file_ = fs::absolute(file);
        fd_ = ::open(file_.parent_path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ < 0)
            return "cannot write the light track " + file_.string() + ": " + std::strerror(errno);
        io_.fd = fd_;
        return {};
    }
    ~LightTrack()
    {
        if (fd_ >= 0)
            ::close(fd_);
        std::error_code error;
        if (!named_.empty())
            fs::remove(named_, error);
    }
    bool wanted() const { return fd_ >= 0; }

    // The tones are now `left` and `right` Hz from `frame` on; the strobe's
    // phase is read from the window's own handler.
    void retune(App& app, long long frame, int rate)
    {
        advanceTo(frame, rate);
        left_ = app.state.tone.leftFreq;
        right_ = app.state.tone.rightFreq;
        // Nothing flashes in a render: the strobe's warning has nobody to ask.
        if (!app.files.exists(dataFile::kFlashAnswer))
            app.files.write(dataFile::kFlashAnswer, {1});
        ColorOn(app, false); // the strobe's timers now hold the phase for this beat...
        const bool flashes = app.form.timerEnabled(ctl::Timer1);
        const double phaseMs = app.form.control(ctl::Timer1).period / 2;
        stimColour_ = hex(app.state.strobe.activeStimColour);
        backColour_ = hex(app.state.strobe.activeBackColour);
        ColorOff(app, false); // ...but they must not tick: the rows are worked out here
        if (!flashes || !(phaseMs > 0)) {
            nextStim_ = nextBack_ = kNever;
            return;
        }
        phaseFrames_ = phaseMs * rate / 1000;
        const double beat = right_ - left_;
        const double toInPhase = std::ceil(difference_) - difference_;
        nextStim_ = static_cast<double>(frame) + toInPhase / beat * rate;
        if (nextBack_ > nextStim_)
            nextBack_ = kNever; // the background of a cut phase gives way to the new run
    }

    // The rows that start before `frame`.
    void advanceTo(long long frame, int rate)
    {
        while (std::min(nextStim_, nextBack_) < static_cast<double>(frame)) {
            const bool stim = nextStim_ <= nextBack_;
            const double at = stim ? nextStim_ : nextBack_;
            char row[64];
            const int n = std::snprintf(row, sizeof row, "%.3f,%s,%s\n", at * 1000 / rate,
                                        (stim ? stimColour_ : backColour_).c_str(), stim ? "stim" : "back");
            io_.pending.insert(io_.pending.end(), row, row + n);
            if (io_.pending.size() > FileIo::kBufferBytes)
                flush(io_);
            if (stim) {
                nextBack_ = at + phaseFrames_;
                nextStim_ = at + 2 * phaseFrames_;
            } else {
                nextBack_ = kNever;
            }
        }
        difference_ += (right_ - left_) * static_cast<double>(frame - frame_) / rate;
        difference_ -= std::floor(difference_);
        frame_ = frame;
    }

    std::string finish()
    {
        flush(io_);
        if (io_.error != 0 || ::fsync(fd_) != 0 || linkBeside(fd_, file_, named_) != 0)
            return "cannot write the light track " + file_.string() + ": " +
                   std::strerror(io_.error ? io_.error : errno);
        std::error_code error;
        fs::rename(named_, file_, error);
        if (error)
            return "cannot write the light track " + file_.string() + ": " + error.message();
        named_.clear();
        return {};
    }

private:
    static constexpr double kNever = 1e300;
    static std::string hex(const Value& colour)
    {
        const Colour c = colour.colour().value_or(0); // as the window paints it: 0x00BBGGRR
        char text[8];
        std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<unsigned>(c & 0xFF),
                      static_cast<unsigned>((c >> 8) & 0xFF), static_cast<unsigned>((c >> 16) & 0xFF));
        return text;
    }
    fs::path file_, named_;
    int fd_ = -1;
    FileIo io_;
    double left_ = 0, right_ = 0;
    double difference_ = 0; // the right tone's phase less the left's, in cycles
    long long frame_ = 0;
    double phaseFrames_ = 0;
    double nextStim_ = kNever, nextBack_ = kNever;
    std::string stimColour_, backColour_;
};

// The output, written as an unnamed file in its folder and linked under its
// name only when whole, so nothing is left behind however the render ends.
// Where the file system has no unnamed files, a temporary name beside it is
// removed unless it was finished.
class PartFile {
public:
    explicit PartFile(fs::path output) : output_(std::move(output)) {}
    ~PartFile()
    {
        if (handle_)
            sf_close(handle_);
        if (io_.fd >= 0)
            ::close(io_.fd);
        std::error_code error;
        if (!part_.empty() && !kept_)
            fs::remove(part_, error);
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    std::string open(int format, int rate)
    {
        const fs::path folder = output_.parent_path();
        io_.fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (io_.fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            std::string partName = output_.string() + ".partXXXXXX";
            io_.fd = ::mkstemp(partName.data());
            if (io_.fd >= 0) {
                part_ = partName;
                // mkstemp makes it private; the finished file gets the usual permissions.
                const mode_t mask = ::umask(0);
                ::umask(mask);
                ::fchmod(io_.fd, 0666 & ~mask);
            }
        }
        if (io_.fd < 0)
            return failed(errno);
        io_.pending.reserve(FileIo::kBufferBytes);
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 2;
        info.format = format;
        SF_VIRTUAL_IO calls{ioLength, ioSeek, ioRead, ioWrite, ioTell};
        handle_ = sf_open_virtual(&calls, SFM_WRITE, &info, &io_);
        sixteenBits_ = (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
        if (!handle_)
            return io_.error ? failed(io_.error) : failed(sf_strerror(nullptr));
        if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS) {
            double quality = 0.6;
            sf_command(handle_, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
        }
        return {};
    }

    std::string write(const float* frames, long long n)
    {
        if (sixteenBits_ ? writeShorts(frames, n) : (sf_writef_float(handle_, frames, n) == n && io_.error == 0))
            return {};
        return io_.error ? failed(io_.error) : failed(sf_strerror(handle_));
    }

    // Closes, makes sure the bytes are on the disk (a full disk may only show
    // here) and gives the file its name.
    std::string finish()
    {
        const bool closed = sf_close(handle_) == 0;
        handle_ = nullptr;
        flush(io_);
        if (io_.error)
            return failed(io_.error);
        if (!closed)
            return "cannot finish " + output_.string();
        if (::fsync(io_.fd) != 0)
            return failed(errno);
        if (part_.empty()) {
            const int error = linkBeside(io_.fd, output_, part_);
            if (error != 0)
                return failed(error);
        }
        std::error_code error;
        fs::rename(part_, output_, error);
        if (error)
            return failed(error.message());
        kept_ = true;
        return {};
    }

private:
    // 16-bit samples as libsndfile makes them from floats (x 0x7FFF, rounded
    // to nearest), four at a time where the processor can: its own per-sample
    // conversion was a large share of a render. Out of range saturates.
    bool writeShorts(const float* frames, long long n)
    {
        shorts_.resize(static_cast<std::size_t>(2 * n));
        long long i = 0;
#if defined(__SSE2__)
        const __m128 scale = _mm_set1_ps(32767.0f);
        for (; i + 8 <= 2 * n; i += 8) {
            const __m128i a = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(frames + i), scale));
            const __m128i b = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(frames + i + 4), scale));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(shorts_.data() + i), _mm_packs_epi32(a, b));
        }
#endif
        for (; i < 2 * n; ++i)
            shorts_[static_cast<std::size_t>(i)] = static_cast<short>(
                std::clamp(std::lrintf(frames[i] * 32767.0f), -32768L, 32767L));
        return sf_writef_short(handle_, shorts_.data(), n) == n && io_.error == 0;
    }

    std::string failed(const std::string& why) const { return "cannot write " + output_.string() + ": " + why; }
    std::string failed(int error) const
    {
        const std::string why = std::strerror(error);
        if (error == ENOSPC || error == EDQUOT)
            return failed("the disk holding " + output_.parent_path().string() + " is full (" + why + ")");
        return failed(why);
    }

    fs::path output_;
    fs::path part_;
    FileIo io_;
    SNDFILE* handle_ = nullptr;
    bool sixteenBits_ = false;
    std::vector<short> shorts_;
    bool kept_ = false;
};

// Starts the program on the working folder and sets it playing as asked; an
// error text when it would not start or a box was shown.
std::string startSession(App& app, QuietDialogs& dialogs, const RenderRequest& request, int maskSelection)
{
    if (!startUp(app))
        return dialogs.shown.empty() ? "the sound could not be started" : dialogs.shown;
    app.state.tone.maskSelection = maskSelection;
    app.state.tone.waveform = static_cast<Waveform>(request.waveform);
    // The boxes under the bars show 0 ... 5000 for the volumes' -5000 ... 0.
    if (request.toneVolume)
        app.form.setValue(scrToneVol, *request.toneVolume - 5000);
    if (request.maskVolume)
        app.form.setValue(scrMaskVol, *request.maskVolume - 5000);
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
                         long long total, const RenderProgress& progress, App& app, LightTrack& light)
{
    const int rate = sound.deviceRate();
    const long fadeFrames = std::lround(Mixer::kFadeSeconds * rate);
    // Large blocks: the per-block work (timers, limiter checks, writes) stays small.
    constexpr int kChunk = 1 << 16;
    std::vector<float> buffer(2 * kChunk);
    // The output's fixed delay: what comes out first is silence before the sound.
    for (long skip = sound.latencyFrames(); skip > 0; skip -= kChunk)
        sound.render(buffer.data(), static_cast<int>(std::min<long>(skip, kChunk)));
    double reported = -1;
    while (done < total) {
        if (progress.stop && *progress.stop)
            return "interrupted";
        const double left = app.state.tone.leftFreq, right = app.state.tone.rightFreq;
        scheduler.advance();
        if (light.wanted()) {
            if (app.state.tone.leftFreq != left || app.state.tone.rightFreq != right)
                light.retune(app, done, rate);
            light.advanceTo(done, rate);
        }
        long long n = std::min<long long>(kChunk, total - done);
        // Up to the next tick, so a scan step falls on its millisecond.
        if (const auto due = scheduler.nextDue())
            n = std::clamp<long long>((*due * rate + 999) / 1000 - done, 1, n);
        sound.render(buffer.data(), static_cast<int>(n));
        if (total - done - n < fadeFrames)
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

std::string megabytes(double bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

// Refuses at once what the disk cannot hold, rather than failing at the end.
std::string roomFor(const fs::path& output, long long frames)
{
    struct statvfs disk {};
    if (::statvfs(output.parent_path().c_str(), &disk) != 0)
        return {}; // no folder: opening the file will say so
    const double free = static_cast<double>(disk.f_bavail) * static_cast<double>(disk.f_frsize);
    const auto needed = static_cast<double>(estimatedRenderBytes(output, frames));
    if (needed <= free)
        return {};
    return "not enough room for " + output.string() + ": it needs about " + megabytes(needed) + ", and " +
           megabytes(free) + " are free on the disk holding " + output.parent_path().string();
}

} // namespace

long long estimatedRenderBytes(const fs::path& output, long long frames)
{
    const int format = renderFormatFor(output, frames) & SF_FORMAT_TYPEMASK;
    const long long pcm = frames * 2 * 2;
    if (format == SF_FORMAT_FLAC)
        return pcm / 2; // quiet tones and noise compress to about half, often less
    if (format == SF_FORMAT_OGG)
        return frames / kSampleRate * 32000 + 8192; // quality 0.6 stays under 256 kbit/s
    return pcm + 4096;
}

std::optional<long long> scanStepsToLimit(const RenderRequest& request)
{
    const auto right = wholeNumber(request.right);
    if (!request.scanLimit || !right || request.scanDirection == 0)
        return std::nullopt;
    // The scanner stops when the box's text is the limit's, after whole 1 Hz steps.
    const double steps = (*request.scanLimit - *right) * request.scanDirection;
    const double whole = std::round(steps);
    if (whole < 1 || std::abs(steps - whole) > 1e-9)
        return std::nullopt;
    return static_cast<long long>(whole);
}

std::optional<double> scanEndMs(const RenderRequest& request)
{
    const auto steps = scanStepsToLimit(request);
    if (!steps)
        return std::nullopt;
    return static_cast<double>(*steps) * std::nearbyint(request.scanTimeMs);
}

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

int renderFormatFor(const fs::path& output, long long frames)
{
    const int format = renderFormatFor(output);
    if ((format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV)
        return format;
    // 16-bit stereo; the RIFF size counts the header too, kept generous here.
    constexpr long long kBytesPerFrame = 2 * 2, kHeaderBytes = 4096;
    const bool fits = frames <= (static_cast<long long>(UINT32_MAX) - kHeaderBytes) / kBytesPerFrame;
    return fits ? format : SF_FORMAT_RF64 | (format & SF_FORMAT_SUBMASK);
}

std::string renderToFile(const RenderRequest& request, const fs::path& dataFolder, const RenderProgress& progress)
{
    const int format = renderFormatFor(request.output);
    if (format == 0)
        return "the output name must end in .wav, .flac or .ogg";
    if (!(request.minutes > 0) || request.minutes > 24 * 60)
        return "the length must be more than 0 and at most 1440 minutes";
    if (const auto end = scanEndMs(request); end && request.minutes * 60000 > *end + 0.5)
        return "the scan reaches its limit and the sound stops after " + formatNumber(*end / 60000) +
               " minutes: ask for at most that many";
    constexpr int rate = kSampleRate;
    const auto total = static_cast<long long>(std::llround(request.minutes * 60 * rate));
    const fs::path output = fs::absolute(request.output);
    if (std::string problem = roomFor(output, total); !problem.empty())
        return problem;
    WorkFolder work;
    if (work.path.empty())
        return work.problem;
    int maskSelection = 1;
    if (std::string problem = prepare(request, dataFolder, work.path, maskSelection); !problem.empty())
        return problem;

    Form form;
    MixerSoundSystem sound; // no device: rendered offline
    if (maskSelection == 1) // no need to make the noise otherwise
        sound.setPinkNoiseStandIn(dataFile::maskSound(1));
    EarsAsNamed ears(sound, work.path, request.toneMod.value_or(kFullSeparation));
    QuietDialogs dialogs;
    App app(form, ears, dialogs, work.path);
    // The working folder is thrown away at the end: its settings need no trip to the disk.
    app.files.calls.fsync = [](int) { return 0; };
    bindHandlers(app);
    // The timers run on the rendered sound's own clock.
    long long done = 0;
    TimerScheduler scheduler(form, [&done] { return static_cast<std::int64_t>(done * 1000 / kSampleRate); });
    if (std::string problem = startSession(app, dialogs, request, maskSelection); !problem.empty())
        return problem;

    if (progress.stop && *progress.stop)
        return "interrupted";
    PartFile file(output);
    if (std::string problem = file.open(renderFormatFor(request.output, total), rate); !problem.empty())
        return problem;
    LightTrack light;
    if (!request.lightTrack.empty()) {
        if (std::string problem = light.open(request.lightTrack); !problem.empty())
            return problem;
        light.retune(app, 0, rate);
    }
    if (std::string problem = renderFrames(sound, scheduler, file, done, total, progress, app, light); !problem.empty())
        return problem;
    if (light.wanted())
        light.advanceTo(total, rate);
    if (std::string problem = file.finish(); !problem.empty())
        return problem;
    return light.wanted() ? light.finish() : std::string();
}

} // namespace aurelith
