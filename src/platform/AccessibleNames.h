// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Form.h"

#include <string>

class QWidget;

namespace aurelith {

// What a screen reader says for a control: a button its caption, a box the
// caption of the frame it shows in and its place there, a bar its frame's
// caption, a lamp its label and whether it is lit. Timers and menus have none.
std::string accessibleName(const Form& form, const Control& control, bool lit = false);

// A scroll bar with this property (an int) reports its position plus it, as
// the box under the bar shows it.
inline constexpr const char* kShownOffset = "shownOffset";

// The lamps and the flash surface paint themselves; this tells assistive
// technology what they are: a lamp an indicator that can be checked (lit),
// the surface an animation whose value is the colour it shows; a level bar
// (kShownOffset) a scroll bar whose values are as shown.
void installAccessibility();
// A lamp's state changed: its name and its checked state follow.
void announceLamp(QWidget* lamp, const std::string& name, bool lit);

} // namespace aurelith
