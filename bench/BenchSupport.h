#pragma once

// What the benchmarks share: dialogs nobody answers and a long masking file.
#include "ports/Dialogs.h"
#include "../tests/support/WavBytes.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace aurelith::bench {

class SilentDialogs : public Dialogs {
public:
    void message(const std::string&, const std::string&) override {}
    bool confirm(const std::string&, const std::string&) override { return false; }
    std::optional<std::string> input(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<Colour> pickColour(Colour) override { return std::nullopt; }
};

inline void writeStereoWav(const std::filesystem::path& path, int seconds)
{
    const std::uint32_t frames = 44100u * seconds;
    std::ofstream out(path, std::ios::binary);
    out << test::wavHeader(frames * 4, 2);
    std::vector<std::int16_t> block(2 * 44100);
    std::uint32_t noise = 1;
    for (int s = 0; s < seconds; ++s) {
        for (auto& v : block) {
            noise = noise * 1664525u + 1013904223u;
            v = static_cast<std::int16_t>(noise >> 20);
        }
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 2));
    }
}

} // namespace aurelith::bench
