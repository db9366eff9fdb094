// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Value.h"

#include <optional>
#include <string>

namespace aurelith {

enum class ScanDirection { none, up, down };
enum class ScanBankMode { inert, store, recall };

// The scanner and the scan banks.
// Owner: scan/ (scan/ScanWrites.h); shell/ restores it.
struct ScanState {
    ScanDirection scanDirection = ScanDirection::none;
    Value pendingLeftText = 160; // the pair the next scanner step puts in the boxes
    Value pendingRightText = 161;
    std::optional<std::string> upperLimitText; // as typed; unset matches nothing
    std::optional<std::string> lowerLimitText;
    int loopNumber = 0;
    Value scanBankGroup = 1; // read from its file: a file may hold anything
    ScanBankMode scanBankMode = ScanBankMode::inert;
    Value scanPairLeft; // the pair last stored or recalled by a scan bank
    Value scanPairRight;
};

} // namespace aurelith
