#include "sound/MaskStream.h"
#include "sound/MixerSoundSystem.h"
#include "sound/SoundDecoder.h"
#include "support/SoundFile.h"
#include "support/AppFixture.h"
#include "support/AudioAnalysis.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <numbers>
#include <thread>

namespace aurelith::test {
namespace {

using Clock = std::chrono::steady_clock;

class MaskStreamTest : public ::testing::Test {
protected:
    static constexpr int kDeviceRate = 44100;

    // Writes frames x channels samples given by sample(frame, channel).
    template <typename Sample>
    std::string writeSound(const std::string& name, int format, int rate, int channels, long frames,
                           Sample sample) const
    {
        const std::string file = (folder.path / name).string();
        std::vector<float> samples;
        samples.reserve(static_cast<std::size_t>(frames * channels));
        for (long f = 0; f < frames; ++f)
            for (int c = 0; c < channels; ++c)
                samples.push_back(sample(f, c));
        EXPECT_TRUE(writeSoundFile(file, format, rate, channels, samples)) << sf_strerror(nullptr);
        return file;
    }

    // A mask-like signal: a few slow partials, different per channel, whose
    // loop point is an ordinary (not a silent) sample.
    static float texture(long f, int c)
    {
        const double t = static_cast<double>(f) / kDeviceRate;
        return static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * (97.0 + 13 * c) * t + 0.7) +
                                  0.2 * std::sin(2 * std::numbers::pi * 1231.0 * t * (1 + c)));
    }

