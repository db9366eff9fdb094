// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// "Mask" steps through the eight masking sounds, shown on the Mode panel's rows.
void bindMaskSelector(App& app);

} // namespace aurelith
