#include "support/AppFixture.h"
#include "support/AudioAnalysis.h"

#include "scan/Scanner.h"

#include <sys/stat.h>

namespace aurelith::test {
namespace {

using namespace ctl;

class FaultToleranceTest : public AppTest {
protected:
    // The beat heard once the last change has settled, channel 1 on the right.
    std::pair<double, double> heardPair(double left, double right)
    {
        sound.render(1.0);
        const auto heard = sound.render(4.0);
        const double rate = RecordingSoundSystem::kRate;
        return {measureFrequency(channel(heard, 1), rate, left), measureFrequency(channel(heard, 0), rate, right)};
    }
};

// Whether the folder is gone or cannot be written at all, the next band
// button plays what the boxes show, not the tones of the files last written.
TEST_F(FaultToleranceTest, FolderLostWhilePlayingStillPlaysWhatTheBoxesShow)
{
    struct Case {
        const char* what;
        bool folderComesBack;
        void (*lose)(const fs::path& folder);
    };
    const Case cases[] = {
        {"deleted", true, [](const fs::path& f) { fs::remove_all(f); }},
        {"replaced by a file", false,
         [](const fs::path& f) {
             fs::remove_all(f);
             writeBytes(f, "not a folder");
         }},
    };
    ASSERT_NO_FATAL_FAILURE(startAsReturningUser("-3000,5000,0,135"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ignored;
        fs::remove(folder.path, ignored);
        fs::create_directory(folder.path);
        form.setValue(scrBaseFreq, 135);
        click(cmdMAlpha);
        ASSERT_EQ(text(txtsetfreq2), "145");
        c.lose(folder.path);
        click(cmdHGamma);
        ASSERT_EQ(text(txtSetFreq1), "135");
        const double right = leadingNumber(text(txtsetfreq2));
        ASSERT_GT(right, 145);
        const auto [f1, f2] = heardPair(135, right);
        EXPECT_NEAR(f1, 135, 0.01);
        EXPECT_NEAR(f2 - f1, leadingNumber(text(txtBeat)), 0.01);
        EXPECT_EQ(fs::is_directory(folder.path), c.folderComesBack);
        if (c.folderComesBack) {
            EXPECT_EQ(fs::status(folder.path).permissions(), fs::perms::owner_all);
            EXPECT_TRUE(exists("freq2.wav"));
        }
    }
}

// A marker that cannot be read is no first run: the defaults must not replace
// the user's settings, and a FIFO in its place must not hang the start.
TEST_F(FaultToleranceTest, UnreadableFilesKeepTheirValues)
{
    useSavedSettings("-3000,5000,0,135");
    ASSERT_TRUE(fs::remove(folder.path / "fctl"));
    ASSERT_EQ(::mkfifo((folder.path / "fctl").c_str(), 0600), 0);
    putFile("csets", "7\r\n");
    fs::permissions(folder.path / "csets", fs::perms::none);
    ASSERT_TRUE(start());
    shutDown(app, ScanGroup::save);
    EXPECT_EQ(file("vols"), "-3000,5000,0,135\r\n");
    fs::permissions(folder.path / "csets", fs::perms::owner_read);
    EXPECT_EQ(file("csets"), "7\r\n");
    EXPECT_FALSE(exists("stimc2")); // no first-run defaults at all
    EXPECT_TRUE(fs::is_fifo(folder.path / "fctl"));
}

// A megabyte pasted into a box is read as a number in one pass: what it
// starts with counts, and the messages are those of any other bad text.
TEST_F(FaultToleranceTest, MegabytePastesAreJustBadOrGoodNumbers)
{
    ASSERT_NO_FATAL_FAILURE(startAsReturningUser("-3000,5000,0,135"));
    const std::string digits(1u << 20, '9');
    struct Case {
        std::string left, right;
        bool plays;
    };
    const Case cases[] = {
        {digits, "165", false},                                  // too large to be a number at all
        {"160", "165" + std::string(1u << 20, 'x'), true},       // a number, then garbage
        {std::string(1u << 20, '0') + "160", "165", true},       // leading zeros
        {"160", std::string(1u << 20, ' ') + "1e999999", false}, // blanks, then overflow
        {"160." + digits, "165", true},                          // a long fraction
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left.substr(0, 8) + " / " + c.right.substr(0, 8));
        click(cmdStop);
        dialogs.shown.clear();
        setPair(c.left, c.right);
        click(cmdGenerate);
        if (c.plays) {
            EXPECT_TRUE(dialogs.shown.empty());
            EXPECT_EQ(playing().size(), 2u);
        } else {
            EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kRangeMessage});
        }
    }

    // The scanner's own time box, answered with a megabyte.
    setPair("160", "165");
    for (const auto& [answer, scans] :
         {std::pair{digits, false}, std::pair{std::string(1u << 20, '0') + "4000", true}}) {
        dialogs.shown.clear();
        startScan(answer);
        EXPECT_EQ(form.timerEnabled(tmrScan), scans);
        if (!scans) {
            EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kScanTimeMessage});
        }
        click(cmdScanOff);
    }
}

} // namespace
} // namespace aurelith::test
