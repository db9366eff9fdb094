// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace aurelith {

// The wall-clock time of day as the user's desktop writes it (short format).
class TimeOfDay {
public:
    virtual ~TimeOfDay() = default;
    virtual std::string now() const = 0;
};

// For hosts that show no clock (benchmarks, rigs).
class NoTimeOfDay : public TimeOfDay {
public:
    std::string now() const override { return {}; }
};

} // namespace aurelith
