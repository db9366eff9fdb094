// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TimerScheduler.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace aurelith {
namespace {

std::int64_t dueOf(std::int64_t start, double firstTick, double period, std::int64_t tick)
{
    return start + std::llround(firstTick + static_cast<double>(tick) * period);
}

} // namespace

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
    // A tick held by a dialog runs from the next advance(), once the handler that
    // opened the dialog has finished, never nested inside it.
    form_.onModalEnd([this] {
        if (hasPending() && rescheduled_)
            rescheduled_();
    });
}

void TimerScheduler::rebase(Schedule& s, std::int64_t start, std::int64_t now)
{
    s.start = start;
    s.tick = 0;
    s.due = dueOf(s.start, s.firstTick, s.period, 0);
    skipPast(s, now);
}

// Moves the schedule to its first tick after now, without running the ones between.
void TimerScheduler::skipPast(Schedule& s, std::int64_t now)
{
    if (s.due > now)
        return;
    const double elapsed = static_cast<double>(now - s.start) - s.firstTick;
    std::int64_t tick = std::max<std::int64_t>(s.tick + 1, static_cast<std::int64_t>(std::floor(elapsed / s.period)));
    while (dueOf(s.start, s.firstTick, s.period, tick) <= now)
        ++tick;
    s.tick = tick;
    s.due = dueOf(s.start, s.firstTick, s.period, tick);
}

void TimerScheduler::restart(const Control& timer)
{
    const std::int64_t now = clock_();
    Schedule& s = schedules_[timer.name];
    s.active = timer.timerEnabled && timer.interval > 0 && timer.period > 0;
    s.period = timer.period;
    s.firstTick = timer.firstTick;
    s.group = timer.anchor.empty() ? timer.name : timer.anchor;
    s.pending = false;
    std::int64_t start = now;
    if (!timer.anchor.empty()) {
        auto anchor = schedules_.find(timer.anchor);
        if (anchor != schedules_.end() && anchor->second.active)
            start = anchor->second.start;
    }
    if (!s.active)
        return;
    rebase(s, start, now);
    // Timers that count from this one follow its new start.
    for (auto& [name, other] : schedules_)
        if (name != timer.name && other.active && other.group == timer.name)
            rebase(other, start, now);
}

// The latest tick due by now; only meaningful when the next one is already due.
std::int64_t TimerScheduler::latestDue(const Schedule& s, std::int64_t now)
{
    const double elapsed = static_cast<double>(now - s.start) - s.firstTick;
    std::int64_t tick = std::max<std::int64_t>(s.tick, static_cast<std::int64_t>(std::floor(elapsed / s.period)));
    while (tick > s.tick && dueOf(s.start, s.firstTick, s.period, tick) > now)
        --tick;
    while (dueOf(s.start, s.firstTick, s.period, tick + 1) <= now)
        ++tick;
    return dueOf(s.start, s.firstTick, s.period, tick);
}

void TimerScheduler::fire(const std::string& name, std::int64_t now, std::int64_t groupLatest)
{
    Schedule& s = schedules_[name];
    const std::int64_t due = latestDue(s, now);
    skipPast(s, now);
    // A tick whose turn was taken by a later tick of its group is not run: after a
    // stall the panel shows the phase that is due now, with no flicker of the others.
    if (due < groupLatest)
        return;
    if (form_.inModal()) {
        s.pending = true;
        s.pendingDue = due;
        return;
    }
    form_.tick(name); // may restart this timer: its schedule is then already new
}

void TimerScheduler::advance()
{
    runPending();
    const std::int64_t now = clock_();
    std::map<std::string, std::int64_t> groupLatest;
    for (const auto& [name, s] : schedules_)
        if (s.active && s.due <= now) {
            auto [it, added] = groupLatest.emplace(s.group, latestDue(s, now));
            it->second = std::max(it->second, latestDue(s, now));
        }
    for (;;) {
        const std::string* next = nullptr;
        std::int64_t nextDue = 0;
        for (auto& [name, s] : schedules_)
            if (s.active && s.due <= now && (!next || s.due < nextDue)) {
                next = &name;
                nextDue = s.due;
            }
        if (!next)
            return;
        const std::string name = *next;
        const auto latest = groupLatest.find(schedules_[name].group);
        fire(name, now, latest == groupLatest.end() ? 0 : latest->second);
    }
}

void TimerScheduler::runPending()
{
    std::vector<std::pair<std::int64_t, std::string>> ready;
    for (auto& [name, s] : schedules_)
        if (s.pending && s.active)
            ready.emplace_back(s.pendingDue, name);
    std::sort(ready.begin(), ready.end());
    for (const auto& [due, name] : ready) {
        Schedule& s = schedules_[name];
        if (!s.pending || !s.active || form_.inModal())
            continue;
        s.pending = false;
        bool later = false;
        for (const auto& [otherDue, other] : ready)
            later = later || (other != name && otherDue > due && schedules_[other].group == s.group);
        if (!later)
            form_.tick(name);
    }
}

bool TimerScheduler::hasPending() const
{
    for (const auto& [name, s] : schedules_)
        if (s.pending && s.active)
            return true;
    return false;
}

std::optional<double> TimerScheduler::cyclePhase(std::string_view timer, double atMs) const
{
    const auto it = schedules_.find(std::string(timer));
    if (it == schedules_.end() || !it->second.active)
        return std::nullopt;
    const Schedule& s = it->second;
    const double cycles = (atMs - static_cast<double>(s.start) - s.firstTick) / s.period;
    return cycles - std::floor(cycles);
}

std::optional<std::int64_t> TimerScheduler::nextDue() const
{
    if (hasPending() && !form_.inModal())
        return clock_();
    std::optional<std::int64_t> due;
    for (const auto& [name, s] : schedules_)
        if (s.active && (!due || s.due < *due))
            due = s.due;
    return due;
}

} // namespace aurelith
