// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

namespace aurelith {

// The sound outputs' log, one category for all of them. Silent unless asked:
// QT_LOGGING_RULES="aurelith.audio.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcAudio)

} // namespace aurelith
