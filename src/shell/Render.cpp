// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Render.h"

#include "app/App.h"
#include "app/DataFileNames.h"
#include "app/TrustedFile.h"
#include "core/ToneLimits.h"
#include "photic/StrobePlan.h"
#include "shell/Bindings.h"
#include "shell/LightTrack.h"
#include "shell/OfflineSession.h"
#include "shell/RenderOutputs.h"
#include "shell/SequenceRender.h"
#include "shell/Startup.h"
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
        skipLatency(sound_);
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
    const auto total = static_cast<long long>(std::llround(request.minutes * 60 * kSampleRate));
    RenderOutputs outputs(request, dataFolder, progress, total);
    if (std::string problem = outputs.prepare(); !problem.empty())
        return problem;
    int maskSelection = 1;
    if (std::string problem = prepareMask(request, dataFolder, outputs.work(), maskSelection, outputs.setAside);
        !problem.empty())
        return problem;
    outputs.tellSetAside();

    Form form;
    MixerSoundSystem sound; // no device: rendered offline
    if (maskSelection == 1) // no need to make the noise otherwise
        sound.setPinkNoiseStandIn(dataFile::maskSound(1));
    EarsAsNamed ears(sound, outputs.work(), request.toneMod.value_or(kFullSeparation));
    QuietDialogs dialogs;
    App app(form, ears, dialogs, outputs.work());
    // The working folder is thrown away at the end: its settings need no trip to the disk.
    app.files.calls.fsync = [](int) { return 0; };
    bindHandlers(app);
    ControlsSource source(app, sound, outputs.light());
    if (std::string problem = startSession(app, dialogs, request, maskSelection); !problem.empty())
        return problem;
    source.start();
    return outputs.write(source);
}

} // namespace aurelith
