// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ModePanel.h"

namespace aurelith {

void setLamp(App& app, std::string_view lamp, bool on)
{
    const Value& colour = on ? app.state.strobe.lampOnColour : app.state.strobe.lampOffColour;
    if (const auto c = colour.colour())
        app.form.setBackColour(lamp, *c);
}

std::optional<int> validGroup(const Value& group)
{
    const std::optional<double> n = group.number();
    if (n && (*n == 1 || *n == 2 || *n == 3))
        return static_cast<int>(*n);
    return std::nullopt;
}

void labelModeRows(App& app, const std::function<std::string(int row)>& caption)
{
    for (int row = 0; row < static_cast<int>(modePanel::kRowLabels.size()); ++row)
        app.form.setCaption(modePanel::kRowLabels[row], caption(row));
}

void lightModeRow(App& app, int row)
{
    for (int i = 0; i < static_cast<int>(modePanel::kRowLamps.size()); ++i)
        setLamp(app, modePanel::kRowLamps[i], i == row);
}

} // namespace aurelith
