// SPDX-License-Identifier: GPL-3.0-or-later
#include "photic/Strobe.h"

#include "app/ModePanel.h"
#include "photic/FlashHazards.h"
#include "photic/FlashWarning.h"
#include "photic/PhoticWrites.h"
#include "photic/StrobePlan.h"
#include "photic/FrameCadence.h"
#include "ports/HeardBeat.h"
#include "tone/ChannelText.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"
#include "ui/LayoutTable.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace aurelith {

using namespace ctl;

namespace {

// Every panel but the stimulation panel; hidden in the full layout, fraMode shown last.
constexpr std::array<std::string_view, 16> kOtherPanels = {
    fraChannels,   fraToneVol,    fraColourRatio, fraStrobeTiming, fraBalance, fraButtons,
    fraMaskVol,    fraBrainwave,  fraBaseFreq,    fraBaseBeat,     fraLevels,  fraMaskBase,
    fraStimColour, fraBackColour, fraColourSets,  fraMode,
};

bool flashing(const Form& form)
{
    for (const auto timer : {tmrStim, tmrBack})
        if (form.timerEnabled(timer) && form.timerInterval(timer) > 0)
            return true;
    return false;
}

// A steady correction (the device clock's drift, a new latency) moves the
// next onset by at most this, so the light slides onto the beat smoothly.
constexpr double kMaxStepMs = 4.0;
// Timers tick on whole milliseconds, up to half of one late: a change for a
// frame is made this much earlier than the display's delay asks.
constexpr double kTickMarginMs = 1.0;

// Each colour stays on for one phase, stimulation first: tmrStim starts the stimulation
// phases and tmrBack, counting from tmrStim's start, the background phases. The phase
// keeps its fraction (83.33 ms at 6 Hz) so the light never drifts against the beat;
// the timers' interval is the whole milliseconds the window shows. The first
// stimulation phase begins firstMs from now (one phase unless the beat says).
void applyPhase(Form& form, double phaseMs, int shownMs, double firstMs)
{
    form.setTimerCycle(tmrStim, shownMs, 2 * phaseMs, firstMs);
    form.setTimerCycle(tmrBack, shownMs, 2 * phaseMs, firstMs + phaseMs, tmrStim);
}

// The beat of the two tones as the ears get it, when the sound system can say;
// while a sequence sounds, its sliding beat, asked anew at every onset
// (sliding then says so).
std::optional<HeardBeat> heardBeat(App& app, bool* sliding = nullptr)
{
    HeardBeatSource* source = app.sound.heardBeats();
    if (source)
        if (std::optional<HeardBeat> glide = source->glideHeardBeat()) {
            if (sliding)
                *sliding = true;
            return glide;
        }
    const SoundBuffer* left = app.state.tone.soundBuffers[SoundSlot::tone1].get();
    const SoundBuffer* right = app.state.tone.soundBuffers[SoundSlot::tone2].get();
    if (!source || !left || !right)
        return std::nullopt;
    return source->heardBeat(*left, *right);
}

// What the strobe keeps between flashes: whether the timers were restarted
// from outside (ColorOn after a retune), so the next boundary may move the
// grid by up to a phase, and whether the change is its own.
struct BeatFollower {
    bool takeUp = true;
    bool retiming = false;
};

// At each stimulation onset: the next one moves towards the moment the beat
// wants it (an in-phase moment, or the grid through one in ratio mode). Half
// the move goes to each of the two phases between, so after a restart no
// phase is shorter than half its duration and no two onsets come closer
// than one; otherwise the step is small. Without a heard beat the timers
// keep their drift-free grid.
// A sliding beat's period changes from one onset to the next: the cycle is
// then the period heard now, times the light-to-sound ratio.
double slidingCycle(const App& app, const HeardBeat& beat)
{
    // k is the cycle in ms of a 1 Hz beat (flashPhaseMs).
    return beat.periodMs * lightSoundRatioOf(app.state.strobe).k / 1000.0;
}

void followBeat(App& app, BeatFollower& follower)
{
    // A restart is taken up at the first boundary with a beat to take up: the
    // new tones may not have sounded yet at the first one.
    bool sliding = false;
    const std::optional<HeardBeat> beat = heardBeat(app, &sliding);
    if (!beat)
        return;
    const bool takeUp = std::exchange(follower.takeUp, false);
    const Control& stim = app.form.control(tmrStim);
    const double cycle = sliding ? slidingCycle(app, *beat) : stim.period;
    const double phase = cycle / 2;
    const double bound = takeUp ? phase : std::min(kMaxStepMs, phase / 4);
    const double shift = std::clamp(std::remainder(beat->nextInPhaseMs - cycle, cycle), -bound, bound);
    // The onset just painted, against the moment it was meant for (after a
    // restart it was meant for the old beat).
    if (!takeUp)
        app.sound.heardBeats()->notePaintedOnset(-std::remainder(beat->nextInPhaseMs, cycle));
    follower.retiming = true;
    app.form.setTimerCycle(tmrStim, stim.interval, cycle, cycle + shift);
    app.form.setTimerCycle(tmrBack, app.form.timerInterval(tmrBack), cycle, phase + shift / 2, tmrStim);
    follower.retiming = false;
}

// On frames: each change is meant to be seen at its due moment and is made
// the display's delay before it. The timers tick at the due moments less that
// lead; the moment itself is told to the display, which puts the change on
// the frame nearest it. Returns the due moment of the change now made. With
// the gentle light the grid moves on the same way, but the frames are
// painted one by one (photic/GentleLight), so nothing is told.
double intendChange(App& app, bool stimulation)
{
    FramePlan& plan = PhoticWrites::strobe(app).frames;
    const double cycle = app.form.control(tmrStim).period;
    double& due = stimulation ? plan.stimDueMs : plan.backDueMs;
    // Ticks come on whole milliseconds and may be late: this tick's change is
    // the due moment nearest it, even after a stall.
    const double now = app.frames->nowMs();
    due += std::round((now + plan.leadMs - due) / cycle) * cycle;
    const double intended = due;
    if (!app.state.strobe.gentleLight)
        app.frames->intend(intended);
    due += cycle;
    return intended;
}

// followBeat on frames: the grid of due moments moves towards the heard beat
// as above, and the lead follows the display's delay by small steps, so that
// no tick is skipped and no change made twice.
void followBeatOnFrames(App& app, BeatFollower& follower, double onsetMs)
{
    FramePlan& plan = PhoticWrites::strobe(app).frames;
    const Control& stim = app.form.control(tmrStim);
    bool sliding = false;
    const std::optional<HeardBeat> beat = heardBeat(app, &sliding);
    const double cycle = sliding ? slidingCycle(app, *beat) : stim.period;
    const double phase = cycle / 2;
    const double now = app.frames->nowMs();
    double shift = 0;
    if (beat) {
        const bool takeUp = std::exchange(follower.takeUp, false);
        const double bound = takeUp ? phase : std::min(kMaxStepMs, phase / 4);
        const double inPhase = now + beat->nextInPhaseMs;
        shift = std::clamp(std::remainder(inPhase - (onsetMs + cycle), cycle), -bound, bound);
        if (!takeUp)
            app.sound.heardBeats()->notePaintedOnset(-std::remainder(inPhase - onsetMs, cycle));
    }
    plan.leadMs = stepTowards(plan.leadMs, app.frames->timing().delayMs + kTickMarginMs,
                              std::min(kMaxStepMs, phase / 4));
    plan.stimDueMs = onsetMs + cycle + shift;
    plan.backDueMs = onsetMs + phase + shift / 2;
    follower.retiming = true;
    app.form.setTimerCycle(tmrStim, stim.interval, cycle, plan.stimDueMs - plan.leadMs - now);
    app.form.setTimerCycle(tmrBack, app.form.timerInterval(tmrBack), cycle, plan.backDueMs - plan.leadMs - now,
                           tmrStim);
    follower.retiming = false;
}

void paintSurface(App& app, const Value& colour)
{
    // A colour never loaded (or not a colour at all) is painted black.
    app.form.setBackColour(txtFlashSurface, colour.colour().value_or(0));
}

const ControlDef& designOf(std::string_view name)
{
    for (int i = 0; i < kLayoutCount; ++i)
        if (name == kLayout[i].name)
            return kLayout[i];
    throw std::out_of_range("no control named " + std::string(name));
}

void restoreDesignGeometry(Form& form, std::string_view name)
{
    const ControlDef& d = designOf(name);
    form.setGeometry(name, d.left, d.top, d.width, d.height);
}

} // namespace

