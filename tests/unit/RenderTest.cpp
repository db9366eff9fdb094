// SPDX-License-Identifier: GPL-3.0-or-later
// aurelith --render: the file holds what the window would play, and a failed
// render leaves nothing behind.
#include "shell/OfflineSession.h"
#include "shell/Render.h"
#include "sound/SoundFileWriter.h"
#include "support/AppFixture.h"
#include "support/AudioAnalysis.h"
#include "support/SequenceTables.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <numbers>
#include <csignal>
#include <optional>
#include <utility>

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

// An ear's samples from `from` to `to` seconds.
std::vector<float> part(const std::vector<float>& ear, double from, double to)
{
    return {ear.begin() + std::lround(from * 44100), ear.begin() + std::lround(to * 44100)};
}

std::vector<std::string> lines(const fs::path& file)
{
    std::ifstream in(file);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override { request.output = out.path / "s.wav"; }

    TempFolder data; // the user's folder: empty, as on a first run
    TempFolder out;
    RenderRequest request;
};

TEST_F(RenderTest, EachToneInTheEarItIsNamedForUnlessToneModSaysOtherwise)
{
    request.left = "160";
    request.right = "170";
    request.minutes = 0.1;
    ASSERT_EQ(renderToFile(request, data.path), ""); // a fresh folder: the first run's "Tone Mod" of 0
    const ReadBack apart = readSound(request.output);
    EXPECT_EQ(std::tuple(apart.info.format, apart.info.channels, apart.info.frames),
              std::tuple(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, sf_count_t{6 * 44100}));
    const std::vector<float> left = channel(apart.samples, 0), right = channel(apart.samples, 1);
    EXPECT_NEAR(measureFrequency(left, 44100, 160), 160.0, 0.01);
    EXPECT_NEAR(measureFrequency(right, 44100, 170), 170.0, 0.01);
    EXPECT_GE(toneLevelDb(left, 44100, 160) - toneLevelDb(left, 44100, 170), 45);
    EXPECT_GE(toneLevelDb(right, 44100, 170) - toneLevelDb(right, 44100, 160), 45);
    // Starts and ends without a click: faded in and out, nothing before the sound.
    EXPECT_LT(std::abs(apart.samples.front()), 0.01f);
    EXPECT_LT(std::abs(apart.samples.back()), 0.01f);
    EXPECT_TRUE(fs::is_empty(data.path)); // the user's folder is left as it was

    // The window's pan law: each tone this far down in the other ear.
    for (int mod : {0, 2000}) {
        SCOPED_TRACE(mod);
        request.toneMod = mod;
        ASSERT_EQ(renderToFile(request, data.path), "");
        const ReadBack r = readSound(request.output);
        const std::vector<float> l = channel(r.samples, 0), rr = channel(r.samples, 1);
        EXPECT_NEAR(toneLevelDb(l, 44100, 160) - toneLevelDb(l, 44100, 170), mod / 100.0, 0.5);
        EXPECT_NEAR(toneLevelDb(rr, 44100, 170) - toneLevelDb(rr, 44100, 160), mod / 100.0, 0.5);
        EXPECT_NEAR(toneLevelDb(l, 44100, 160), toneLevelDb(left, 44100, 160), 0.1); // the near ear keeps its level
    }
}

