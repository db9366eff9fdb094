// SPDX-License-Identifier: GPL-3.0-or-later
// aurelith --render: the file holds what the window would play, and a failed
// render leaves nothing behind.
#include "shell/Render.h"
#include "support/AppFixture.h"
#include "support/AudioAnalysis.h"

#include <sndfile.h>

namespace aurelith::test {
namespace {

struct ReadBack {
    SF_INFO info{};
    std::vector<float> samples;
};

ReadBack readSound(const fs::path& file)
{
    ReadBack r;
    SNDFILE* in = sf_open(file.c_str(), SFM_READ, &r.info);
    if (!in)
        return r;
    r.samples.resize(static_cast<std::size_t>(r.info.frames * r.info.channels));
    sf_readf_float(in, r.samples.data(), r.info.frames);
    sf_close(in);
    return r;
}

class RenderTest : public ::testing::Test {
protected:
    TempFolder data; // the user's folder: empty, as on a first run
    TempFolder out;
};

TEST_F(RenderTest, WritesThePairAtItsExactPitchForTheLengthAsked)
{
    RenderRequest request;
    request.output = out.path / "s.wav";
    request.left = "160";
    request.right = "170";
    request.minutes = 0.1;
    ASSERT_EQ(renderToFile(request, data.path), "");
    const ReadBack r = readSound(request.output);
    EXPECT_EQ(r.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(r.info.channels, 2);
    EXPECT_EQ(r.info.frames, 6 * 44100);
    for (int ch : {0, 1}) {
        const std::vector<float> ear = channel(r.samples, ch);
        EXPECT_NEAR(measureFrequency(ear, 44100, 160), 160.0, 0.01);
        EXPECT_NEAR(measureFrequency(ear, 44100, 170), 170.0, 0.01);
    }
    // Starts and ends without a click: faded in and out, nothing before the sound.
    EXPECT_LT(std::abs(r.samples.front()), 0.01f);
    EXPECT_LT(std::abs(r.samples.back()), 0.01f);
    EXPECT_TRUE(fs::is_empty(data.path)); // the user's folder is left as it was
}

TEST_F(RenderTest, MaskOneWithoutAFileAddsPinkNoiseAtTheSavedMaskLevel)
{
    RenderRequest request;
    request.minutes = 0.05;
    request.output = out.path / "tones.flac";
    ASSERT_EQ(renderToFile(request, data.path), "");
    request.output = out.path / "masked.flac";
    request.mask = "1";
    ASSERT_EQ(renderToFile(request, data.path), "");
    const ReadBack tones = readSound(out.path / "tones.flac"), masked = readSound(out.path / "masked.flac");
    EXPECT_EQ(masked.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
    ASSERT_EQ(tones.samples.size(), masked.samples.size());
    // Everything else is the same, so the difference is the mask alone: the
    // noise at -20 dBFS under the first run's "Mask Vol" of -49.5 dB.
    std::vector<float> mask(tones.samples.size());
    for (std::size_t i = 0; i < mask.size(); ++i)
        mask[i] = masked.samples[i] - tones.samples[i];
    EXPECT_NEAR(rmsDb(mask), -69.5, 1.0);
}

TEST_F(RenderTest, AScanStepsTheBeatOnScheduleAndStopsAtItsLimit)
{
    RenderRequest request;
    request.output = out.path / "scan.wav";
    request.left = "200";
    request.right = "204";
    request.scanTimeMs = 2000;
    request.scanDirection = 1;
    request.scanLimit = 207;
    request.minutes = 8.0 / 60;
    ASSERT_EQ(renderToFile(request, data.path), "");
    const std::vector<float> ear = channel(readSound(request.output).samples, 0);
    const auto at = [&](double seconds) { return ear.begin() + static_cast<std::ptrdiff_t>(seconds * 44100); };
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(step);
        const std::vector<float> part(at(2 * step + 0.2), at(2 * step + 1.8));
        EXPECT_NEAR(measureFrequency(part, 44100, 200), 200, 0.05);
        EXPECT_NEAR(measureFrequency(part, 44100, 204 + step), 204 + step, 0.05);
    }
    EXPECT_LT(rmsDb({at(6.5), at(8)}), -90); // the step that reached 207 ended the scan and the sound
}

TEST_F(RenderTest, FailureLeavesNoFileBehind)
{
    RenderRequest request;
    request.minutes = 0.01;
    fs::create_directory(out.path / "taken.wav"); // the name is a folder: the final rename fails
    for (const fs::path& target : {out.path / "missing" / "s.wav", out.path / "taken.wav"}) {
        SCOPED_TRACE(target);
        request.output = target;
        EXPECT_NE(renderToFile(request, data.path), "");
    }
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(out.path))
        left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<fs::path>{"taken.wav"});
    request.output = out.path / "s.mp3";
    EXPECT_NE(renderToFile(request, data.path), "");
}

TEST(RenderFormat, AWavThatWouldOutgrowItsSizeFieldsBecomesRf64)
{
    const long long perMinute = 60LL * 44100;
    const int wav = renderFormatFor("a.wav");
    EXPECT_EQ(renderFormatFor("a.wav", 400 * perMinute), wav); // 4.23 GB: the fields still hold it
    const int big = renderFormatFor("a.wav", 420 * perMinute);
    EXPECT_EQ(big & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
    EXPECT_EQ(big & SF_FORMAT_SUBMASK, wav & SF_FORMAT_SUBMASK);
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = big;
    EXPECT_TRUE(sf_format_check(&info));
    for (const char* name : {"a.flac", "a.ogg"})
        EXPECT_EQ(renderFormatFor(name, 1440 * perMinute), renderFormatFor(name)) << name;
}

} // namespace
} // namespace aurelith::test
