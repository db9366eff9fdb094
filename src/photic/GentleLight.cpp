// SPDX-License-Identifier: GPL-3.0-or-later
#include "photic/GentleLight.h"

#include "app/DataFileNames.h"
#include "photic/FrameCadence.h"
#include "photic/PhoticWrites.h"
#include "ui/ControlNames.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace aurelith {

using namespace ctl;

namespace {

constexpr const char* kCaptionOff = "&Gentle Light";
constexpr const char* kCaptionOn = "&Gentle Light (On)";

double toLinear(unsigned channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

unsigned fromLinear(double linear)
{
    const double c = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
    return static_cast<unsigned>(std::lround(std::clamp(c, 0.0, 1.0) * 255));
}

bool stimulationTimerRuns(const Form& form)
{
    const Control& stim = form.control(tmrStim);
    return stim.timerEnabled && stim.interval > 0 && stim.period > 0;
}

} // namespace

Colour gentleColourAt(Colour stim, Colour back, double cyclePhase)
{
    const double weight = (1 + std::cos(2 * std::numbers::pi * cyclePhase)) / 2;
    Colour mixed = 0;
    for (unsigned shift = 0; shift <= 16; shift += 8) {
        const double s = toLinear((stim >> shift) & 0xFF);
        const double b = toLinear((back >> shift) & 0xFF);
        mixed |= fromLinear(weight * s + (1 - weight) * b) << shift;
    }
    return mixed;
}

bool gentleLightOn(const App& app) { return app.state.strobe.gentleLight; }

void setGentleLight(App& app, bool on)
{
    PhoticWrites::strobe(app).gentleLight = on;
    app.form.setCaption(optGentle, on ? kCaptionOn : kCaptionOff);
    app.files.write(dataFile::kGentleLight, {on ? 1 : 0});
}

void restoreGentleLight(App& app)
{
    const auto record = app.files.read(dataFile::kGentleLight);
    // Anything but a stored 1 (missing, unreadable, edited) is the square light.
    const bool on = record && !record->empty() && record->front() == Value(1);
    PhoticWrites::strobe(app).gentleLight = on;
    app.form.setCaption(optGentle, on ? kCaptionOn : kCaptionOff);
}

std::optional<Colour> gentleFrameColour(const App& app, double cyclePhase)
{
    const StrobeState& s = app.state.strobe;
    if (!s.gentleLight || s.strobeOn != StrobeRun::on || !stimulationTimerRuns(app.form) || !std::isfinite(cyclePhase))
        return std::nullopt;
    return gentleColourAt(s.activeStimColour.colour().value_or(0), s.activeBackColour.colour().value_or(0), cyclePhase);
}

bool paintGentleFrame(App& app, double cyclePhase)
{
    const std::optional<Colour> colour = gentleFrameColour(app, cyclePhase);
    if (!colour)
        return false;
    if (app.form.backColour(txtFlashSurface) != colour)
        app.form.setBackColour(txtFlashSurface, *colour);
    return true;
}

bool gentleOnFrames(const App& app)
{
    return app.state.strobe.gentleLight && app.state.strobe.frames.on && app.frames->timing().presented;
}

std::optional<double> frameCyclePhase(const App& app, double shownMs)
{
    const double cycle = app.form.control(tmrStim).period;
    if (!app.state.strobe.frames.on || !(cycle > 0))
        return std::nullopt;
    const double cycles = (shownMs - app.state.strobe.frames.stimDueMs) / cycle;
    return cycles - std::floor(cycles);
}

void paintNextGentleFrame(App& app, double& lastShownMs)
{
    const DisplayTiming display = app.frames->timing();
    if (!gentleOnFrames(app) || !(display.periodMs > 0))
        return;
    // The frame nearest the display's delay from now (and a millisecond, as
    // the strobe's ticks) is the first one a change made now still reaches.
    const FrameGrid grid{display.frameOriginMs, display.periodMs};
    const double shownMs = grid.at(grid.nearest(app.frames->nowMs() + display.delayMs + 1));
    if (shownMs < lastShownMs + display.periodMs / 2)
        return; // that frame has its colour
    lastShownMs = shownMs;
    const std::optional<Colour> colour = gentleFrameColour(app, frameCyclePhase(app, shownMs).value_or(NAN));
    if (!colour || app.form.backColour(txtFlashSurface) == colour)
        return; // the display keeps showing the same colour
    app.frames->intend(shownMs);
    app.form.setBackColour(txtFlashSurface, *colour);
}

std::string_view lightMode(const App& app) { return gentleLightOn(app) ? "gentle" : "square"; }

void bindGentleLight(App& app)
{
    app.form.onClick(optGentle, [&app] { setGentleLight(app, !gentleLightOn(app)); });
}

} // namespace aurelith
