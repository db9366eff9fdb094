// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AppFixture.h"
#include "tone/ToneWriter.h"

#include <cstdint>
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
    write(3, 10);
    EXPECT_EQ(write(1, 15600), fresh);
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
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(file, 4), 43u);
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(file, 16), 16u);
    EXPECT_EQ(hex(file.substr(20, 4)), "01 00 01 00");
    EXPECT_EQ(le32(file, 24), 44100u);
    EXPECT_EQ(le32(file, 28), 88200u);
    EXPECT_EQ(hex(file.substr(32, 4)), "02 00 10 00");
    EXPECT_EQ(file.substr(36, 4), "data");
    EXPECT_EQ(le32(file, 40), 7u);
    EXPECT_EQ(file.size(), 51u);
}

TEST_F(ToneWriterTest, HighestFrequencyInEveryWaveform)
{
    EXPECT_EQ(hex(samples(write(1, 15600))), "00 71 64 E7 85 AB FF");
    EXPECT_EQ(hex(samples(write(2, 15600))), "7F 7F 7F 81 81 81 FF");
    EXPECT_EQ(hex(samples(write(3, 15600))), "00 2C 59 86 B3 E0 00");
    EXPECT_EQ(hex(samples(write(4, 15600))), "00 59 7F 25 CB 81 DA FF");
}

TEST_F(ToneWriterTest, ValueCountsAt159Hz)
{
    EXPECT_EQ(write(1, 159).size(), 555u + 45);
    EXPECT_EQ(write(2, 159).size(), 556u + 45);
    EXPECT_EQ(write(3, 159).size(), 555u + 45);
    EXPECT_EQ(write(4, 159).size(), 556u + 45);
}

TEST_F(ToneWriterTest, SquareIsTwoRunsAndAFinalHighByte)
{
    for (double hz : {10.0, 159.0, 440.0, 7000.0}) {
        const int run = static_cast<int>(44100 / hz) + 1;
        const std::string expected = std::string(run, '\x7F') + std::string(run, '\x81') + "\xFF";
        EXPECT_EQ(samples(write(2, hz)), expected) << hz;
    }
}

TEST_F(ToneWriterTest, SawtoothValuesAbove127KeepOnlyTheirLowByte)
{
    const std::string bytes = samples(write(3, 159));
    // 88200/159 values per cycle: value 200 is reached at position ceil(200/254 * 554.7).
    EXPECT_NE(bytes.find('\xC8'), std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(bytes.back()), 0x00);
}

TEST_F(ToneWriterTest, LowestFrequencyStaysWellBelowTheSixteenBitLimit)
{
    const std::string sine = write(1, 10);
    EXPECT_EQ(sine.size(), 8820u + 45);
    EXPECT_EQ(le32(sine, 4), sine.size() - 8);
    EXPECT_EQ(le32(sine, 40), sine.size() - 44);
    EXPECT_LT(write(4, 10).size(), 32768u);
}

TEST_F(ToneWriterTest, ShorterRewriteLeavesNoStaleBytes)
{
    write(1, 10);
    const std::string file = write(1, 15600);
    EXPECT_EQ(file.size(), 51u);
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
    ASSERT_EQ(file.size(), 42u);
    EXPECT_EQ(le32(file, 4), 0u);
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(hex(file.substr(40, 2)), "00 00");
}

} // namespace
} // namespace aurelith::test
