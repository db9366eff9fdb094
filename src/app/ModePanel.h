// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"
#include "ui/ControlNames.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The Mode panel: nine lamps (small text boxes), each beside its label. The
// first two lamps have one meaning; the group rows and the four shared rows
// are relabelled by whichever family is using them at the time (colour sets,
// scanner, waveform, mask selector).

namespace aurelith {

namespace modePanel {
inline constexpr std::string_view kSoundLamp = ctl::lampSound;   // "SND"
inline constexpr std::string_view kStrobeLamp = ctl::lampStrobe; // "COL"
// Memory groups or scan-bank groups.
inline constexpr std::array<std::string_view, 3> kGroupLamps = {ctl::lampGroup1, ctl::lampGroup2, ctl::lampGroup3};
inline constexpr std::array<std::string_view, 3> kGroupLabels = {ctl::lblGroup1, ctl::lblGroup2, ctl::lblGroup3};
// Colour sets, scan direction, waveform or mask.
inline constexpr std::array<std::string_view, 4> kRowLamps = {ctl::lampRow1, ctl::lampRow2, ctl::lampRow3,
                                                              ctl::lampRow4};
inline constexpr std::array<std::string_view, 4> kRowLabels = {ctl::lblRow1, ctl::lblRow2, ctl::lblRow3, ctl::lblRow4};
// All nine lamps, top to bottom.
inline constexpr std::array<std::string_view, 9> kLamps = {kSoundLamp,     kStrobeLamp,    kGroupLamps[0],
                                                           kGroupLamps[1], kGroupLamps[2], kRowLamps[0],
                                                           kRowLamps[1],   kRowLamps[2],   kRowLamps[3]};
} // namespace modePanel

// Paints a lamp in the lamp-on or lamp-off colour.
void setLamp(App& app, std::string_view lamp, bool on);

// The group a memory or scan-bank group field selects: 1, 2 or 3 when it holds
// one of them, nothing otherwise (a data file may hold anything).
std::optional<int> validGroup(const Value& group);

// Labels the four shared rows with caption(0) ... caption(3).
void labelModeRows(App& app, const std::function<std::string(int row)>& caption);

// Lights shared row `row` (0 ... 3) and puts the others out; any other row puts all out.
void lightModeRow(App& app, int row);

} // namespace aurelith
