// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"
#include "app/DataFileNames.h"

#include <string>

namespace aurelith {

// Who must not use the strobe; the Disclaimer box says the same.
extern const char* const kFlashHazard;

// Dialogs that can ask with "Flash" and "Cancel" buttons (Cancel the default)
// implement this too; others are asked with their Yes/No box.
class FlashQuestion {
public:
    virtual ~FlashQuestion() = default;
    // True for "Flash".
    virtual bool askToFlash(const std::string& text, const std::string& title) = 0;
};

std::string flashWarningText(double flashesPerSecond);

// Whether the strobe may start flashing: "Flash" was answered before in this
// folder, or is answered now (and stored). Asked before anything flashes.
bool mayStartFlashing(App& app, double flashesPerSecond);

} // namespace aurelith
