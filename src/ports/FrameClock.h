// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace aurelith {

// When the display shows what the window paints, as far as the platform can tell.
struct DisplayTiming {
    double periodMs = 0; // between frames: learned from presented times, else the screen's refresh rate; 0 unknown
    // How long before a frame a change of the flash surface must be made to be
    // shown on it: the measured commit-to-present delay, or on a display that
    // takes a target frame half a frame and a margin.
    double delayMs = 0;
    bool presented = false;   // each change's presented time is reported: the strobe plans on frames
    double frameOriginMs = 0; // where presented, frames are shown at frameOriginMs + n x periodMs
};

// The flash surface's display. The strobe asks it when frames are shown and
// tells it, before each colour change, the moment the change is meant to be seen.
class FrameClock {
public:
    virtual ~FrameClock() = default;
    // Monotonic milliseconds: presented and intended times are on this clock.
    virtual double nowMs() const = 0;
    virtual DisplayTiming timing() const = 0;
    // The next colour of the flash surface is meant to be seen at intendedMs;
    // a display that takes target frames shows it on the frame nearest that.
    virtual void intend(double intendedMs) = 0;
};

// No display to ask: the strobe paints on its timers, as it always has.
class NoFrameClock : public FrameClock {
public:
    double nowMs() const override { return 0; }
    DisplayTiming timing() const override { return {}; }
    void intend(double) override {}
};

} // namespace aurelith
