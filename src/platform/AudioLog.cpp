// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AudioLog.h"

namespace aurelith {

Q_LOGGING_CATEGORY(lcAudio, "aurelith.audio", QtWarningMsg)

AudioOutput::Health openOutputHealth(bool lost, std::int64_t silentFrames, double rate)
{
    if (lost) {
        qCInfo(lcAudio) << "the output went away (device removed or sound server gone)";
        return AudioOutput::Health::Lost;
    }
    if (silentLongEnough(silentFrames, rate)) {
        qCInfo(lcAudio) << "nothing to play for" << kOutputIdleSeconds << "s: closing the output until the next start";
        return AudioOutput::Health::Idle;
    }
    return AudioOutput::Health::Playing;
}

} // namespace aurelith
