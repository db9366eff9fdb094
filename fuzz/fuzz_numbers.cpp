// SPDX-License-Identifier: GPL-3.0-or-later
// Any text through the two number readers, and any double through
// formatNumber and back.
#include "core/Value.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

using namespace aurelith;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void roundTrip(double x)
{
    const std::string text = formatNumber(x);
    check(!text.empty() && text.find_first_of("eE") == std::string::npos);
    if (!std::isfinite(x)) {
        check(text == "0");
        return;
    }
    const std::optional<double> back = wholeNumber(text);
    check(back.has_value());
    check(leadingNumber(text) == *back);
    // Fifteen significant digits, and a second pass changes nothing.
    const double tolerance = std::max(std::fabs(x) * 1e-14, std::numeric_limits<double>::denorm_min());
    check(std::fabs(*back - x) <= tolerance);
    check(formatNumber(*back) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double leading = leadingNumber(text);
    check(std::isfinite(leading));
    const std::optional<double> whole = wholeNumber(text);
    if (whole) {
        check(std::isfinite(*whole));
        check(leading == *whole);
    }
    roundTrip(leading);
    if (whole)
        roundTrip(*whole);
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        roundTrip(raw);
    }
    const Value value{std::string(text)};
    if (const auto n = value.number())
        check(whole && *n == *whole);
    (void)value.int16();
    return 0;
}
