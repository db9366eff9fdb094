// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/AudioOutput.h"

#include <QLoggingCategory>

#include <cstdint>

namespace aurelith {

// The sound outputs' log, one category for all of them. Silent unless asked:
// QT_LOGGING_RULES="aurelith.audio.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcAudio)

// What an open output reports once its own faults are logged: lost when its
// device or server went away, idle after kOutputIdleSeconds of silence,
// playing otherwise; the first two are said in the log.
AudioOutput::Health openOutputHealth(bool lost, std::int64_t silentFrames, double rate);

} // namespace aurelith
