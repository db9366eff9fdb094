// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Value.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace aurelith {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the number at the start of text (after blanks were skipped), 0 if none.
size_t numberLength(std::string_view text)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    // An exponent counts only when digits follow it.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// from_chars and to_chars ignore the user's locale: a "," decimal mark must never
// change what a box or a data file means.
double parse(std::string_view number)
{
    if (!number.empty() && number.front() == '+')
        number.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range)
        return number.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    return error == std::errc() ? value : 0;
}

std::string toChars(double value, std::chars_format format, int precision)
{
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    return std::string(buffer, result.ptr);
}

} // namespace

double leadingNumber(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    const size_t length = numberLength(text);
    if (length == 0)
        return 0;
    const double value = parse(text.substr(0, length));
    return std::isfinite(value) ? value : 0;
}

std::optional<double> wholeNumber(std::string_view text)
{
    text = trimmed(text);
    const size_t length = numberLength(text);
    if (length == 0 || length != text.size())
        return std::nullopt;
    const double value = parse(text);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string formatNumber(double value)
{
    if (!std::isfinite(value))
        return "0";
    std::string text = toChars(value, std::chars_format::general, 15);
    if (text.find('e') != std::string::npos) {
        // Rounded to 15 significant digits, then written out in full.
        double rounded = parse(text);
        // The largest doubles round up past the largest double: write those unrounded.
        if (!std::isfinite(rounded))
            rounded = value;
        const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(rounded))));
        text = toChars(rounded, std::chars_format::fixed, exponent < 0 ? 14 - exponent : 0);
        if (text.find('.') != std::string::npos) {
            while (text.back() == '0')
                text.pop_back();
            if (text.back() == '.')
                text.pop_back();
        }
    }
    if (text == "-0")
        text = "0";
    return text;
}

std::optional<double> Value::number() const
{
    if (isEmpty())
        return 0.0;
    if (const double* number = std::get_if<double>(&data_))
        return *number;
    return wholeNumber(std::get<std::string>(data_));
}

std::optional<int> Value::int16() const
{
    const std::optional<double> n = number();
    if (!n)
        return std::nullopt;
    const double rounded = std::nearbyint(*n); // the default mode rounds half to even
    if (rounded < -32768 || rounded > 32767)
        return std::nullopt;
    return static_cast<int>(rounded);
}

std::optional<Colour> Value::colour() const
{
    if (!isNumber())
        return std::nullopt;
    const double n = std::get<double>(data_);
    if (n < 0 || n > 0xFFFFFF || n != std::floor(n))
        return std::nullopt;
    return static_cast<Colour>(n);
}

std::string Value::text() const
{
    if (isEmpty())
        return "";
    if (const double* number = std::get_if<double>(&data_))
        return formatNumber(*number);
    return std::get<std::string>(data_);
}

} // namespace aurelith
