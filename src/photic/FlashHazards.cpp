// SPDX-License-Identifier: GPL-3.0-or-later
#include "photic/FlashHazards.h"

#include "photic/ColourSets.h"
#include "photic/PhoticWrites.h"
#include "ui/ControlNames.h"

#include <algorithm>
#include <cmath>

namespace aurelith {

namespace {

struct Rgb {
    double r, g, b;
};
Rgb channels(Colour c) { return {double(c & 0xFF), double((c >> 8) & 0xFF), double((c >> 16) & 0xFF)}; }

double linear(double channel)
{
    const double c = channel / 255;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// One bit per hazard in StrobeState::hazardsTold.
unsigned bit(FlashHazard h) { return 1u << static_cast<unsigned>(h); }

// The rate the strobe really shows: one stimulation phase per period of tmrStim.
std::optional<double> shownFlashRate(const Form& form)
{
    const Control& stim = form.control(ctl::tmrStim);
    if (!stim.timerEnabled || stim.interval <= 0 || !(stim.period > 0))
        return std::nullopt;
    return 1000 / stim.period;
}

// "set 2" or "sets 2, 6 and 14".
std::string setList(const std::vector<int>& sets)
{
    std::string text = sets.size() == 1 ? "set " : "sets ";
    for (size_t i = 0; i < sets.size(); ++i)
        text += (i == 0 ? "" : i + 1 == sets.size() ? " and " : ", ") + std::to_string(sets[i]);
    return text;
}

} // namespace

double relativeLuminance(Colour colour)
{
    const Rgb c = channels(colour);
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

bool isSaturatedRed(Colour colour)
{
    const Rgb c = channels(colour);
    const double sum = c.r + c.g + c.b;
    return sum > 0 && c.r / sum >= 0.8;
}

bool isSaturatedBlue(Colour colour)
{
    const Rgb c = channels(colour);
    const double sum = c.r + c.g + c.b;
    return sum > 0 && c.b / sum >= 0.8;
}

FlashAssessment assessFlash(Colour stim, Colour back, double flashesPerSecond)
{
    FlashAssessment a;
    a.saturatedRed = isSaturatedRed(stim) || isSaturatedRed(back);
    a.redBlue = (isSaturatedRed(stim) && isSaturatedBlue(back)) || (isSaturatedBlue(stim) && isSaturatedRed(back));
    const double l1 = relativeLuminance(stim);
    const double l2 = relativeLuminance(back);
    const double lighter = std::max(l1, l2);
    const double darker = std::min(l1, l2);
    a.contrast = (lighter + 0.05) / (darker + 0.05);
    // A flash in WCAG's sense: a change of a tenth of white's luminance or
    // more, the darker state below 0.8.
    a.brightnessFlash = lighter - darker >= 0.1 && darker < 0.8 && flashesPerSecond >= 3;
    a.provocativeRate = flashesPerSecond >= 15 && flashesPerSecond <= 25;
    return a;
}

std::vector<FlashHazard> FlashAssessment::hazards() const
{
    std::vector<FlashHazard> found;
    if (redBlue)
        found.push_back(FlashHazard::redBlue);
    if (saturatedRed)
        found.push_back(FlashHazard::saturatedRed);
    if (brightnessFlash)
        found.push_back(FlashHazard::brightnessFlash);
    if (provocativeRate)
        found.push_back(FlashHazard::provocativeRate);
    return found;
}

std::string hazardNotice(FlashHazard hazard, const FlashAssessment& a, double flashesPerSecond)
{
    switch (hazard) {
    case FlashHazard::redBlue:
        return "This colour set alternates saturated red and blue, the pattern most likely to trigger seizures.";
    case FlashHazard::saturatedRed:
        return "This colour set flashes saturated red: a change to or from saturated red can trigger seizures on its "
               "own.";
    case FlashHazard::brightnessFlash:
        return "This colour set changes the brightness of the whole panel strongly (contrast " +
               formatNumber(std::round(a.contrast * 10) / 10) +
               " to 1): such flashes, 3 or more a second, can trigger seizures.";
    case FlashHazard::provocativeRate:
        return "The light flashes " + formatNumber(std::round(flashesPerSecond * 100) / 100) +
               " times a second: 15 to 25 flashes a second is the most provocative range.";
    }
    return {};
}

std::string defaultSetHazardsText()
{
    std::vector<int> redBlue, red, brightness;
    int strongest = 1;
    double highest = 0;
    for (int set = 1; set <= 16; ++set) {
        const DefaultColourSet& pair = kDefaultColourSets[set - 1];
        // At 3 flashes a second, the least a brightness flash needs.
        const FlashAssessment a = assessFlash(static_cast<Colour>(pair.stim), static_cast<Colour>(pair.back), 3);
        if (a.redBlue)
            redBlue.push_back(set);
        if (a.saturatedRed)
            red.push_back(set);
        if (a.brightnessFlash)
            brightness.push_back(set);
        if (a.contrast > highest) {
            highest = a.contrast;
            strongest = set;
        }
    }
    return "Flash hazards of the first-run colour sets: saturated red alternating with saturated blue, the pattern "
           "most likely to trigger seizures: " +
           setList(redBlue) + ". Saturated red, a hazard on its own: " + setList(red) +
           ". A change of brightness strong enough to count as a flash, a hazard at 3 or more flashes a second: " +
           setList(brightness) + " (the strongest, " + formatNumber(std::round(highest * 10) / 10) + " to 1, is set " +
           std::to_string(strongest) +
           "). With any set, 15 to 25 flashes a second is the most provocative range. While the strobe flashes, a "
           "notice names each of these the first time it applies in a run; \"Gentle Light\" in the Options menu "
           "passes smoothly between the two colours instead of switching at once.";
}

void noticeFlashHazards(App& app)
{
    StrobeState& s = PhoticWrites::strobe(app);
    const std::optional<double> rate = shownFlashRate(app.form);
    if (s.strobeOn != StrobeRun::on || !rate)
        return;
    // A colour that is no colour is painted black, so it is judged as black.
    const FlashAssessment a = assessFlash(s.activeStimColour.colour().value_or(0),
                                          s.activeBackColour.colour().value_or(0), *rate);
    std::string text;
    for (const FlashHazard h : a.hazards()) {
        if (s.hazardsTold & bit(h))
            continue;
        s.hazardsTold |= bit(h);
        // Red and blue says all that red alone would.
        if (h == FlashHazard::redBlue)
            s.hazardsTold |= bit(FlashHazard::saturatedRed);
        text += (text.empty() ? "" : "\n\n") + hazardNotice(h, a, *rate);
    }
    if (!text.empty())
        app.dialogs.notice(text + "\n\nEsc stops the light at once.", "Color Strobe Notice");
}

} // namespace aurelith
