// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace aurelith {

// Colours are 24-bit values with red in the lowest byte (0x00BBGGRR).
using Colour = std::uint32_t;

// A space, tab or line break: what numbers in data files and words of a
// command line are separated by.
bool isBlank(char c);

// The leading number of a text: blanks skipped, "." as decimal point, 0 when
// the text does not start with a number. Text after the number is ignored.
double leadingNumber(std::string_view text);

// The whole text as a number; fails unless all of it (but surrounding blanks) is one.
std::optional<double> wholeNumber(std::string_view text);

// Plain decimal, at most 15 significant digits, no trailing zeros, no exponent.
std::string formatNumber(double value);

// A loosely typed value as read from a data file: empty, a number or a text.
// GCC 12 takes the string inside the variant for maybe uninitialised where a
// Value holding a number is compared, moved or assigned (a false positive,
// reported in the callers once inlined, so it is silenced here for them).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
class Value {
public:
    Value() = default;
    Value(double number) : data_(number) {}
    Value(int number) : data_(static_cast<double>(number)) {}
    Value(std::string text) : data_(std::move(text)) {}
    Value(const char* text) : data_(std::string(text)) {}

    bool isEmpty() const { return std::holds_alternative<std::monostate>(data_); }
    bool isNumber() const { return std::holds_alternative<double>(data_); }
    bool isText() const { return std::holds_alternative<std::string>(data_); }

    // The value in arithmetic: empty counts as 0, a text only when all of it is a number.
    std::optional<double> number() const;
    // As a 16-bit integer (rounded half to even); fails for texts and out-of-range numbers.
    std::optional<int> int16() const;
    // As a 24-bit colour; fails unless a whole number in 0 ... 0xFFFFFF.
    std::optional<Colour> colour() const;
    // As shown in a text box.
    std::string text() const;

    bool operator==(const Value& other) const = default;

private:
    std::variant<std::monostate, double, std::string> data_;
};
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

} // namespace aurelith
