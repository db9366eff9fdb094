// SPDX-License-Identifier: GPL-3.0-or-later
#include "freq/BandPresets.h"

#include "app/ModePanel.h"
#include "photic/Strobe.h"
#include "tone/ChannelText.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"

#include <array>

namespace aurelith {
namespace {

using namespace ctl;

struct Preset {
    std::string_view button;
    std::string_view menuItem;
};

// Beat N is preset N - 1 (cmdReset is not a preset: it resets). The buttons
// run "L Delta" .. "UGama", four to a band, low to high.
constexpr std::array<Preset, 20> kPresets = {{
    {cmdLDelta, mnuLDelta}, {cmdMDelta, mnuMDelta}, {cmdHDelta, mnuHDelta}, {cmdUDelta, mnuUDelta},
    {cmdLTheta, mnuLTheta}, {cmdMTheta, mnuMTheta}, {cmdHTheta, mnuHTheta}, {cmdUTheta, mnuUTheta},
    {cmdLAlpha, mnuLAlpha}, {cmdMAlpha, mnuMAlpha}, {cmdHAlpha, mnuHAlpha}, {cmdUAlpha, mnuUAlpha},
    {cmdLBeta, mnuLBeta},   {cmdMBeta, mnuMBeta},   {cmdHBeta, mnuHBeta},   {cmdUBeta, mnuUBeta},
    {cmdLGamma, mnuLGamma}, {cmdMGamma, mnuMGamma}, {cmdHGamma, mnuHGamma}, {cmdUGamma, mnuUGamma},
}};

constexpr int kFixedCarrier = 160;

// A button follows the base-frequency bar (unless it is switched off) and the
// chosen waveform; a menu item always plays sine tones on the fixed carrier.
enum class PresetSource { button, menuItem };

void applyPreset(App& app, int beat, PresetSource source)
{
    Form& form = app.form;
    const bool fromButton = source == PresetSource::button;
    if (fromButton)
        setLamp(app, modePanel::kSoundLamp, true);
    const bool fixed = !fromButton || app.state.tone.baseFreqMode == Value(2);
    const int carrier = fixed ? kFixedCarrier : form.value(scrBaseFreq);
    form.setText(txtSetFreq1, std::to_string(carrier));
    form.setText(txtsetfreq2, std::to_string(carrier + beat));
    form.setText(txtBaseFreq, form.text(txtSetFreq1));
    showBeat(app);
    const bool inRange = fromButton ? rebuildTones(app) : rebuildSineTones(app);
    if (inRange && strobeRunning(app))
        ColorOn(app);
}

} // namespace

void bindBandPresets(App& app)
{
    for (size_t i = 0; i < kPresets.size(); ++i) {
        const int beat = static_cast<int>(i) + 1;
        app.form.onClick(kPresets[i].button, [&app, beat] { applyPreset(app, beat, PresetSource::button); });
        app.form.onClick(kPresets[i].menuItem, [&app, beat] { applyPreset(app, beat, PresetSource::menuItem); });
    }
}

} // namespace aurelith
