// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Form.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace aurelith {

// Runs the Form's timers against a millisecond clock. Ticks are due at
// start + k * interval, so they never drift; ticks missed while the program was
// busy are not made up in a burst. While a modal dialog is open a due tick waits
// and runs once when the dialog closes.
class TimerScheduler {
public:
    using Clock = std::function<std::int64_t()>;

    TimerScheduler(Form& form, Clock clock);

    void advance();
    std::optional<std::int64_t> nextDue() const;
    std::int64_t now() const { return clock_(); }
    // Told whenever a timer was started, stopped or retimed.
    void onReschedule(std::function<void()> callback) { rescheduled_ = std::move(callback); }

private:
    struct Schedule {
        std::int64_t start = 0;
        std::int64_t due = 0;
        bool active = false;
        bool pending = false;
    };

    void restart(const Control& timer);
    void fire(const std::string& name, std::int64_t now);
    void runPending();

    Form& form_;
    Clock clock_;
    std::map<std::string, Schedule> schedules_;
    std::function<void()> rescheduled_;
};

} // namespace aurelith
