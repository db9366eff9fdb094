// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>

namespace aurelith {

enum class EventSwitch { on = 1, off = 2 };

// Conditions and events k = 1 ... 10 at index k - 1; filled as they are saved,
// viewed, defaulted or launched, the files being the lasting copy.
// Owner: events/ (events/EventsWrites.h); shell/ restores it.
struct EventsState {
    std::array<std::string, 10> condText;
    std::array<std::string, 10> condTitle;
    std::array<std::string, 10> eventCommand;
    std::array<std::string, 10> eventTitle;
    int condViewIndex = 1;
    int eventViewIndex = 1;
    int condProgIndex = 1;
    int eventProgIndex = 1;
    EventSwitch eventSwitch = EventSwitch::off;
};

} // namespace aurelith
