// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundDecoder.h"
#include "support/SoundFile.h"
#include "support/TempFolder.h"
#include "support/WavBytes.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>

namespace aurelith {
namespace {

using namespace test;

std::shared_ptr<const PcmData> decodeBytes(const std::string& bytes, std::size_t size)
{
    return SoundDecoder::decodeBytes(reinterpret_cast<const unsigned char*>(bytes.data()), size);
}

class SoundDecoderTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return (folder / name).string(); }

    // Frame f of channel c holds (f + 1000 c) / 2^15, exact in 16 bits.
    void writeSound(const std::string& file, int format, int channels, long frames) const
    {
        std::vector<float> samples;
        for (long f = 0; f < frames; ++f) {
            for (int c = 0; c < channels; ++c) {
                samples.push_back(static_cast<float>((f % 1000 + 1000 * c) / 32768.0));
            }
        }
        ASSERT_TRUE(writeSoundFile(file, format, 44100, channels, samples)) << sf_strerror(nullptr);
    }

    // Over the cache threshold: one second of 16-bit stereo.
    void writeLarge(const std::string& file, long frames = 44100) const
    {
        writeSound(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, frames);
    }

    test::TempFolder temp;
    const std::filesystem::path& folder = temp.path;
    SoundDecoder decoder;
};

TEST_F(SoundDecoderTest, ToneFileWithOddDataSizeLoads)
{
    std::string wav = wavHeader(551);
    for (int i = 0; i < 275; ++i) {
        appendLe(wav, static_cast<std::uint32_t>(i * 100), 2);
    }
    wav += '\x7f'; // half a sample, no pad byte
    writeBytes(path("freq1.wav"), wav);

    auto pcm = decoder.decode(path("freq1.wav"));
    ASSERT_NE(pcm, nullptr);
    EXPECT_EQ(std::tuple(pcm->frames, pcm->channels, pcm->sampleRate), std::tuple(275, 1, 44100));
    EXPECT_FLOAT_EQ(pcm->samples[274], 27400 / 32768.0f);
}

TEST_F(SoundDecoderTest, UnusableFilesFail)
{
    writeBytes(path("header44.wav"), wavHeader(0));
    writeBytes(path("header42.wav"), wavHeader(0, 1, 2));
    writeBytes(path("empty.wav"), {});
    std::string garbage;
    for (int i = 0; i < 5000; ++i) {
        garbage += static_cast<char>(i * 7919 % 251);
    }
    writeBytes(path("garbage.wav"), garbage);
    std::filesystem::create_directory(folder / "folder.wav");

    for (const char* name : {"header44.wav", "header42.wav", "empty.wav", "garbage.wav", "folder.wav", "missing.wav"}) {
        EXPECT_EQ(decoder.decode(path(name)), nullptr) << name;
    }
}

// Decoding from memory reads what the same bytes on disk would give, every
// prefix of them included (a cut-short buffer is no sound, never a crash).
TEST_F(SoundDecoderTest, BytesInMemoryDecodeAsTheFileWould)
{
    writeSound(path("tone.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 300);
    const std::string bytes = readBytes(path("tone.wav"));
    const auto fromFile = SoundDecoder::decodeFile(path("tone.wav"));
    const auto fromMemory = decodeBytes(bytes, bytes.size());
    ASSERT_NE(fromMemory, nullptr);
    EXPECT_EQ(fromMemory->samples, fromFile->samples);
    EXPECT_EQ(fromMemory->sampleRate, 44100);
    for (size_t cut = 0; cut < bytes.size(); cut += 7) {
        const auto part = decodeBytes(bytes, cut);
        if (part) {
            EXPECT_LE(part->frames, 300);
        }
    }
    const std::string header = wavHeader(0, 1, 2);
    EXPECT_EQ(decodeBytes(header, header.size()), nullptr);
    EXPECT_EQ(SoundDecoder::decodeBytes(nullptr, 0), nullptr);
}

// Whatever the name says: the front pair, to the end; lossless ones exactly.
TEST_F(SoundDecoderTest, EachFormatDecodesItsFrontPairToTheEnd)
{
    const struct {
        const char* name;
        int format;
        int channels;
        long frames;
        long frame; // a frame checked sample by sample; -1: lossy
    } cases[] = {{"mask2.wav", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 3000, 999}, // found by content
                 {"surround.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 6, 100, 50},
                 {"rain.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 2, 44100, -1},
                 {"rain.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeSound(path(c.name), c.format, c.channels, c.frames);
        const auto pcm = decoder.decode(path(c.name));
        ASSERT_NE(pcm, nullptr);
        EXPECT_EQ(pcm->channels, 2);
        if (c.frame < 0) {
            EXPECT_NEAR(pcm->frames, c.frames, 2000);
            continue;
        }
        EXPECT_EQ(pcm->frames, c.frames);
        EXPECT_EQ(pcm->samples.size(), 2u * static_cast<std::size_t>(c.frames));
        EXPECT_FLOAT_EQ(pcm->samples[2 * c.frame], static_cast<float>(c.frame) / 32768.0f);
        EXPECT_FLOAT_EQ(pcm->samples[2 * c.frame + 1], static_cast<float>(c.frame + 1000) / 32768.0f);
    }
}

TEST_F(SoundDecoderTest, LargeFilesAreCachedSmallOnesNot)
{
    writeLarge(path("mask1.wav"));
    writeSound(path("freq1.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 275);
    auto large = decoder.decode(path("mask1.wav"));
    EXPECT_EQ(decoder.decode(path("mask1.wav")), large);
    auto small = decoder.decode(path("freq1.wav"));
    EXPECT_NE(decoder.decode(path("freq1.wav")), small);
}

TEST_F(SoundDecoderTest, ChangedFileIsReadAgain)
{
    const std::string file = path("mask1.wav");
    writeLarge(file);
    auto first = decoder.decode(file);

    writeLarge(file, 50000); // rewritten in place, new size
    auto resized = decoder.decode(file);
    EXPECT_EQ(resized->frames, 50000);

    writeLarge(path("new.wav"), 50000); // replaced whole, same size
    std::filesystem::rename(path("new.wav"), file);
    auto replaced = decoder.decode(file);
    EXPECT_NE(replaced, resized);

    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_nsec = (times[1].tv_nsec + 1) % 1000000000; // same size, a nanosecond apart
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    EXPECT_NE(decoder.decode(file), replaced);
}

TEST_F(SoundDecoderTest, CacheKeepsOnlyRecentFiles)
{
    const std::size_t files = SoundDecoder::kCacheEntries + 1;
    auto mask = [&](std::size_t i) { return path("mask" + std::to_string(i) + ".wav"); };
    for (std::size_t i = 0; i < files; ++i) {
        writeLarge(mask(i));
    }
    auto oldest = decoder.decode(mask(0));
    for (std::size_t i = 1; i < files; ++i) {
        decoder.decode(mask(i));
    }
    EXPECT_EQ(decoder.decode(mask(files - 1)), decoder.decode(mask(files - 1)));
    EXPECT_NE(decoder.decode(mask(0)), oldest);
}

} // namespace
} // namespace aurelith
