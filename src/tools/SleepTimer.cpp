// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/SleepTimer.h"

#include "app/ModePanel.h"
#include "photic/Strobe.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace aurelith {

using namespace ctl;

namespace {

constexpr int kMinuteMs = 60000;
// The fade steps often enough that no step is heard as one.
constexpr int kFadeStepMs = 250;
constexpr int kFadeSteps = kSleepFadeMs / kFadeStepMs;

// The countdown, shared by the handlers that bind it.
class SleepTimer {
public:
    explicit SleepTimer(App& app) : app_(app) {}

    // Starts (or, with 0, cancels) a timer of this many minutes; false for a
    // number out of range, which changes nothing.
    bool set(int minutes)
    {
        if (minutes < 0 || minutes > kSleepMaxMinutes)
            return false;
        // A fade already begun has left the buffers quieter than the bars say.
        const bool wasFading = fadeStep_ > 0;
        cancel();
        if (wasFading)
            fadeTo(0);
        if (minutes == 0)
            return true;
        minutesLeft_ = minutes;
        app_.form.setTimerInterval(tmrSleep, kMinuteMs);
        app_.form.setTimerEnabled(tmrSleep, true);
        showLeft();
        return true;
    }

    void tick()
    {
        if (fadeStep_ < 0 && --minutesLeft_ > 0) {
            showLeft();
            return;
        }
        if (fadeStep_ < 0) {
            fadeStep_ = 0;
            app_.form.setTimerInterval(tmrSleep, kFadeStepMs);
            showLeft();
        }
        fadeTo(++fadeStep_);
        if (fadeStep_ < kFadeSteps)
            return;
        cancel();
        // Whatever could start the sound again (a scan's next step) ends too.
        stopEverySound(app_);
        if (strobeRunning(app_))
            ColorOff(app_);
    }

private:
    void cancel()
    {
        minutesLeft_ = 0;
        fadeStep_ = -1;
        setFadeDrop(app_, 0);
        app_.form.setTimerEnabled(tmrSleep, false);
        showLeft();
    }

    void showLeft()
    {
        std::string caption;
        if (fadeStep_ >= 0)
            caption = " - going to sleep";
        else if (minutesLeft_ > 0)
            caption = " - sleep in " + std::to_string(minutesLeft_) + " min";
        app_.form.setCaption(tmrSleep, caption);
    }

    // Linear in amplitude, from the bars' own levels, which stay where they
    // are so that the next "Start" plays as loud as before.
    void fadeTo(int step)
    {
        const double gain = 1.0 - static_cast<double>(step) / kFadeSteps;
        // Kept in the state, so that tones rebuilt meanwhile (a scanner step)
        // start at the faded level rather than at the bars' own.
        setFadeDrop(app_, gain > 0 ? static_cast<int>(std::lround(2000 * std::log10(gain))) : kSilentLevel);
        const int tone = fadedLevel(app_, app_.form.value(scrToneVol));
        const int mask = fadedLevel(app_, app_.form.value(scrMaskVol));
        const SoundSlots& buffers = app_.state.tone.soundBuffers;
        for (const SoundSlot slot : {SoundSlot::tone1, SoundSlot::tone2})
            if (buffers[slot])
                buffers[slot]->setVolume(tone);
        if (buffers[SoundSlot::mask])
            buffers[SoundSlot::mask]->setVolume(mask);
    }

    App& app_;
    int minutesLeft_ = 0;
    int fadeStep_ = -1; // -1: still counting down
};

} // namespace

void bindSleepTimer(App& app)
{
    Form& form = app.form;
    auto timer = std::make_shared<SleepTimer>(app);
    form.onTimer(tmrSleep, [timer] { timer->tick(); });
    form.onClick(optSleep, [&app, timer] {
        const auto typed = [&] {
            const Form::ModalScope modal(app.form);
            return app.dialogs.input("Sleep after how many minutes? (1 to " + std::to_string(kSleepMaxMinutes) +
                                         ", 0 cancels the timer)",
                                     "Sleep Timer", "");
        }();
        if (!typed)
            return;
        const auto minutes = wholeNumber(*typed);
        if (!minutes || !timer->set(static_cast<int>(*minutes)))
            app.message("Enter a whole number of minutes from 1 to " + std::to_string(kSleepMaxMinutes) +
                            ", or 0 to cancel the timer.",
                        "Sleep Timer");
    });
    // "Stop" (and anything else that puts the sound lamp out) ends the timer.
    form.addObserver([&app, timer](const Control& c, Property property) {
        if (property == Property::BackColour && c.name == modePanel::kSoundLamp && app.form.timerEnabled(tmrSleep) &&
            app.form.backColour(modePanel::kSoundLamp) == app.state.strobe.lampOffColour.colour())
            timer->set(0);
    });
}

} // namespace aurelith
