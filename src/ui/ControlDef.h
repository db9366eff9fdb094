// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The design-time description of the window: one row per control or menu entry.
// Geometry is in twips relative to the parent container (the window's client
// area when parent is empty). Menu entries use the parent to name their menu.

#include <string_view>

namespace aurelith {

enum class ControlKind { Frame, CommandButton, TextBox, Label, HScrollBar, Timer, Menu, MenuItem };

struct ControlDef {
    std::string_view name;
    ControlKind kind;
    std::string_view parent; // "" for the window itself, else a frame or a menu
    int left, top, width, height;
    const char* caption; // caption, or the initial text of a text box
    const char* tooltip;
};

struct ScrollDef {
    std::string_view name;
    int min, max, smallChange, largeChange, value;
};

struct TimerDef {
    std::string_view name;
    bool enabled;
    int interval;
};

} // namespace aurelith
