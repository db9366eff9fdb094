// SPDX-License-Identifier: GPL-3.0-or-later
#include "photic/Strobe.h"

#include "app/ModePanel.h"
#include "photic/FlashHazards.h"
#include "photic/FlashWarning.h"
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

// Every panel but the stimulation panel; hidden in the full layout, Frame18 shown last.
constexpr std::array<std::string_view, 16> kOtherPanels = {
    Frame1,  Frame2,  Frame3,  Frame4,  Frame5,  Frame6,  Frame7,  Frame9,
    Frame11, Frame12, Frame13, Frame14, Frame15, Frame16, Frame17, Frame18,
};

bool flashing(const Form& form)
{
    for (const auto timer : {Timer1, Timer2})
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

// Each colour stays on for one phase, stimulation first: Timer1 starts the stimulation
// phases and Timer2, counting from Timer1's start, the background phases. The phase
// keeps its fraction (83.33 ms at 6 Hz) so the light never drifts against the beat;
// the timers' interval is the whole milliseconds the window shows. The first
// stimulation phase begins firstMs from now (one phase unless the beat says).
void applyPhase(Form& form, double phaseMs, int shownMs, double firstMs)
{
    form.setTimerCycle(Timer1, shownMs, 2 * phaseMs, firstMs);
    form.setTimerCycle(Timer2, shownMs, 2 * phaseMs, firstMs + phaseMs, Timer1);
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
    const Control& stim = app.form.control(Timer1);
    const double cycle = sliding ? slidingCycle(app, *beat) : stim.period;
    const double phase = cycle / 2;
    const double bound = takeUp ? phase : std::min(kMaxStepMs, phase / 4);
    const double shift = std::clamp(std::remainder(beat->nextInPhaseMs - cycle, cycle), -bound, bound);
    // The onset just painted, against the moment it was meant for (after a
    // restart it was meant for the old beat).
    if (!takeUp)
        app.sound.heardBeats()->notePaintedOnset(-std::remainder(beat->nextInPhaseMs, cycle));
    follower.retiming = true;
    app.form.setTimerCycle(Timer1, stim.interval, cycle, cycle + shift);
    app.form.setTimerCycle(Timer2, app.form.timerInterval(Timer2), cycle, phase + shift / 2, Timer1);
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
    FramePlan& plan = app.state.strobe.frames;
    const double cycle = app.form.control(Timer1).period;
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
    FramePlan& plan = app.state.strobe.frames;
    const Control& stim = app.form.control(Timer1);
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
    app.form.setTimerCycle(Timer1, stim.interval, cycle, plan.stimDueMs - plan.leadMs - now);
    app.form.setTimerCycle(Timer2, app.form.timerInterval(Timer2), cycle, plan.backDueMs - plan.leadMs - now, Timer1);
    follower.retiming = false;
}

void paintSurface(App& app, const Value& colour)
{
    // A colour never loaded (or not a colour at all) is painted black.
    app.form.setBackColour(Text4, colour.colour().value_or(0));
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
    WindowState& s = app.state;
    Form& form = app.form;
    const bool fromOff = !strobeRunning(app);
    const bool wasFlashing = flashing(form);
    s.strobe.strobeOn = StrobeRun::on;
    s.shared.beatFreq = beatOf(form);
    // A sequence's pair may have either ear the higher (the boxes show the
    // ears as they are); its beat is heard, and flashes, either way. Its boxes
    // hold hundredths, so their difference is kept to hundredths too, without
    // the doubles' noise the rate would show (9.98000000000002).
    if (form.timerEnabled(tmrSequence))
        s.shared.beatFreq = std::round(std::abs(s.shared.beatFreq) * 100) / 100;

    const LightSoundRatio ratio = lightSoundRatioOf(s.strobe);
    // A zero beat has no phase: the timers and durationMs keep what they had.
    std::string tooFast;
    if (s.shared.beatFreq != 0) {
        double phase = flashPhaseMs(s.shared.beatFreq, ratio.k);
        s.shared.durationMs = std::floor(phase);
        // A negative phase (a negative beat) is shown but never given to the timers,
        // nor one too long for them.
        if (s.shared.durationMs >= 0 && s.shared.durationMs <= INT_MAX) {
            FramePlan& plan = s.strobe.frames;
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
            applyPhase(form, phase, static_cast<int>(s.shared.durationMs), first - lead);
        }
    }
    form.setText(Text3, formatNumber(s.shared.durationMs));
    form.setText(Text5, formatNumber(s.shared.beatFreq * ratio.multiplier));
    form.setText(Text11, formatNumber(s.strobe.lightSoundRatio));
    form.setText(Text10, s.strobe.colourSetIndex.text());
    // Before anything flashes: the first start in a folder asks, a retune never.
    if (fromOff && !mayStartFlashing(app, s.shared.beatFreq * ratio.multiplier)) {
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
    s.shared.scanLoopCounter = 1;
    if (s.shared.beatFreq >= 1) {
        form.setTimerEnabled(Timer1, true);
        form.setTimerEnabled(Timer2, true);
        s.shared.scanLoopCounter = std::floor(s.shared.beatFreq) + 1;
    }
    if (flashing(form))
        app.inhibitor->holdScreenAwake(true);
    noticeFlashHazards(app);
}

void ColorOff(App& app, bool paintLamp)
{
    if (paintLamp)
        setLamp(app, modePanel::kStrobeLamp, false);
    app.state.strobe.strobeOn = StrobeRun::off;
    haltFlashing(app);
}

void stepLightSoundRatio(App& app, int direction)
{
    StrobeState& s = app.state.strobe;
    s.ratioMode = true;
    if (s.lightSoundRatio >= 0 && s.lightSoundRatio <= 9)
        s.lightSoundRatio = (s.lightSoundRatio + direction + 10) % 10;
    app.form.setText(Text11, std::to_string(s.lightSoundRatio));
    if (strobeRunning(app))
        ColorOn(app);
}

void haltFlashing(App& app)
{
    app.form.setTimerEnabled(Timer1, false);
    app.form.setTimerEnabled(Timer2, false);
    app.inhibitor->holdScreenAwake(false);
}

void showFullWindowStrobe(App& app)
{
    Form& form = app.form;
    const ControlDef& panel = designOf(Frame10);
    const ControlDef& surface = designOf(Text4);
    form.setGeometry(Frame10, 100, 60, panel.width, 7600);
    form.setGeometry(Text4, 120, 240, surface.width, 7200);
    for (const auto frame : kOtherPanels)
        form.setVisible(frame, false);
}

void showHalfWindowStrobe(App& app)
{
    restoreDesignGeometry(app.form, Frame10);
    restoreDesignGeometry(app.form, Text4);
    for (const auto frame : kOtherPanels)
        app.form.setVisible(frame, true);
}

void bindStrobe(App& app)
{
    Form& form = app.form;
    auto follower = std::make_shared<BeatFollower>();
    form.onTimer(Timer1, [&app, follower] {
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
    form.onTimer(Timer2, [&app] {
        if (!app.state.strobe.frames.on) {
            paintSurface(app, app.state.strobe.activeBackColour);
            return;
        }
        intendChange(app, false);
        if (!app.state.strobe.gentleLight)
            paintSurface(app, app.state.strobe.activeBackColour);
    });
    form.onClick(Command22, [&app] { ColorOn(app, true); });  // "ColorOn"
    form.onClick(Command23, [&app] { ColorOff(app, true); }); // "ColorOff"
    // The menus' "&Color ON" and "&Color OFF".
    for (const auto item : {opt15, opts3})
        form.onClick(item, [&app] { ColorOn(app, false); });
    for (const auto item : {opt16, opts4})
        form.onClick(item, [&app] { ColorOff(app, false); });
    // "FullScrn" and "&Full Screen".
    for (const auto name : {Command31, opt13})
        form.onClick(name, [&app] { showFullWindowStrobe(app); });
    // "Rev" ("Strobe Half Screen") does what its tooltip says, as "&1/2 Screen" does.
    for (const auto name : {opt14, Command61})
        form.onClick(name, [&app] { showHalfWindowStrobe(app); });

    // "Stop" and "&Sound OFF" switch the timers off directly; the screen may sleep again.
    form.addObserver([&app, follower, wasFlashing = false](const Control& c, Property property) mutable {
        if (property != Property::Timer || (c.name != Timer1 && c.name != Timer2))
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