TEST_F(RenderTest, MaskOneWithoutAFileAddsPinkNoiseAtTheMaskLevel)
{
    request.minutes = 0.05;
    request.output = out.path / "tones.flac";
    ASSERT_EQ(renderToFile(request, data.path), "");
    const ReadBack tones = readSound(out.path / "tones.flac");
    request.output = out.path / "masked.flac";
    request.mask = "1";
    // The noise is made at -20 dBFS; the first run's "Mask Vol" is -49.5 dB.
    for (const auto& [level, db] : {std::pair<std::optional<int>, double>{std::nullopt, -69.5}, {4000, -30.0}}) {
        SCOPED_TRACE(db);
        request.maskVolume = level;
        ASSERT_EQ(renderToFile(request, data.path), "");
        const ReadBack masked = readSound(request.output);
        EXPECT_EQ(masked.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
        ASSERT_EQ(tones.samples.size(), masked.samples.size());
        // Everything else is the same, so the difference is the mask alone.
        std::vector<float> mask(tones.samples.size());
        for (std::size_t i = 0; i < mask.size(); ++i)
            mask[i] = masked.samples[i] - tones.samples[i];
        EXPECT_NEAR(rmsDb(mask), db, 1.0);
    }
}

// A mask 1 the window sets aside asks for its stand-in; offline it is the
// same built-in pink noise (-20 dBFS) as in the window, at the level asked.
TEST_F(RenderTest, TheOfflineSoundSystemGivesMaskOnesStandIn)
{
    MixerSoundSystem mixer;
    mixer.setPinkNoiseStandIn(dataFile::maskSound(1));
    std::string error;
    ASSERT_TRUE(mixer.createDevice(error)) << error;
    EarsAsNamed ears(mixer, data.path, kFullSeparation);
    auto noise = ears.createStandIn((data.path / dataFile::maskSound(1)).string());
    ASSERT_TRUE(noise);
    EXPECT_FALSE(ears.createStandIn((data.path / dataFile::maskSound(2)).string())) << "only mask 1 has one";
    noise->setVolume(-1000);
    noise->play(true);
    std::vector<float> heard(2 * static_cast<std::size_t>(mixer.deviceRate()));
    for (int i = 0; i < 2; ++i) // past the output's delay and the start's fade
        mixer.render(heard.data(), mixer.deviceRate());
    EXPECT_NEAR(rmsDb(channel(heard, 0)), -30.0, 1.0);
}

TEST_F(RenderTest, ToneVolumeTakesTheWindowsScale)
{
    request.minutes = 0.05;
    double db[2] = {};
    for (int i : {0, 1}) {
        request.toneVolume = 4500 - 1000 * i;
        ASSERT_EQ(renderToFile(request, data.path), "");
        db[i] = toneLevelDb(channel(readSound(request.output).samples, 0), 44100, 160);
    }
    EXPECT_NEAR(db[0] - db[1], 10, 0.1); // hundredths of a dB, as the window's bar
}

TEST_F(RenderTest, AScanStepsTheBeatOnScheduleAndStopsAtItsLimit)
{
    request.output = out.path / "scan.wav";
    request.left = "200";
    request.right = "204";
    request.scanTimeMs = 2000;
    request.scanDirection = 1;
    request.scanLimit = 207;
    request.minutes = 8.0 / 60;
    EXPECT_NE(renderToFile(request, data.path), ""); // two seconds of silence after the scan: refused
    ASSERT_EQ(scanEndMs(request), 6000);
    request.minutes = 6.0 / 60;
    ASSERT_EQ(renderToFile(request, data.path), "");
    const std::vector<float> samples = readSound(request.output).samples;
    const std::vector<float> left = channel(samples, 0), right = channel(samples, 1);
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(step);
        EXPECT_NEAR(measureFrequency(part(left, 2 * step + 0.2, 2 * step + 1.8), 44100, 200), 200, 0.05);
        EXPECT_NEAR(measureFrequency(part(right, 2 * step + 0.2, 2 * step + 1.8), 44100, 204 + step), 204 + step, 0.05);
    }
    EXPECT_EQ(left.size(), 6u * 44100); // the step that reached 207 ended the scan, the sound and the file
}

// The phase of a tone at frame `at`, in cycles, from the whole cycles around
// it; a gliding tone's slope (Hz a second) is taken out first.
double phaseAt(const std::vector<float>& ear, double hz, std::size_t at, double slope = 0)
{
    const auto half = static_cast<std::ptrdiff_t>(std::lround(10 * 44100 / hz)); // ten cycles each side
    std::complex<double> sum;
    for (std::ptrdiff_t n = -half; n < half; ++n) {
        const double t = static_cast<double>(n) / 44100;
        sum += static_cast<double>(ear[at + n]) * std::polar(1.0, -2 * std::numbers::pi * (hz + slope * t / 2) * t);
    }
    return std::arg(sum) / (2 * std::numbers::pi);
}

