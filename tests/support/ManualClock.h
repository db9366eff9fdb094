// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/AppFixture.h"
#include "ui/Form.h"
#include "ui/TimerScheduler.h"

#include <algorithm>
#include <cstdint>
#include <functional>

namespace aurelith::test {

// The window's event loop on a manual millisecond clock: the Form's timers
// run only when a test moves the clock on.
struct ManualClock {
    explicit ManualClock(Form& form) : scheduler{form, [this] { return now; }} {}

    // Runs every tick due in the next `ms`, each at its own moment. `reach`,
    // when given, is told each moment the clock is about to move to (a due
    // tick, then the end) while `now` still holds the one before.
    void runFor(std::int64_t ms, const std::function<void(std::int64_t)>& reach = {})
    {
        const std::int64_t end = now + ms;
        for (auto due = scheduler.nextDue(); due && *due <= end; due = scheduler.nextDue()) {
            if (reach)
                reach(*due);
            now = std::max(now, *due);
            scheduler.advance();
        }
        if (reach)
            reach(end);
        now = std::max(now, end);
    }

    std::int64_t now = 0;
    TimerScheduler scheduler;
};

// The program of AppTest with its timers on the manual clock.
class ClockedAppTest : public AppTest, protected ManualClock {
protected:
    ClockedAppTest() : ManualClock(form) {}
};

} // namespace aurelith::test
