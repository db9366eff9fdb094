// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Form.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace aurelith {

// Runs the Form's timers against a monotonic millisecond clock. The k-th tick is
// due at start + firstTick + k * period (rounded to the millisecond), so ticks
// never drift, even with a fractional period; ticks missed while the program was
// busy are not made up in a burst. Timers sharing an anchor take turns: after a
// stall only the one whose turn is latest runs. While a modal dialog is open a
// due tick waits and runs once at the first advance() after the dialog closed,
// never nested inside the handler that opened the dialog.
class TimerScheduler {
public:
    using Clock = std::function<std::int64_t()>;

    TimerScheduler(Form& form, Clock clock);

    void advance();
    std::optional<std::int64_t> nextDue() const;
    std::int64_t now() const { return clock_(); }
    // Where a running timer is in its cycle at atMs on this clock, from its
    // unrounded grid: 0 at a tick, nearly 1 just before the next.
    std::optional<double> cyclePhase(std::string_view timer, double atMs) const;
    // Told whenever a timer was started, stopped or retimed.
    void onReschedule(std::function<void()> callback) { rescheduled_ = std::move(callback); }

private:
    struct Schedule {
        std::int64_t start = 0;
        std::int64_t tick = 0; // index of the next tick
        std::int64_t due = 0;
        double period = 0;
        double firstTick = 0;
        std::string group; // the anchor, or the timer itself
        bool active = false;
        bool pending = false;
        std::int64_t pendingDue = 0;
    };

    void restart(const Control& timer);
    void rebase(Schedule& s, std::int64_t start, std::int64_t now);
    void skipPast(Schedule& s, std::int64_t now);
    static std::int64_t latestDue(const Schedule& s, std::int64_t now);
    void fire(const std::string& name, std::int64_t now, std::int64_t groupLatest);
    void runPending();
    bool hasPending() const;

    Form& form_;
    Clock clock_;
    std::map<std::string, Schedule> schedules_;
    std::function<void()> rescheduled_;
};

} // namespace aurelith
