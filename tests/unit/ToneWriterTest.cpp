// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AppFixture.h"
#include "support/WavBytes.h"
#include "tone/ToneWriter.h"

#include <cstdint>
#include <ostream>
#include <sys/stat.h>

namespace aurelith::test {
namespace {

class ToneWriterTest : public ::testing::Test {
protected:
    std::string write(int waveform, double hz, int channel = 1)
    {
        state.waveform = static_cast<Waveform>(waveform);
        (channel == 1 ? state.leftFreq : state.rightFreq) = hz;
        writer.writeChannelTone(channel);
        return readBytes(folder.path / (channel == 1 ? "freq1.wav" : "freq2.wav"));
    }
    static std::uint32_t le32(const std::string& b, size_t at)
    {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(b[at + i]);
        return v;
    }
    static std::string samples(const std::string& file) { return file.substr(44); }
    static std::string hex(const std::string& bytes)
    {
        static const char* digits = "0123456789ABCDEF";
        std::string out;
        for (unsigned char c : bytes) {
            if (!out.empty())
                out += ' ';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
        return out;
    }

    TempFolder folder;
    ToneState state;
    DataFiles files{folder.path};
    ToneWriter writer{state, files};
};

// Files are rewritten in place: a shorter tone must leave nothing of the longer one.
TEST_F(ToneWriterTest, RewritingInPlaceLeavesExactlyTheNewTone)
{
    const std::string fresh = write(1, 15600);
    for (int longer : {1, 3}) {
        write(longer, 10);
        EXPECT_EQ(write(1, 15600), fresh) << "after waveform " << longer;
    }
    writeBytes(folder.path / "freq2.wav", std::string(100000, 'x'));
    fs::permissions(folder.path / "freq2.wav", fs::perms::owner_read);
    EXPECT_EQ(write(1, 15600, 2), fresh);
}

// What was written is kept for the sound buffers even where no file can be:
// a FIFO in the file's place is replaced without waiting for a reader, a
// deleted folder is made again, a folder that cannot be made costs only the file.
TEST_F(ToneWriterTest, BytesAreKeptWhateverHappensToTheFile)
{
    ASSERT_EQ(::mkfifo((folder.path / "freq1.wav").c_str(), 0600), 0);
    const std::string fresh = write(1, 440);
    EXPECT_EQ(std::string(state.toneBytes[0].begin(), state.toneBytes[0].end()), fresh);
    fs::remove_all(folder.path);
    EXPECT_EQ(write(1, 440), fresh);
    EXPECT_EQ(fs::status(folder.path).permissions(), fs::perms::owner_all);
    fs::remove_all(folder.path);
    writeBytes(folder.path, "a file where the folder was");
    state.rightFreq = 440;
    EXPECT_FALSE(writer.writeSineTone(2));
    EXPECT_EQ(std::string(state.toneBytes[1].begin(), state.toneBytes[1].end()), fresh);
}

TEST_F(ToneWriterTest, HeaderDeclares16BitMonoAt44100AndSizesFollowTheLength)
{
    const std::string file = write(1, 15600);
    ASSERT_EQ(file.size(), 51u);
    EXPECT_EQ(hex(file.substr(0, 44)), hex(wavHeader(7)));
}

// Each waveform (1 sine, 2 square, 3 sawtooth, 4 triangle) across the range:
// the exact bytes where they are few, the length where they are many. Every
// file's header agrees with its length, which stays well below the 16-bit
// limit, and a square is two equal runs and a final high byte.
struct WaveCase {
    int waveform;
    double hz;
    std::size_t size;    // the whole file; 0: not this case's point
    const char* samples; // after the header, in hex; nullptr: likewise
};
void PrintTo(const WaveCase& c, std::ostream* os) { *os << "waveform " << c.waveform << " at " << c.hz << " Hz"; }

class ToneWaveTest : public ToneWriterTest, public ::testing::WithParamInterface<WaveCase> {};

TEST_P(ToneWaveTest, BytesOfEachWaveformAtEachFrequency)
{
    const WaveCase& c = GetParam();
    const std::string file = write(c.waveform, c.hz);
    EXPECT_TRUE(!c.size || file.size() == c.size) << file.size();
    EXPECT_TRUE(!c.samples || hex(samples(file)) == c.samples) << hex(samples(file));
    EXPECT_EQ(le32(file, 4), file.size() - 8);
    EXPECT_EQ(le32(file, 40), file.size() - 44);
    EXPECT_LT(file.size(), 32768u);
    if (c.waveform == 2) {
        const auto run = static_cast<std::size_t>(44100 / c.hz) + 1;
        EXPECT_EQ(samples(file), std::string(run, '\x7F') + std::string(run, '\x81') + "\xFF");
    }
}

INSTANTIATE_TEST_SUITE_P(
    AcrossTheRange, ToneWaveTest,
    ::testing::Values(WaveCase{1, 15600, 51, "00 71 64 E7 85 AB FF"}, WaveCase{2, 15600, 0, "7F 7F 7F 81 81 81 FF"},
                      WaveCase{3, 15600, 0, "00 2C 59 86 B3 E0 00"}, WaveCase{4, 15600, 0, "00 59 7F 25 CB 81 DA FF"},
                      WaveCase{1, 159, 555 + 45, nullptr}, WaveCase{2, 159, 556 + 45, nullptr},
                      WaveCase{3, 159, 555 + 45, nullptr}, WaveCase{4, 159, 556 + 45, nullptr},
                      WaveCase{1, 10, 8820 + 45, nullptr}, WaveCase{2, 10, 0, nullptr}, WaveCase{4, 10, 0, nullptr},
                      WaveCase{2, 440, 0, nullptr}, WaveCase{2, 7000, 0, nullptr}));

TEST_F(ToneWriterTest, SawtoothValuesAbove127KeepOnlyTheirLowByte)
{
    const std::string bytes = samples(write(3, 159));
    // 88200/159 values per cycle: value 200 is reached at position ceil(200/254 * 554.7).
    EXPECT_NE(bytes.find('\xC8'), std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(bytes.back()), 0x00);
}

TEST_F(ToneWriterTest, ChannelsAreIndependent)
{
    const std::string first = write(1, 200, 1);
    write(1, 300, 2);
    EXPECT_EQ(readBytes(folder.path / "freq1.wav"), first);
}

TEST_F(ToneWriterTest, UnknownWaveformLeavesTheFileAlone)
{
    const std::string before = write(1, 200);
    EXPECT_EQ(write(7, 400), before);
}

TEST_F(ToneWriterTest, HeaderOnlyFileIs42Bytes)
{
    write(1, 200);
    writer.writeHeaderOnly(1);
    const std::string file = readBytes(folder.path / "freq1.wav");
    EXPECT_EQ(hex(file), hex(wavHeader(0, 1, 2)));
}

} // namespace
} // namespace aurelith::test
