// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Hand-made 16-bit PCM WAV files at 44100 Hz, for tests and benchmarks that need
// a sound file byte by byte (a header-only tone file, a mask, a long noise).

#include <cstdint>
#include <string>

namespace aurelith::test {

// Appends `bytes` little-endian bytes of value.
inline void appendLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The 44-byte header as the tone writer makes it. An empty file declares a RIFF
// size of 0; the data size field may be cut to two bytes, as in a header-only tone file.
inline std::string wavHeader(std::uint32_t dataBytes, int channels = 1, int dataSizeWidth = 4)
{
    std::string h = "RIFF";
    appendLe(h, dataBytes == 0 ? 0 : 36 + dataBytes, 4);
    h += "WAVEfmt ";
    appendLe(h, 16, 4);
    appendLe(h, 1, 2); // PCM
    appendLe(h, static_cast<std::uint32_t>(channels), 2);
    appendLe(h, 44100, 4);
    appendLe(h, 44100u * 2u * static_cast<std::uint32_t>(channels), 4);
    appendLe(h, 2u * static_cast<std::uint32_t>(channels), 2);
    appendLe(h, 16, 2);
    h += "data";
    appendLe(h, dataBytes, dataSizeWidth);
    return h;
}

} // namespace aurelith::test
