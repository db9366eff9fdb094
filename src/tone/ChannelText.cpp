// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone/ChannelText.h"

#include "ui/ControlNames.h"

namespace aurelith {

double channelValue(std::string_view text) { return wholeNumber(text).value_or(leadingNumber(text)); }

double beatOf(const Form& form)
{
    return channelValue(form.text(ctl::txtsetfreq2)) - channelValue(form.text(ctl::txtSetFreq1));
}

std::optional<double> plainBeatOf(const Form& form)
{
    const auto left = wholeNumber(form.text(ctl::txtSetFreq1));
    const auto right = wholeNumber(form.text(ctl::txtsetfreq2));
    if (!left || !right)
        return std::nullopt;
    return *right - *left;
}

void showBeat(App& app) { app.form.setText(ctl::txtBeat, formatNumber(beatOf(app.form))); }

} // namespace aurelith