double flashPhaseMs(double beatHz, double ratioK) { return ratioK / beatHz * 0.5; }

bool strobeRunning(const App& app) { return app.state.strobe.strobeOn == StrobeRun::on; }

void ColorOn(App& app, bool paintLamp)
{
    StrobeState& strobe = PhoticWrites::strobe(app);
    SharedState& shared = PhoticWrites::shared(app);
    Form& form = app.form;
    const bool fromOff = !strobeRunning(app);
    const bool wasFlashing = flashing(form);
    strobe.strobeOn = StrobeRun::on;
    shared.beatFreq = beatOf(form);
    // A sequence's pair may have either ear the higher (the boxes show the
    // ears as they are); its beat is heard, and flashes, either way. Its boxes
    // hold hundredths, so their difference is kept to hundredths too, without
    // the doubles' noise the rate would show (9.98000000000002).
    if (form.timerEnabled(tmrSequence))
        shared.beatFreq = std::round(std::abs(shared.beatFreq) * 100) / 100;

    const LightSoundRatio ratio = lightSoundRatioOf(strobe);
    // A zero beat has no phase: the timers and durationMs keep what they had.
    std::string tooFast;
    if (shared.beatFreq != 0) {
        double phase = flashPhaseMs(shared.beatFreq, ratio.k);
        shared.durationMs = std::floor(phase);
        // A negative phase (a negative beat) is shown but never given to the timers,
        // nor one too long for them.
        if (shared.durationMs >= 0 && shared.durationMs <= INT_MAX) {
            FramePlan& plan = strobe.frames;
            const DisplayTiming display = app.frames->timing();
            plan.on = display.presented && display.periodMs > 0;
            double lead = 0;
            if (plan.on) {
                // Whole frames: a phase shorter than one is shown as one (the
                // boxes keep saying what was asked for).
                const double shown = showablePhaseMs(phase, display.periodMs);
                if (shown != phase && !std::exchange(plan.toldTooFast, true))
                    tooFast = tooFastMessage(500 / phase, 500 / shown, 1000 / display.periodMs);
                phase = shown;
                lead = plan.leadMs = wasFlashing ? plan.leadMs : display.delayMs + kTickMarginMs;
            }
            // From rest the first flash waits for the beat; a running strobe keeps
            // its colour and takes up the new beat at its next boundary.
            double first = phase;
            if (const std::optional<HeardBeat> beat = wasFlashing ? std::nullopt : heardBeat(app)) {
                first = beat->nextInPhaseMs;
                while (first - lead < 1)
                    first += 2 * phase;
            }
            while (plan.on && first - lead < 1)
                first += 2 * phase;
            if (plan.on) {
                plan.stimDueMs = app.frames->nowMs() + first;
                plan.backDueMs = plan.stimDueMs + phase;
            }
            applyPhase(form, phase, static_cast<int>(shared.durationMs), first - lead);
        }
    }
    form.setText(txtDuration, formatNumber(shared.durationMs));
    form.setText(txtFlashRate, formatNumber(shared.beatFreq * ratio.multiplier));
    form.setText(txtLightSound, formatNumber(strobe.lightSoundRatio));
    form.setText(txtColourSet, strobe.colourSetIndex.text());
    // Before anything flashes: the first start in a folder asks, a retune never.
    if (fromOff && !mayStartFlashing(app, shared.beatFreq * ratio.multiplier)) {
        ColorOff(app);
        return;
    }
    // Lit only once flashing is sure to begin, never over the unanswered warning.
    if (paintLamp)
        setLamp(app, modePanel::kStrobeLamp, true);
    if (!tooFast.empty())
        app.message(tooFast);

    // The enabling loop counts with the scanner's inner-loop counter, which other
    // handlers read afterwards: it ends one past the beat (at 1 below a 1 Hz beat).
    // Enabling twice changes nothing, so the loop body runs once.
    shared.scanLoopCounter = 1;
    if (shared.beatFreq >= 1) {
        form.setTimerEnabled(tmrStim, true);
        form.setTimerEnabled(tmrBack, true);
        shared.scanLoopCounter = std::floor(shared.beatFreq) + 1;
    }
    if (flashing(form))
        app.inhibitor->holdScreenAwake(true);
    noticeFlashHazards(app);
}

