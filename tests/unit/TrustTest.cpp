// SPDX-License-Identifier: GPL-3.0-or-later
// Files another user could have planted in the data folder while it was open
// to others: none of them steers the program.
#include "support/AppFixture.h"
#include "support/SoundFile.h"

#include "app/DataFileNames.h"
#include "app/TrustedFile.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace aurelith::test {
namespace {

using namespace ctl;

// An id no account here uses: the "other user".
constexpr uid_t kOtherUser = 12345;

// The ways a file can be another user's to steer.
enum class Planted { othersOwn, groupWritable, othersLinkToOurs };

class TrustTest : public AppTest {
protected:
    // Puts bytes under name as the planter would have; false where this system
    // cannot arrange it (giving files away needs root).
    bool plant(const std::string& name, const std::string& bytes, Planted how)
    {
        const fs::path path = folder.path / name;
        switch (how) {
        case Planted::othersOwn: putFile(name, bytes); return ::chown(path.c_str(), kOtherUser, kOtherUser) == 0;
        case Planted::groupWritable: putFile(name, bytes); return ::chmod(path.c_str(), 0664) == 0;
        case Planted::othersLinkToOurs:
            putFile(name + ".mine", bytes);
            fs::remove(path);
            fs::create_symlink(name + ".mine", path);
            return ::lchown(path.c_str(), kOtherUser, kOtherUser) == 0;
        }
        return false;
    }
    std::vector<std::string> setAsideNotices() const
    {
        std::vector<std::string> found;
        for (const std::string& m : dialogs.messages())
            if (m.find("does not use these files") != std::string::npos)
                found.push_back(m);
        return found;
    }
};

TEST(TrustedFile, OwnAndRootsFilesAreTrustedAndALinkCountsWithItsTarget)
{
    TempFolder folder;
    const fs::path mine = folder.path / "mine";
    writeBytes(mine, "1\r\n");
    ::chmod(mine.c_str(), 0644);
    EXPECT_EQ(trustOf(mine), FileTrust::trusted);
    EXPECT_EQ(trustOf(folder.path / "absent"), FileTrust::missing);
    fs::create_symlink("mine", folder.path / "link");
    EXPECT_EQ(trustOf(folder.path / "link"), FileTrust::trusted);
    ::chmod(mine.c_str(), 0646);
    EXPECT_EQ(trustOf(folder.path / "link"), FileTrust::untrusted) << "a link to a file others may write";
}

// Each planted setting is set aside: the level a first run has, the warning
// before the strobe, one notice naming them all, and the next save makes
// them the user's own.
class PlantedSettings : public TrustTest, public ::testing::WithParamInterface<Planted> {};

TEST_P(PlantedSettings, AreSetAsideToldOnceAndReplacedByTheNextSave)
{
    Program firstRun;
    ASSERT_TRUE(startUp(firstRun.app));
    useSavedSettings("-1000,0,-3000,135");
    // Near full level: the planted levels must not be heard.
    if (!plant(dataFile::kLevels, "0,5000,0,135\r\n", GetParam()) ||
        !plant(dataFile::kFlashAnswer, "1\r\n", GetParam()))
        GTEST_SKIP() << "planting another user's file needs root here";
    ASSERT_TRUE(start());
    for (const auto bar : {scrToneVol, scrBalance, scrMaskVol})
        EXPECT_EQ(form.value(bar), firstRun.form.value(bar)) << bar;
    const auto notices = setAsideNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(dataFile::kLevels), std::string::npos) << notices[0];
    EXPECT_NE(notices[0].find(dataFile::kFlashAnswer), std::string::npos) << notices[0];
    EXPECT_EQ(notices[0].find(dataFile::kLampOnColour), std::string::npos) << "the user's own file is used";

    setPair("159", "165");
    click(cmdColourOn); // warns (Cancel is the default answer)
    EXPECT_EQ(dialogs.shown.back().kind, "confirm");
    click(cmdExit);
    EXPECT_EQ(trustOf(folder.path / dataFile::kLevels), FileTrust::trusted);
    EXPECT_EQ(file(dataFile::kLevels).find(",5000,"), std::string::npos) << file(dataFile::kLevels);
    EXPECT_EQ(setAsideNotices().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(EveryWay, PlantedSettings,
                         ::testing::Values(Planted::othersOwn, Planted::groupWritable, Planted::othersLinkToOurs));

// A planted mask is not played: mask 1 has the built-in pink noise instead,
// another mask is skipped.
TEST_F(TrustTest, PlantedMasksAreNotPlayed)
{
    sound.usePinkNoiseStandIn();
    const std::vector<float> loud(4410, 0.9f);
    for (const int selection : {1, 2}) {
        SCOPED_TRACE(selection);
        const std::string name = dataFile::maskSound(selection);
        ASSERT_TRUE(writeSoundFile((folder.path / name).string(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, loud));
        if (::chown((folder.path / name).c_str(), kOtherUser, kOtherUser) != 0)
            GTEST_SKIP() << "giving a file to another user needs root";
    }
    ASSERT_TRUE(start());
    setPair("159", "165");
    click(cmdGenerate);
    const auto heard = playing();
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_NE(heard[2].path.find(dataFile::maskSound(1)), std::string::npos);
    EXPECT_NE(heard[2].frames, static_cast<long>(loud.size())) << "the planted file itself plays";
    click(cmdNextMask); // mask 2
    click(cmdGenerate);
    EXPECT_EQ(std::ranges::count(playingFiles(), dataFile::maskSound(2)), 0);
}

} // namespace
} // namespace aurelith::test
