// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AudioLog.h"

namespace aurelith {

Q_LOGGING_CATEGORY(lcAudio, "aurelith.audio", QtWarningMsg)

} // namespace aurelith