void ColorOff(App& app, bool paintLamp)
{
    if (paintLamp)
        setLamp(app, modePanel::kStrobeLamp, false);
    PhoticWrites::strobe(app).strobeOn = StrobeRun::off;
    haltFlashing(app);
}

void stepLightSoundRatio(App& app, int direction)
{
    StrobeState& s = PhoticWrites::strobe(app);
    s.ratioMode = true;
    if (s.lightSoundRatio >= 0 && s.lightSoundRatio <= 9)
        s.lightSoundRatio = (s.lightSoundRatio + direction + 10) % 10;
    app.form.setText(txtLightSound, std::to_string(s.lightSoundRatio));
    if (strobeRunning(app))
        ColorOn(app);
}

void haltFlashing(App& app)
{
    app.form.setTimerEnabled(tmrStim, false);
    app.form.setTimerEnabled(tmrBack, false);
    app.inhibitor->holdScreenAwake(false);
}

void showFullWindowStrobe(App& app)
{
    Form& form = app.form;
    const ControlDef& panel = designOf(fraStimulation);
    const ControlDef& surface = designOf(txtFlashSurface);
    form.setGeometry(fraStimulation, 100, 60, panel.width, 7600);
    form.setGeometry(txtFlashSurface, 120, 240, surface.width, 7200);
    for (const auto frame : kOtherPanels)
        form.setVisible(frame, false);
}

