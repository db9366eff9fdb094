// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Render.h"

#include "app/App.h"
#include "app/DataFileNames.h"
#include "app/DataFolder.h"
#include "app/TrustedFile.h"
#include "core/ToneLimits.h"
#include "photic/StrobePlan.h"
#include "sequence/SequencePlayer.h"
#include "shell/Bindings.h"
#include "shell/LightTrack.h"
#include "shell/OfflineSession.h"
#include "shell/Startup.h"
#include "shell/WorkFolder.h"
#include "sound/GlideSynth.h"
#include "sound/MixerSoundSystem.h"
#include "sound/SoundFileWriter.h"
#include "tone/ToneWrites.h"
#include "tone/ChannelText.h"
#include "ui/ControlNames.h"
#include "ui/TimerScheduler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <vector>

namespace aurelith {
namespace {

namespace fs = std::filesystem;
using namespace ctl;

// The window's own handlers on the offline mixer, the timers on the rendered
// sound's clock (so a scan steps on its millisecond).
class ControlsSource : public RenderSource {
public:
    ControlsSource(App& app, MixerSoundSystem& sound, LightTrack* light)
        : app_(app), sound_(sound), light_(light),
          scheduler_(app.form, [this] { return static_cast<std::int64_t>(frame_ * 1000 / kSampleRate); })
    {
    }
    int rate() const override { return sound_.deviceRate(); }
    void start()
    {
        if (light_)
            retuneLight();
        // The output's fixed delay: what comes out first is silence before the sound.
        std::vector<float> buffer(2 * kChunk);
        for (long skip = sound_.latencyFrames(); skip > 0; skip -= kChunk)
            sound_.render(buffer.data(), static_cast<int>(std::min<long>(skip, kChunk)));
    }
    long long prepare(long long frame, long long most) override
    {
        frame_ = frame;
        const double left = app_.state.tone.leftFreq, right = app_.state.tone.rightFreq;
        scheduler_.advance();
        if (light_) {
            if (app_.state.tone.leftFreq != left || app_.state.tone.rightFreq != right)
                retuneLight();
            light_->advanceTo(frame);
        }
        // Up to the next tick, so a scan step falls on its millisecond.
        if (const auto due = scheduler_.nextDue())
            return std::clamp<long long>((*due * rate() + 999) / 1000 - frame, 1, most);
        return most;
    }
    void render(float* stereo, int frames) override { sound_.render(stereo, frames); }
    static constexpr int kChunk = 1 << 16;

private:
    void retuneLight()
    {
        light_->retune(strobePlan(app_.state.strobe, beatOf(app_.form)), app_.state.tone.leftFreq,
                       app_.state.tone.rightFreq, frame_);
    }
    App& app_;
    MixerSoundSystem& sound_;
    LightTrack* light_;
    long long frame_ = 0;
    TimerScheduler scheduler_;
};

// A sequence on the offline mixer's gliding voices. The light follows the
// first binaural voice's plan, no block crossing a segment's end, so its beat
// and slope give the tones' phases exactly as the mixer makes them.
class SequenceSource : public RenderSource {
public:
    SequenceSource(MixerSoundSystem& sound, const sequence::Sequence& s, LightTrack* light, const StrobeState& strobe)
        : sound_(sound), player_(sound), sequence_(s), plan_(sequence::compilePlan(s, sound.deviceRate())),
          light_(light), strobe_(strobe)
    {
        for (const glide::Lane& lane : plan_.lanes)
            if (lane.kind == glide::LaneKind::binaural) {
                lane_ = &lane;
                break;
            }
    }
    long long total() const { return plan_.lengthFrames; }
    bool start(double tones, double noise)
    {
        player_.setLevels(tones, noise);
        if (!player_.play(sequence_))
            return false;
        std::vector<float> buffer(2 * ControlsSource::kChunk);
        for (long skip = sound_.latencyFrames(); skip > 0; skip -= ControlsSource::kChunk)
            sound_.render(buffer.data(), static_cast<int>(std::min<long>(skip, ControlsSource::kChunk)));
        return true;
    }
    int rate() const override { return sound_.deviceRate(); }
    long long prepare(long long frame, long long most) override
    {
        if (!light_)
            return most;
        long long n = std::min<long long>(most, kLightBlock);
        double left = 0, right = 0, slope = 0;
        // Frames only move on: the segments behind stay behind.
        const std::vector<glide::Segment>* segments = lane_ ? &lane_->segments : nullptr;
        while (segments && next_ < segments->size() && (*segments)[next_].endFrame <= frame)
            ++next_;
        if (segments && next_ < segments->size()) {
            const glide::Segment& g = (*segments)[next_];
            if (g.startFrame > frame) {
                n = std::min(n, g.startFrame - frame); // silent up to here
            } else {
                // The mixer reaches a step over a smooth curve whose phase is a
                // straight ramp's by its end, so the light takes it as one.
                const glide::Segment* before = next_ > 0 ? &(*segments)[next_ - 1] : nullptr;
                const auto smooth = static_cast<std::int64_t>(GlideSynth::kSmoothSeconds * rate());
                const std::int64_t rampEnd = std::min(g.startFrame + smooth, g.endFrame);
                if (before && before->endFrame == g.startFrame && frame < rampEnd &&
                    (before->endLeftHz != g.startLeftHz || before->endRightHz != g.startRightHz)) {
                    const glide::Values to = glide::valuesAt(g, rampEnd);
                    const double f = static_cast<double>(frame - g.startFrame) /
                                     static_cast<double>(rampEnd - g.startFrame);
                    n = std::min(n, rampEnd - frame);
                    left = before->endLeftHz + f * (to.leftHz - before->endLeftHz);
                    right = before->endRightHz + f * (to.rightHz - before->endRightHz);
                    slope = (to.rightHz - to.leftHz - before->endRightHz + before->endLeftHz) * rate() /
                            static_cast<double>(rampEnd - g.startFrame);
                } else {
                    n = std::min(n, g.endFrame - frame);
                    const glide::Values v = glide::valuesAt(g, frame);
                    left = v.leftHz;
                    right = v.rightHz;
                    slope = (g.endRightHz - g.startRightHz - g.endLeftHz + g.startLeftHz) * rate() /
                            static_cast<double>(g.endFrame - g.startFrame);
                }
            }
        }
        light_->follow(strobePlan(strobe_, right - left), left, right, slope, frame);
        return n;
    }
    void render(float* stereo, int frames) override { sound_.render(stereo, frames); }

private:
    static constexpr long long kLightBlock = 4096;
    MixerSoundSystem& sound_;
    sequence::SequencePlayer player_;
    const sequence::Sequence& sequence_;
    glide::Plan plan_;
    const glide::Lane* lane_ = nullptr;
    std::size_t next_ = 0; // the lane's first segment not yet behind
    LightTrack* light_;
    StrobeState strobe_;
};

bool isMaskNumber(const std::string& mask) { return mask.size() == 1 && mask[0] >= '1' && mask[0] <= '8'; }

// The mask as asked for, linked into the working folder: one of the user's own
// masks by number, or a sound file named on the command line.
std::string prepareMask(const RenderRequest& request, const fs::path& from, const fs::path& to, int& maskSelection,
                        std::vector<std::string>& setAside)
{
    if (request.mask.empty()) {
        maskSelection = 8; // a slot with no file behind it plays no mask
        return {};
    }
    std::error_code error;
    fs::path source;
    if (isMaskNumber(request.mask)) {
        maskSelection = request.mask[0] - '0';
        source = from / dataFile::maskSound(maskSelection);
        // As in the window: a missing mask is skipped (mask 1 has its own noise), and so is one not the
        // user's own or no file at all (a FIFO would never end).
        switch (trustOf(source)) {
        case FileTrust::trusted: break;
        case FileTrust::untrusted: setAside.push_back(source.filename().string()); return {};
        case FileTrust::missing:
        case FileTrust::special: return {};
        }
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
    form.click(mnuCustomScanTime);
    const bool up = request.scanDirection > 0;
    form.click(up ? cmdScanUp : cmdScanDown);
    if (request.scanLimit) {
        form.click(up ? cmdUpperLimit : cmdLowerLimit); // "Up Limit" / "Dw Limit"
        form.setText(up ? txtStimColour : txtBackColour, formatNumber(*request.scanLimit));
        form.click(cmdEnterLimits); // "Enter"
    }
    form.click(cmdScanOn); // "ScanOn"
}

// Starts the program on the working folder and sets it playing as asked; an
// error text when it would not start or a box was shown.
std::string startSession(App& app, QuietDialogs& dialogs, const RenderRequest& request, int maskSelection)
{
    if (!startUp(app))
        return dialogs.shown.empty() ? "the sound could not be started" : dialogs.shown;
    ToneWrites::tone(app).maskSelection = maskSelection;
    ToneWrites::tone(app).waveform = request.waveform;
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

// The data folder as the window takes it: another user's is refused, one
// others may write is made the user's alone.
std::string trustFolder(const fs::path& folder, const RenderProgress& progress)
{
    std::error_code error;
    std::string notice;
    secureFolder(folder, error, notice);
    if (error)
        return "cannot use the data folder " + folder.string() + ": " + error.message();
    if (!notice.empty() && progress.notice)
        progress.notice(notice);
    return {};
}

} // namespace

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

std::string renderFrames(RenderSource& source, SoundFileWriter& writer, long long total, const RenderProgress& progress)
{
    const long fadeFrames = std::lround(Mixer::kFadeSeconds * source.rate());
    std::vector<float> buffer(2 * ControlsSource::kChunk);
    double reported = -1;
    for (long long done = 0; done < total;) {
        if (progress.stop && *progress.stop)
            return "interrupted";
        const long long n = source.prepare(done, std::min<long long>(ControlsSource::kChunk, total - done));
        source.render(buffer.data(), static_cast<int>(n));
        if (total - done - n < fadeFrames)
            fadeTail(buffer.data(), n, total - done, fadeFrames);
        if (std::string problem = writer.write(buffer.data(), n); !problem.empty())
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

namespace {

// The sound file and the light track, opened before any work is done, so a
// name that cannot be written is refused at once.
std::string openOutputs(const RenderRequest& request, long long total, SoundFileWriter& writer,
                        std::optional<LightTrack>& light)
{
    if (!request.lightTrack.empty() && sameFile(request.output, request.lightTrack))
        return "the light track " + request.lightTrack.string() + " is the sound file itself: name another file";
    if (std::string problem = writer.file().open(); !problem.empty())
        return problem;
    if (std::string problem = writer.file().special() ? "" : roomForSoundFile(writer.file().file(), total);
        !problem.empty())
        return problem;
    if (!request.lightTrack.empty())
        if (std::string problem = light.emplace(request.lightTrack, kSampleRate).open(); !problem.empty())
            return problem;
    return {};
}

// A sequence, whole, at the window's "Tone Vol" and "Mask Vol" (saved, or as asked).
std::string renderSequenceToFile(const RenderRequest& request, const fs::path& dataFolder,
                                 const RenderProgress& progress)
{
    const sequence::Sequence& s = *request.sequence;
    constexpr int rate = kSampleRate;
    const long long total = sequence::compilePlan(s, rate).lengthFrames;
    if (total <= 0)
        return "the sequence " + s.name + " has no length";
    SoundFileWriter writer(request.output);
    std::optional<LightTrack> light;
    if (std::string problem = openOutputs(request, total, writer, light); !problem.empty())
        return problem;
    if (std::string problem = trustFolder(dataFolder, progress); !problem.empty())
        return problem;
    WorkFolder work;
    if (work.path.empty())
        return work.problem;
    std::vector<std::string> setAside;
    copyOwnSettings(dataFolder, work.path, setAside);
    if (!setAside.empty() && progress.notice)
        progress.notice(setAsideNotice(setAside, dataFolder));

    Form form;
    MixerSoundSystem sound; // no device: rendered offline
    QuietDialogs dialogs;
    App app(form, sound, dialogs, work.path);
    app.files.calls.fsync = [](int) { return 0; };
    bindHandlers(app);
    if (!startUp(app))
        return dialogs.shown.empty() ? "the sound could not be started" : dialogs.shown;
    if (request.toneVolume)
        form.setValue(scrToneVol, *request.toneVolume - 5000);
    if (request.maskVolume)
        form.setValue(scrMaskVol, *request.maskVolume - 5000);
    // The bars' hundredths of a dB, as the mixer takes them.
    const auto gain = [&form](std::string_view bar) { return std::pow(10.0, form.value(bar) / 2000.0); };
    SequenceSource source(sound, s, light ? &*light : nullptr, app.state.strobe);
    if (!source.start(gain(scrToneVol), gain(scrMaskVol)))
        return "the sequence " + s.name + " cannot be played";
    if (progress.stop && *progress.stop)
        return "interrupted";
    if (std::string problem = writer.open(soundFileFormatFor(request.output, total), rate, total); !problem.empty())
        return problem;
    if (std::string problem = renderFrames(source, writer, total, progress); !problem.empty())
        return problem;
    if (std::string problem = writer.finish(); !problem.empty())
        return problem;
    if (light)
        if (std::string problem = light->finish(total); !problem.empty())
            return problem;
    return light ? commitTogether({&writer.file(), &light->file()}) : commitTogether({&writer.file()});
}

} // namespace

std::string renderToFile(const RenderRequest& request, const fs::path& dataFolder, const RenderProgress& progress)
{
    if (soundFileFormatFor(request.output) == 0)
        return "the output name must end in .wav, .flac or .ogg";
    if (request.sequence)
        return renderSequenceToFile(request, dataFolder, progress);
    if (!(request.minutes > 0) || request.minutes > 24 * 60)
        return "the length must be more than 0 and at most 1440 minutes";
    if (const auto end = scanEndMs(request); end && request.minutes * 60000 > *end + 0.5)
        return "the scan reaches its limit and the sound stops after " + formatNumber(*end / 60000) +
               " minutes: ask for at most that many";
    constexpr int rate = kSampleRate;
    const auto total = static_cast<long long>(std::llround(request.minutes * 60 * rate));
    SoundFileWriter writer(request.output);
    std::optional<LightTrack> light;
    if (std::string problem = openOutputs(request, total, writer, light); !problem.empty())
        return problem;
    if (std::string problem = trustFolder(dataFolder, progress); !problem.empty())
        return problem;
    WorkFolder work;
    if (work.path.empty())
        return work.problem;
    std::vector<std::string> setAside;
    copyOwnSettings(dataFolder, work.path, setAside);
    int maskSelection = 1;
    if (std::string problem = prepareMask(request, dataFolder, work.path, maskSelection, setAside); !problem.empty())
        return problem;
    if (!setAside.empty() && progress.notice)
        progress.notice(setAsideNotice(setAside, dataFolder));

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
    ControlsSource source(app, sound, light ? &*light : nullptr);
    if (std::string problem = startSession(app, dialogs, request, maskSelection); !problem.empty())
        return problem;
    if (progress.stop && *progress.stop)
        return "interrupted";
    if (std::string problem = writer.open(soundFileFormatFor(request.output, total), rate, total); !problem.empty())
        return problem;
    source.start();
    if (std::string problem = renderFrames(source, writer, total, progress); !problem.empty())
        return problem;
    if (std::string problem = writer.finish(); !problem.empty())
        return problem;
    if (light)
        if (std::string problem = light->finish(total); !problem.empty())
            return problem;
    return light ? commitTogether({&writer.file(), &light->file()}) : commitTogether({&writer.file()});
}

} // namespace aurelith
