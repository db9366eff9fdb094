// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small pieces both sequence readers share (one definition, so the unity
// build never sees two of them).

#include "sequence/Sequence.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace aurelith::sequence::detail {

// Limits that keep any input, however hostile, small and quick to read.
inline constexpr double kLongestSequenceSeconds = 24 * 3600.0;
inline constexpr std::size_t kMostPoints = 200000;
inline constexpr std::size_t kMostProblems = 50;
inline constexpr double kHighestHz = 20000;
// An SBaGen change-over fades or slides this long either side of its time
// (at most half of each neighbouring period); the writer places its lines for it.
inline constexpr double kHalfChange = 30;

// A plain decimal number filling the whole text ("12", "0.5", ".5"), never
// by the locale, never an exponent, infinity or NaN.
inline std::optional<double> plainNumber(std::string_view text)
{
    if (text.empty() || text.size() > 32)
        return std::nullopt;
    int dots = 0;
    for (char c : text) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return std::nullopt;
    }
    if (dots > 1 || text == ".")
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The name shown for a sequence that names none itself: the file's stem.
inline std::string stemOf(const std::string& fileName)
{
    const std::string stem = std::filesystem::path(fileName).stem().string();
    return stem.empty() ? fileName : stem;
}

inline std::string absoluteBeside(const std::filesystem::path& folder, const std::string& file)
{
    std::filesystem::path path(file);
    if (path.is_relative())
        path = folder / path;
    return path.lexically_normal().string();
}

} // namespace aurelith::sequence::detail