void showHalfWindowStrobe(App& app)
{
    restoreDesignGeometry(app.form, fraStimulation);
    restoreDesignGeometry(app.form, txtFlashSurface);
    for (const auto frame : kOtherPanels)
        app.form.setVisible(frame, true);
}

void bindStrobe(App& app)
{
    Form& form = app.form;
    auto follower = std::make_shared<BeatFollower>();
    form.onTimer(tmrStim, [&app, follower] {
        if (!app.state.strobe.frames.on) {
            paintSurface(app, app.state.strobe.activeStimColour);
            followBeat(app, *follower);
            return;
        }
        const double onset = intendChange(app, true);
        if (!app.state.strobe.gentleLight)
            paintSurface(app, app.state.strobe.activeStimColour);
        followBeatOnFrames(app, *follower, onset);
    });
    form.onTimer(tmrBack, [&app] {
        if (!app.state.strobe.frames.on) {
            paintSurface(app, app.state.strobe.activeBackColour);
            return;
        }
        intendChange(app, false);
        if (!app.state.strobe.gentleLight)
            paintSurface(app, app.state.strobe.activeBackColour);
    });
    form.onClick(cmdColourOn, [&app] { ColorOn(app, true); });   // "ColorOn"
    form.onClick(cmdColourOff, [&app] { ColorOff(app, true); }); // "ColorOff"
    // The menus' "&Color ON" and "&Color OFF".
    for (const auto item : {mnuColourOn, mnuOptionsColourOn})
        form.onClick(item, [&app] { ColorOn(app, false); });
    for (const auto item : {mnuColourOff, mnuOptionsColourOff})
        form.onClick(item, [&app] { ColorOff(app, false); });
    // "FullScrn" and "&Full Screen".
    for (const auto name : {cmdFullScreen, mnuFullScreen})
        form.onClick(name, [&app] { showFullWindowStrobe(app); });
    // "Rev" ("Strobe Half Screen") does what its tooltip says, as "&1/2 Screen" does.
    for (const auto name : {mnuHalfScreen, cmdHalfScreen})
        form.onClick(name, [&app] { showHalfWindowStrobe(app); });

    // "Stop" and "&Sound OFF" switch the timers off directly; the screen may sleep again.
    form.addObserver([&app, follower, wasFlashing = false](const Control& c, Property property) mutable {
        if (property != Property::Timer || (c.name != tmrStim && c.name != tmrBack))
            return;
        if (!follower->retiming)
            follower->takeUp = true;
        const bool now = flashing(app.form);
        if (wasFlashing && !now)
            app.inhibitor->holdScreenAwake(false);
        wasFlashing = now;
    });
}

} // namespace aurelith
