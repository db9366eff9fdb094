// SPDX-License-Identifier: GPL-3.0-or-later
// Masking files as users really have them: broken, empty, not sound at all, a
// folder, or far wider than stereo. None may crash or stop the tones.
#include "support/SoundFile.h"
#include "support/AppFixture.h"
#include "support/AudioAnalysis.h"

#include <sndfile.h>

#include <cmath>
#include <functional>
#include <random>

namespace aurelith::test {
namespace {

using namespace ctl;

// A valid file of noise at the given layout; returns its bytes.
std::string soundFile(const fs::path& path, int channels, int rate, double seconds)
{
    const auto frames = static_cast<long>(seconds * rate);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> noise(-0.1f, 0.1f);
    std::vector<float> samples(static_cast<std::size_t>(frames * channels));
    for (float& s : samples)
        s = noise(random);
    EXPECT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, channels, samples));
    return readBytes(path);
}

void setLe32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

struct Fault {
    const char* name;
    std::function<void(const fs::path&)> make; // writes "mask2.wav" at the path
    bool plays;                                // whether the mask is heard
};
void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

const Fault kFaults[] = {
    {"Empty", [](const fs::path& p) { writeBytes(p, ""); }, false},
    {"RandomBytes",
     [](const fs::path& p) {
         std::mt19937 random(11);
         std::string bytes(200000, '\0');
         for (char& c : bytes)
             c = static_cast<char>(random());
         writeBytes(p, bytes);
     },
     false},
    {"RandomAfterAValidHeader",
     [](const fs::path& p) {
         std::string bytes = soundFile(p, 2, 44100, 0.01).substr(0, 44);
         std::mt19937 random(5);
         bytes.resize(100000);
         for (std::size_t i = 44; i < bytes.size(); ++i)
             bytes[i] = static_cast<char>(random());
         writeBytes(p, bytes);
     },
     true},
    {"CutInsideTheHeader", [](const fs::path& p) { writeBytes(p, soundFile(p, 2, 44100, 1).substr(0, 30)); }, false},
    // The data chunk claims a second; half of it is there.
    {"CutInsideTheData",
     [](const fs::path& p) {
         const std::string whole = soundFile(p, 2, 44100, 1);
         writeBytes(p, whole.substr(0, whole.size() / 2));
     },
     true},
    // A long file whose end is gone: streamed, it runs out early.
    {"LongFileCutShort",
     [](const fs::path& p) {
         const std::string whole = soundFile(p, 2, 44100, 8);
         writeBytes(p, whole.substr(0, whole.size() / 3));
     },
     true},
    // A chunk before "data" that claims nearly 4 GB.
    {"HugeHeaderChunk",
     [](const fs::path& p) {
         const std::string whole = soundFile(p, 2, 44100, 0.5);
         std::string bytes = whole.substr(0, 36) + "junk    " + std::string(64, '\0') + whole.substr(36);
         setLe32(bytes, 40, 0xFFFFFFF0u);
         writeBytes(p, bytes);
     },
     false},
    // A header with sizes and a format of the maximum values.
    {"MaximalFormatFields",
     [](const fs::path& p) {
         std::string bytes = soundFile(p, 2, 44100, 0.5);
         setLe32(bytes, 4, 0xFFFFFFFFu);
         setLe32(bytes, 24, 0xFFFFFFFFu);        // sample rate
         bytes[22] = '\xFF', bytes[23] = '\xFF'; // channels
         writeBytes(p, bytes);
     },
     false},
    {"Folder", [](const fs::path& p) { fs::create_directory(p); }, false},
    {"EightChannels96kHzShort", [](const fs::path& p) { soundFile(p, 8, 96000, 1); }, true},
    {"EightChannels96kHzStreamed", [](const fs::path& p) { soundFile(p, 8, 96000, 4); }, true},
};

class SoundFaultTest : public AppTest, public ::testing::WithParamInterface<Fault> {
protected:
    void SetUp() override
    {
        startAsReturningUser("-1000,0,0,160");
        click(cmdNextMask); // mask 2
        setPair("200", "210");
    }
    void expectTonesHeard(const std::vector<float>& heard)
    {
        // Whatever the mask does, each ear holds its tone at the tone level.
        EXPECT_GT(toneLevelDb(channel(heard, 0), RecordingSoundSystem::kRate, std::stod(text(txtSetFreq1))), -30);
        EXPECT_GT(toneLevelDb(channel(heard, 1), RecordingSoundSystem::kRate, std::stod(text(txtsetfreq2))), -30);
        for (float s : heard)
            ASSERT_TRUE(std::isfinite(s) && std::abs(s) <= 1.0f);
    }
};

TEST_P(SoundFaultTest, TonesPlayOnWhateverTheMaskHolds)
{
    GetParam().make(folder.path / "mask2.wav");
    click(cmdGenerate);
    expectTonesHeard(sound.render(1.0));
    EXPECT_EQ(std::ranges::count(playingFiles(), "mask2.wav") == 1, GetParam().plays);
    // A retune opens the mask again, and a long one runs past its end.
    click(cmdUp1Hz);
    expectTonesHeard(sound.render(3.0));
    EXPECT_TRUE(dialogs.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Masks, SoundFaultTest, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace aurelith::test