TEST_F(RenderTest, TheLightTrackFlashesOnTheBeatTheTonesCarry)
{
    request.lightTrack = out.path / "light.csv";
    request.left = "200";
    request.right = "210";
    request.minutes = 0.05;
    ASSERT_EQ(renderToFile(request, data.path), "");
    const std::vector<float> samples = readSound(request.output).samples;
    const std::vector<float> left = channel(samples, 0), right = channel(samples, 1);
    std::vector<double> stims;
    double last = -50; // the first stim at the very start
    for (const std::string& line : lines(request.lightTrack)) {
        const auto comma = line.find(',');
        const double ms = std::stod(line.substr(0, comma));
        EXPECT_EQ(line[comma + 1], '#');
        EXPECT_EQ(line.find(',', comma + 1), comma + 8) << line; // #rrggbb
        const std::string kind = line.substr(comma + 9);
        EXPECT_NEAR(ms - last, 50, 1e-3) << line; // stim and back alternate, a phase apart
        if (kind == "stim")
            stims.push_back(ms);
        last = ms;
    }
    ASSERT_EQ(stims.size(), 30u); // three seconds at a 10 Hz beat
    for (std::size_t i = 1; i + 1 < stims.size(); ++i) {
        SCOPED_TRACE(stims[i]);
        const auto at = static_cast<std::size_t>(std::lround(stims[i] * 44.1));
        double apart = phaseAt(right, 210, at) - phaseAt(left, 200, at);
        apart -= std::round(apart);
        EXPECT_LT(std::abs(apart) / 10 * 44100, 1.0); // samples, at a 10 Hz beat
    }
}

// A sequence rendered whole: the beat heard is the plan's as it slides, holds and steps,
// at the window's "Tone Vol", and each stimulation starts where the
// rendered tones are in phase.
TEST_F(RenderTest, ASequenceIsRenderedWholeOnItsPlanWithTheLightInPhase)
{
    using namespace sequence;
    const Sequence s = tables::sequenceOf(
        {tables::voiceOf(VoiceKind::binaural, {{0, 200, 10, 0.5}, {6, 215, 7, 0.5, Join::step}, {8, 220, 6, 0.5}})},
        10);
    request.lightTrack = out.path / "light.csv";
    request.toneVolume = 4000; // 10 dB down
    request.sequence = s;
    ASSERT_EQ(renderToFile(request, data.path), "");
    const ReadBack r = readSound(request.output);
    ASSERT_EQ(r.info.frames, 10 * 44100);
    const std::vector<float> left = channel(r.samples, 0), right = channel(r.samples, 1);
    const Voice& v = s.voices.front();
    for (double t : {2.5, 6.5, 9.0}) {
        SCOPED_TRACE(t);
        const Point p = valueAt(v, t);
        const double l = measureFrequency(part(left, t - 0.5, t + 0.5), 44100, leftHz(p));
        const double rr = measureFrequency(part(right, t - 0.5, t + 0.5), 44100, rightHz(p));
        EXPECT_NEAR(rr - l, p.beatHz, 0.01);
    }
    EXPECT_NEAR(toneLevelDb(part(left, 8.2, 9.8), 44100, 217), 20 * std::log10(0.5) - 10, 0.1);
    EXPECT_LT(foreignComponentsDb(part(left, 8.2, 9.8), 44100, {217}), -90) << "the sequence alone: no mask";
    int stims = 0;
    for (const std::string& line : lines(request.lightTrack)) {
        const double ms = std::stod(line);
        if (line.ends_with(",stim") && ms > 100 && ms < 9800) {
            SCOPED_TRACE(line);
            ++stims;
            const Point p = valueAt(v, ms / 1000), q = valueAt(v, ms / 1000 + 0.001);
            const auto at = static_cast<std::size_t>(std::lround(ms * 44.1));
            double apart = phaseAt(right, rightHz(p), at, (rightHz(q) - rightHz(p)) * 1000) -
                           phaseAt(left, leftHz(p), at, (leftHz(q) - leftHz(p)) * 1000);
            apart -= std::round(apart);
            EXPECT_LT(std::abs(apart) / p.beatHz * 44100, 1.0); // samples off the in-phase moment
        }
    }
    EXPECT_GT(stims, 70); // 10 Hz sliding to 6 Hz, then held
}

