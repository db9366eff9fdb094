// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFiles.h"
#include "app/FolderLock.h"
#include "support/AppFixture.h"

#include <unistd.h>

namespace aurelith::test {
namespace {

class FolderSafetyTest : public ::testing::Test {
protected:
    FolderSafetyTest()
    {
        files.setListener([this](const std::string& text) { notices.push_back(text); });
    }

    TempFolder folder;
    DataFiles files{folder.path};
    std::vector<std::string> notices;
};

TEST_F(FolderSafetyTest, OneCopyHoldsTheFolderUntilItEnds)
{
    auto first = std::make_unique<FolderLock>(folder.path);
    ASSERT_EQ(first->acquire(), FolderLock::Result::held);
    FolderLock second(folder.path);
    EXPECT_EQ(second.acquire(), FolderLock::Result::heldElsewhere);
    EXPECT_EQ(FolderLock::holder(folder.path), ::getpid());
    first.reset();
    EXPECT_EQ(second.acquire(), FolderLock::Result::held);
}

// A folder deleted while the program runs is locked again before anything
// goes into it; one that another copy made and holds first is left to it.
TEST_F(FolderSafetyTest, AFolderMadeAgainIsHeldBeforeAnyWrite)
{
    FolderLock running(folder.path);
    ASSERT_EQ(running.acquire(), FolderLock::Result::held);
    files.claimFolder = [&running] { return running.ensure(); };

    fs::remove_all(folder.path);
    ASSERT_TRUE(files.write("vols", {1, 2, 3, 4}));
    EXPECT_EQ(FolderLock(folder.path).acquire(), FolderLock::Result::heldElsewhere);

    fs::remove_all(folder.path);
    fs::create_directory(folder.path);
    FolderLock later(folder.path);
    ASSERT_EQ(later.acquire(), FolderLock::Result::held);
    EXPECT_FALSE(files.write("vols", {5, 6, 7, 8}));
    EXPECT_FALSE(files.overwrite("freq1.wav", {1, 2, 3}));
    EXPECT_FALSE(fs::exists(folder.path / "vols"));
    EXPECT_FALSE(fs::exists(folder.path / "freq1.wav"));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(folder.path.string()), std::string::npos);
}

// Another user's link in the folder would aim our writes at their victim's
// files: both kinds of write replace it with a file of ours, and say so once.
TEST_F(FolderSafetyTest, AnotherUsersLinkIsReplacedNotFollowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a link owned by another user can only be made as root";
    TempFolder victim;
    writeBytes(victim.path / "notes.txt", "mine\n");
    for (const char* name : {"vols", "freq1.wav"}) {
        fs::create_symlink(victim.path / "notes.txt", folder.path / name);
        ASSERT_EQ(::lchown((folder.path / name).c_str(), 65534, 65534), 0);
    }
    // The user's own link is still followed.
    writeBytes(victim.path / "own", "1\r\n");
    fs::create_symlink(victim.path / "own", folder.path / "csets");

    EXPECT_TRUE(files.write("vols", {1, 2, 3, 4}));
    EXPECT_TRUE(files.overwrite("freq1.wav", {1, 2, 3}));
    EXPECT_TRUE(files.write("csets", {7}));
    EXPECT_EQ(readBytes(victim.path / "notes.txt"), "mine\n");
    EXPECT_EQ(readBytes(victim.path / "own"), "7\r\n");
    for (const char* name : {"vols", "freq1.wav"})
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder.path / name))) << name;
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("vols"), std::string::npos);
}

// Nothing saved must not pass unsaid: the first failed write names the
// folder, and later ones add nothing.
TEST_F(FolderSafetyTest, AFolderThatRefusesWritesIsToldOnce)
{
    fs::permissions(folder.path, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const std::string path = folder.path.string();
    const int status = asOrdinaryUser([&] {
        std::error_code ignored;
        fs::permissions(folder.path, fs::perms::owner_write, fs::perm_options::remove, ignored);
        std::vector<std::string> told;
        DataFiles mine(folder.path);
        mine.setListener([&told](const std::string& text) { told.push_back(text); });
        const bool wrote = mine.write("vols", {1}) || mine.overwrite("freq1.wav", {1});
        return !wrote && told.size() == 1 && told[0].find(path) != std::string::npos ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

} // namespace
} // namespace aurelith::test