    // Pulls `frames` frames as the audio thread would, waiting for the worker
    // instead of hearing silence, so the result is exactly what it decoded.
    static std::vector<float> pullAll(MaskStream& stream, long frames)
    {
        std::vector<float> out(static_cast<std::size_t>(2 * frames));
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        for (long done = 0; done < frames;) {
            const int piece = static_cast<int>(std::min(1024L, frames - done));
            while (stream.bufferedFrames() < static_cast<std::size_t>(piece)) {
                if (Clock::now() > deadline) {
                    ADD_FAILURE() << "the worker stalled after " << done << " frames";
                    return out;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            stream.pull(out.data() + 2 * done, piece);
            done += piece;
        }
        return out;
    }

    static std::unique_ptr<MaskStream> started(const std::string& file, int deviceRate = kDeviceRate)
    {
        auto stream = MaskStream::open(file, deviceRate);
        EXPECT_NE(stream, nullptr) << file;
        if (stream) {
            EXPECT_TRUE(stream->start());
        }
        return stream;
    }

    TempFolder folder;
};

TEST_F(MaskStreamTest, PlaysTheWholeDecodeSampleForSampleAcrossTheLoop)
{
    struct Case {
        const char* name;
        int format;
        int channels;
    };
    for (const Case& c : {Case{"stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2},
                          Case{"mono.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1}}) {
        SCOPED_TRACE(c.name);
        const long frames = 4 * kDeviceRate + 123; // no multiple of any chunk size
        const std::string file = writeSound(c.name, c.format, kDeviceRate, c.channels, frames, texture);
        auto whole = SoundDecoder::decodeFile(file);
        ASSERT_NE(whole, nullptr);
        ASSERT_EQ(whole->frames, frames);
        auto stream = started(file);
        ASSERT_NE(stream, nullptr);

        const std::vector<float> heard = pullAll(*stream, 2 * frames + 5000); // two loops and a bit
        long mismatches = 0;
        for (long f = 0; f < 2 * frames + 5000; ++f) {
            const long source = f % frames;
            for (int ch = 0; ch < 2; ++ch) {
                const float expected =
                    whole->samples[static_cast<std::size_t>(source * c.channels + std::min(ch, c.channels - 1))];
                mismatches += heard[static_cast<std::size_t>(2 * f + ch)] != expected;
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST_F(MaskStreamTest, OtherRatesAreResampledWithoutChangingPitchOrAddingDistortion)
{
    // 5 s of a 1 kHz sine at 48 kHz: whole cycles, so the file loops cleanly.
    const int fileRate = 48000;
    const std::string file = writeSound(
        "sine48k.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, fileRate, 2, 5L * fileRate,
        [&](long f, int) { return static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 1000.0 * f / fileRate)); });
    auto stream = started(file);
    ASSERT_NE(stream, nullptr);
    // Six seconds: the loop point lies inside. The filter's first few frames start from silence.
    const std::vector<float> heard = pullAll(*stream, 6L * kDeviceRate);
    std::vector<float> left = channel(heard, 0);
    left.erase(left.begin(), left.begin() + kDeviceRate / 10);

    const double hz = measureFrequency(left, kDeviceRate, 1000.0);
    EXPECT_NEAR(hz, 1000.0, 0.01);
    // Everything that is not the tone: fit the tone by least squares and look at what is left.
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    for (std::size_t i = 0; i < left.size(); ++i) {
        const double phase = 2 * std::numbers::pi * hz * static_cast<double>(i) / kDeviceRate;
        const double s = std::sin(phase), k = std::cos(phase);
        ss += s * s, cc += k * k, sc += s * k, ys += left[i] * s, yc += left[i] * k;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    std::vector<float> residual(left.size());
    for (std::size_t i = 0; i < left.size(); ++i) {
        const double phase = 2 * std::numbers::pi * hz * static_cast<double>(i) / kDeviceRate;
        residual[i] = static_cast<float>(left[i] - a * std::sin(phase) - b * std::cos(phase));
    }
    EXPECT_NEAR(std::hypot(a, b), 0.5, 0.005);
    EXPECT_LT(rmsDb(residual) - rmsDb(left), -70.0) << "noise and distortion relative to the tone";
}

TEST_F(MaskStreamTest, BrokenFilesPlayWhatTheyHoldAndNeverCrash)
{
    // Ten seconds of stereo 16-bit declared, one second present.
    const std::string cut = writeSound("cut.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, kDeviceRate, 2, 10L * kDeviceRate,
                                       texture);
    std::filesystem::resize_file(cut, 44 + 4 * kDeviceRate);
    // A float file whose data is random bytes: NaN, infinities and huge values among the rest.
    const std::string garbage = writeSound("garbage.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kDeviceRate, 2,
                                           10L * kDeviceRate, [](long, int) { return 0.0f; });
    {
        const std::string bytes = readBytes(garbage);
        std::fstream out(garbage, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(static_cast<std::streamoff>(bytes.find("data") + 8));
        std::uint32_t state = 12345;
        for (int i = 0; i < 200000; ++i) {
            state = state * 1664525u + 1013904223u;
            out.write(reinterpret_cast<const char*>(&state), 4);
        }
    }
    // An MP3 cut in the middle of a frame.
    const std::string mp3 = writeSound("cut.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, kDeviceRate, 2,
                                       5L * kDeviceRate, texture);
    std::filesystem::resize_file(mp3, std::filesystem::file_size(mp3) / 2 + 77);

    for (const std::string& file : {cut, garbage, mp3}) {
        SCOPED_TRACE(file);
        auto stream = started(file);
        ASSERT_NE(stream, nullptr);
        const std::vector<float> heard = pullAll(*stream, 3L * kDeviceRate);
        EXPECT_TRUE(
            std::all_of(heard.begin(), heard.end(), [](float v) { return std::isfinite(v) && std::abs(v) <= 1.0f; }));
        EXPECT_GT(rmsDb(heard), -40.0) << "what the file holds still plays";
        EXPECT_FALSE(stream->failed());
    }
}

TEST_F(MaskStreamTest, AFileWithNoSoundAtAllFallsSilent)
{
    const std::string empty = writeSound("empty.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, kDeviceRate, 2,
                                         10L * kDeviceRate, texture);
    std::filesystem::resize_file(empty, 44); // the header promises ten seconds; nothing follows
    auto stream = started(empty);
    ASSERT_NE(stream, nullptr);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!stream->failed() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(stream->failed());
    std::vector<float> heard(2048, 1.0f);
    stream->pull(heard.data(), 1024);
    EXPECT_EQ(std::count(heard.begin(), heard.end(), 0.0f), 2048);
}

// The mixer's side: the same guarantees for whole decodes and streams, heard
// at the mask volume.
TEST_F(MaskStreamTest, UnsafeFloatSamplesPlayAtMostFullScaleTimesTheVolume)
{
    const float pattern[] = {0.5f,   std::numeric_limits<float>::quiet_NaN(), 1e30f,
                             -1e30f, std::numeric_limits<float>::infinity(),  -0.5f,
                             3.0f};
    auto sample = [&](long f, int c) { return pattern[(f + c) % 7]; };
    const std::string shortFile = writeSound("short.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kDeviceRate, 2, kDeviceRate,
                                             sample);
    const std::string longFile = writeSound("long.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kDeviceRate, 2,
                                            8L * kDeviceRate, sample);
    for (const std::string& file : {shortFile, longFile}) {
        SCOPED_TRACE(file);
        MixerSoundSystem sound;
        ASSERT_TRUE(test::opened(sound));
        auto buffer = sound.openBuffer(file);
        ASSERT_NE(buffer, nullptr);
        buffer->setVolume(-600); // half amplitude
        buffer->play(true);
        // Render as a device would, a period at a time, until a second has been heard.
        std::vector<float> period(2 * 512);
        std::vector<float> heard;
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (heard.size() < 2u * kDeviceRate && Clock::now() < deadline) {
            sound.render(period.data(), 512);
            if (std::any_of(period.begin(), period.end(), [](float v) { return v != 0.0f; }))
                heard.insert(heard.end(), period.begin(), period.end());
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(heard.empty());
        const float gain = static_cast<float>(std::pow(10.0, -600 / 2000.0));
        float peak = 0.0f;
        for (float v : heard) {
            ASSERT_TRUE(std::isfinite(v));
            peak = std::max(peak, std::abs(v));
        }
        EXPECT_LE(peak, gain + 1e-6f);
        EXPECT_NEAR(peak, gain, 1e-3) << "3.0 limited to full scale";
    }
}

} // namespace
} // namespace aurelith::test
