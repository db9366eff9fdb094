// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone/ChannelControls.h"

#include "tone/Playback.h"
#include "tone/ToneWriter.h"
#include "tone/ToneWrites.h"
#include "ui/ControlNames.h"

namespace aurelith {
namespace {

using namespace ctl;

void reverseChannels(App& app)
{
    const std::string left = app.form.text(txtSetFreq1);
    const std::string right = app.form.text(txtsetfreq2);
    app.form.setText(txtSetFreq1, right);
    app.form.setText(txtsetfreq2, left);
    rebuildSineTones(app);
}

void resetToneFiles(App& app)
{
    stopTones(app);
    ToneWriter writer{ToneWrites::tone(app), app.files};
    writer.writeHeaderOnly(1);
    writer.writeHeaderOnly(2);
}

} // namespace

void bindChannelControls(App& app)
{
    Form& form = app.form;
    form.onChange(txtSetFreq1, [&app] { ToneWrites::tone(app).leftFreq = leadingNumber(app.form.text(txtSetFreq1)); });
    form.onChange(txtsetfreq2, [&app] { ToneWrites::tone(app).rightFreq = leadingNumber(app.form.text(txtsetfreq2)); });
    form.onClick(cmdReverseChannels, [&app] { reverseChannels(app); }); // "Rev Chn"
    form.onClick(mnuReverseChannels, [&app] { reverseChannels(app); }); // "&RevChan"
    form.onClick(cmdRebuild, [&app] { resetToneFiles(app); });          // "Rebuild"
    form.onClick(mnuRebuild, [&app] { resetToneFiles(app); });          // "&Rebuild"
}

} // namespace aurelith
