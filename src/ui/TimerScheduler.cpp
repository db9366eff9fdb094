// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TimerScheduler.h"

namespace aurelith {

TimerScheduler::TimerScheduler(Form& form, Clock clock) : form_(form), clock_(std::move(clock))
{
    for (const std::string& name : form_.names()) {
        const Control& c = form_.control(name);
        if (c.kind == ControlKind::Timer)
            restart(c);
    }
    form_.addObserver([this](const Control& c, Property property) {
        if (property == Property::Timer && c.kind == ControlKind::Timer) {
            restart(c);
            if (rescheduled_)
                rescheduled_();
        }
    });
    form_.onModalEnd([this] { runPending(); });
}

void TimerScheduler::restart(const Control& timer)
{
    Schedule& s = schedules_[timer.name];
    s.active = timer.timerEnabled && timer.interval > 0;
    s.start = clock_();
    s.due = s.start + timer.interval;
    s.pending = false;
}

void TimerScheduler::fire(const std::string& name, std::int64_t now)
{
    Schedule& s = schedules_[name];
    const std::int64_t interval = form_.timerInterval(name);
    const std::int64_t elapsedTicks = (now - s.start) / interval;
    s.due = s.start + (elapsedTicks + 1) * interval;
    if (form_.inModal()) {
        s.pending = true;
        return;
    }
    form_.tick(name); // may restart this timer: its schedule is then already new
}

void TimerScheduler::advance()
{
    const std::int64_t now = clock_();
    for (;;) {
        const std::string* next = nullptr;
        for (auto& [name, s] : schedules_)
            if (s.active && s.due <= now && (!next || s.due < schedules_[*next].due))
                next = &name;
        if (!next)
            return;
        const std::string name = *next;
        fire(name, now);
    }
}

void TimerScheduler::runPending()
{
    for (auto& [name, s] : schedules_) {
        if (s.pending && s.active && !form_.inModal()) {
            s.pending = false;
            form_.tick(name);
        }
    }
}

std::optional<std::int64_t> TimerScheduler::nextDue() const
{
    std::optional<std::int64_t> due;
    for (const auto& [name, s] : schedules_)
        if (s.active && (!due || s.due < *due))
            due = s.due;
    return due;
}

} // namespace aurelith