// With "Gentle Light" the light track says so on every row and is otherwise
// the square light's track: the square track keeps its bytes.
TEST_F(RenderTest, AGentleLightTrackSaysItsModeOnEveryRow)
{
    request.lightTrack = out.path / "light.csv";
    request.right = "210";
    request.minutes = 0.02;
    const auto rows = [&] {
        EXPECT_EQ(renderToFile(request, data.path), "");
        return lines(request.lightTrack);
    };
    const std::vector<std::string> square = rows();
    std::ofstream(data.path / "gentle") << "1\r\n";
    const std::vector<std::string> gentle = rows();
    ASSERT_GT(square.size(), 10u);
    ASSERT_EQ(gentle.size(), square.size());
    for (std::size_t i = 0; i < square.size(); ++i) {
        EXPECT_EQ(std::count(square[i].begin(), square[i].end(), ','), 2) << square[i];
        EXPECT_EQ(gentle[i], square[i] + ",gentle");
    }
}

TEST(RenderScan, ALimitIsReachedOnlyOnItsSideAfterWholeSteps)
{
    RenderRequest request;
    request.right = "204";
    request.scanTimeMs = 1000;
    const struct {
        int direction;
        double limit;
        std::optional<long long> steps;
    } cases[] = {{1, 214, 10},           {-1, 200, 4},
                 {1, 200, std::nullopt}, {-1, 214, std::nullopt},
                 {1, 204, std::nullopt}, {1, 210.5, std::nullopt}};
    for (const auto& c : cases) {
        request.scanDirection = c.direction;
        request.scanLimit = c.limit;
        EXPECT_EQ(scanStepsToLimit(request), c.steps) << c.direction << " " << c.limit;
    }
}

TEST_F(RenderTest, AStopLeavesNothingBehind)
{
    const volatile std::sig_atomic_t stop = 2;
    RenderProgress progress;
    progress.stop = &stop;
    EXPECT_EQ(renderToFile(request, data.path, progress), "interrupted");
    EXPECT_TRUE(fs::is_empty(out.path));
}

TEST_F(RenderTest, FailureLeavesNoFileBehind)
{
    request.minutes = 0.01;
    fs::create_directory(out.path / "taken.wav"); // the name is a folder: the final rename fails
    for (const fs::path& target : {out.path / "missing" / "s.wav", out.path / "taken.wav"}) {
        SCOPED_TRACE(target);
        request.output = target;
        EXPECT_NE(renderToFile(request, data.path), "");
    }
    EXPECT_EQ(folderNames(out.path), std::vector<std::string>{"taken.wav"});
    request.output = out.path / "s.mp3";
    EXPECT_NE(renderToFile(request, data.path), "");
}

TEST(RenderFormat, AWavThatWouldOutgrowItsSizeFieldsBecomesRf64)
{
    const long long perMinute = 60LL * 44100;
    const int wav = soundFileFormatFor("a.wav");
    EXPECT_EQ(soundFileFormatFor("a.wav", 400 * perMinute), wav); // 4.23 GB: the fields still hold it
    const int big = soundFileFormatFor("a.wav", 420 * perMinute);
    EXPECT_EQ(big & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
    EXPECT_EQ(big & SF_FORMAT_SUBMASK, wav & SF_FORMAT_SUBMASK);
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = big;
    EXPECT_TRUE(sf_format_check(&info));
    for (const char* name : {"a.flac", "a.ogg"})
        EXPECT_EQ(soundFileFormatFor(name, 1440 * perMinute), soundFileFormatFor(name)) << name;
}

} // namespace
} // namespace aurelith::test
