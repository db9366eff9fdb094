// SPDX-License-Identifier: GPL-3.0-or-later
#include "sequence/SequenceSession.h"

#include "core/Value.h"
#include "tone/ChannelText.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"

#include <cmath>
#include <map>
#include <memory>

namespace aurelith::sequence {
namespace {

using namespace ctl;

constexpr int kTickMs = 200;

std::map<const App*, std::unique_ptr<SequenceSession>>& sessions()
{
    static std::map<const App*, std::unique_ptr<SequenceSession>> all;
    return all;
}

// A bar's level (hundredths of a dB, less the sleep timer's fade) as a gain.
double gainOf(const App& app, std::string_view bar)
{
    const int level = fadedLevel(app, app.form.value(bar));
    return level <= kSilentLevel ? 0.0 : std::pow(10.0, level / 2000.0);
}

std::string hundredths(double hz) { return formatNumber(std::round(hz * 100) / 100); }

std::string timeLeft(double seconds)
{
    const long s = std::lround(std::max(0.0, seconds));
    const std::string ss = std::to_string(s % 60);
    return std::to_string(s / 60) + ":" + (ss.size() < 2 ? "0" + ss : ss);
}

} // namespace

SequenceSession::SequenceSession(App& app, GlideVoices& voices, std::function<void()> started)
    : app_(app), player_(voices), started_(std::move(started))
{
}

bool SequenceSession::play(const Sequence& sequence, double fromSeconds)
{
    stopTones(app_); // ends any sequence playing, through beforeWindowTones
    applyLevels();
    if (!player_.play(sequence, fromSeconds))
        return false;
    app_.inhibitor->holdSystemAwake(true);
    app_.form.setTimerInterval(tmrSequence, kTickMs);
    app_.form.setTimerEnabled(tmrSequence, true);
    show();
    if (started_)
        started_();
    return true;
}

bool SequenceSession::replace(const Sequence& sequence) { return player_.playing() && player_.replace(sequence); }

void SequenceSession::seek(double seconds)
{
    if (player_.playing()) {
        player_.seek(seconds);
        show();
    }
}

void SequenceSession::stop()
{
    if (!player_.playing())
        return;
    player_.stop();
    ended();
}

void SequenceSession::tick()
{
    if (player_.finished() || !player_.playing()) {
        ended();
        return;
    }
    applyLevels(); // the bars may have moved, or the sleep timer faded them
    show();
}

void SequenceSession::applyLevels() { player_.setLevels(gainOf(app_, scrToneVol), gainOf(app_, scrMaskVol)); }

// The boxes mean what they always do: the first box's tone is heard in the
// right ear, the second's in the left.
void SequenceSession::show()
{
    if (const std::optional<TonePair> pair = player_.currentPair()) {
        app_.form.setText(txtSetFreq1, hundredths(pair->rightHz));
        app_.form.setText(txtsetfreq2, hundredths(pair->leftHz));
        showBeat(app_);
    }
    const Sequence* s = player_.sequence();
    app_.form.setCaption(tmrSequence, s ? " - " + s->name + ", " + timeLeft(s->lengthSeconds - position()) + " left"
                                        : std::string());
}

void SequenceSession::ended()
{
    app_.form.setTimerEnabled(tmrSequence, false);
    app_.form.setCaption(tmrSequence, "");
    // The window's own tones take the hold again if they start now.
    app_.inhibitor->holdSystemAwake(false);
}

void bindSequenceSession(App& app, std::function<void()> started)
{
    GlideVoices* voices = app.sound.glideVoices();
    if (!voices) {
        sessions().erase(&app);
        return;
    }
    auto& session = sessions()[&app];
    session = std::make_unique<SequenceSession>(app, *voices, std::move(started));
    SequenceSession* s = session.get();
    app.form.onTimer(tmrSequence, [s] { s->tick(); });
    beforeWindowTones(app, [s] { s->stop(); });
    addSoundSource(app, [s] { s->stop(); });
}

SequenceSession* sequenceSession(const App& app)
{
    const auto it = sessions().find(&app);
    return it == sessions().end() ? nullptr : it->second.get();
}

} // namespace aurelith::sequence
