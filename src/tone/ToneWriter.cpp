// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone/ToneWriter.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/DataFileNames.h"
#include "core/ToneLimits.h"

namespace aurelith {
namespace {

constexpr double kPi = 3.141592654;
constexpr double kTwoPi = 2 * 3.141592654;

void put16(std::vector<unsigned char>& bytes, size_t offset, int value)
{
    if (bytes.size() < offset + 2)
        bytes.resize(offset + 2, 0);
    bytes[offset] = static_cast<unsigned char>(value & 0xFF);
    bytes[offset + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

void put32(std::vector<unsigned char>& bytes, size_t offset, std::int32_t value)
{
    if (bytes.size() < offset + 4)
        bytes.resize(offset + 4, 0);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<unsigned char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
}

void putText(std::vector<unsigned char>& bytes, size_t offset, const char* text)
{
    for (size_t i = 0; text[i]; ++i) {
        if (bytes.size() <= offset + i)
            bytes.resize(offset + i + 1, 0);
        bytes[offset + i] = static_cast<unsigned char>(text[i]);
    }
}

// The header as first written: both size fields provisionally a 2-byte 0.
std::vector<unsigned char> provisionalHeader()
{
    std::vector<unsigned char> h;
    putText(h, 0, "RIFF");
    put16(h, 4, 0);
    putText(h, 8, "WAVEfmt ");
    put32(h, 16, 16);
    put16(h, 20, 1);
    put16(h, 22, 1);
    put32(h, 24, kSampleRate);
    put32(h, 28, 88200);
    put16(h, 32, 2);
    put16(h, 34, 16);
    putText(h, 36, "data");
    put16(h, 40, 0);
    return h;
}

int floor16(double x) { return static_cast<std::int16_t>(static_cast<int>(std::floor(x))); }

// The sample values of one cycle, by waveform; the loops compare the accumulated
// position with the end, so an end reached exactly is included.
std::vector<int> sineValues(double f)
{
    std::vector<int> values;
    const double step = kPi / (kSampleRate / f);
    for (double x = 0; x <= kTwoPi; x += step)
        values.push_back(floor16(127 * std::sin(x)));
    return values;
}

std::vector<int> squareValues(double f)
{
    std::vector<int> values;
    const double period = kSampleRate / f;
    for (int level = 1; level >= -1; level -= 2)
        for (double x = 0; x <= period; x += 1)
            values.push_back(level * 127);
    return values;
}

std::vector<int> sawtoothValues(double f)
{
    std::vector<int> values;
    const double period = kSampleRate / (f / 2);
    for (double x = 0; x <= period; x += 1)
        values.push_back(floor16(x / period * 254));
    return values;
}

std::vector<int> triangleValues(double f)
{
    std::vector<int> values;
    const double p = kSampleRate / f;
    for (double x = 0; x <= p / 2; x += 1)
        values.push_back(floor16(x / p * 254));
    for (double x = 0; x <= p; x += 1)
        values.push_back(floor16(-127 - (x - p) * 254 / p));
    for (double x = 0; x <= p / 2; x += 1)
        values.push_back(floor16(x / p * 254 - 127));
    return values;
}

} // namespace

std::filesystem::path ToneWriter::tonePath(int channel) const { return files.pathOf(dataFile::toneFile(channel)); }

bool ToneWriter::writeHeaderOnly(int channel)
{
    const std::filesystem::path path = tonePath(channel);
    std::vector<unsigned char>& bytes = state.toneBytes[channel == 1 ? 0 : 1];
    bytes = provisionalHeader();
    state.toneWaves[channel == 1 ? 0 : 1] = ToneWave::unknown;
    return files.overwrite(dataFile::toneFile(channel), bytes);
}

namespace {

// Packs the values one byte apart, each 16-bit write overwriting the previous
// high byte, and fixes both size fields from the resulting length.
void packTone(ToneState& s, int channel, const std::vector<int>& values)
{
    std::vector<unsigned char>& bytes = s.toneBytes[channel == 1 ? 0 : 1];
    bytes = provisionalHeader();
    for (size_t j = 0; j < values.size(); ++j)
        put16(bytes, 44 + j, values[j]);
    const int length = static_cast<std::int16_t>(bytes.size());
    put32(bytes, 4, length - 8);
    put32(bytes, 40, length - 44);
}

} // namespace

bool ToneWriter::write(int channel, ToneWave wave, std::vector<int> (*generate)(double))
{
    const std::filesystem::path path = tonePath(channel);
    packTone(state, channel, generate(channel == 1 ? state.leftFreq : state.rightFreq));
    state.toneWaves[channel == 1 ? 0 : 1] = wave;
    return files.overwrite(dataFile::toneFile(channel), state.toneBytes[channel == 1 ? 0 : 1]);
}

bool ToneWriter::writeSineTone(int channel) { return write(channel, ToneWave::sine, sineValues); }
bool ToneWriter::writeSquareTone(int channel) { return write(channel, ToneWave::square, squareValues); }
bool ToneWriter::writeSawtoothTone(int channel) { return write(channel, ToneWave::sawtooth, sawtoothValues); }
bool ToneWriter::writeTriangleTone(int channel) { return write(channel, ToneWave::triangle, triangleValues); }

bool ToneWriter::writeChannelTone(int channel)
{
    switch (state.waveform) {
    case Waveform::sine: return writeSineTone(channel);
    case Waveform::square: return writeSquareTone(channel);
    case Waveform::sawtooth: return writeSawtoothTone(channel);
    case Waveform::triangle: return writeTriangleTone(channel);
    default: return false;
    }
}

} // namespace aurelith
