#include "app/DataFolder.h"
#include "support/AppFixture.h"

#include <cstdlib>
#include <optional>
#include <pwd.h>
#include <unistd.h>

namespace aurelith::test {
namespace {

// Each case sets HOME and XDG_DATA_HOME as it needs; the fixture puts them back.
class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"HOME", "XDG_DATA_HOME"}) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
    static void setEnv(const char* name, const char* value) { value ? ::setenv(name, value, 1) : ::unsetenv(name); }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    TempFolder folder;
};

TEST_F(DataFolderTest, HomeComesFromTheEnvironmentOrElseThePasswordDatabase)
{
    const passwd* entry = ::getpwuid(::getuid());
    if (!entry || entry->pw_dir[0] != '/')
        GTEST_SKIP() << "this account has no absolute home in the password database";
    const fs::path fromDatabase = fs::path(entry->pw_dir) / ".local/share/aurelith";
    struct Case {
        const char* home;
        const char* xdg;
        fs::path expected;
    };
    const Case cases[] = {
        {"/home/x", "/data", "/data/aurelith"},
        {"/home/x", "relative/data", "/home/x/.local/share/aurelith"},
        {"/home/x", nullptr, "/home/x/.local/share/aurelith"},
        {nullptr, nullptr, fromDatabase},
        {"", "", fromDatabase},
        {"relative", nullptr, fromDatabase},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.home ? c.home : "(unset)") + " / " + (c.xdg ? c.xdg : "(unset)"));
        setEnv("HOME", c.home);
        setEnv("XDG_DATA_HOME", c.xdg);
        EXPECT_EQ(defaultDataFolder(), c.expected);
    }
}

TEST_F(DataFolderTest, NoHomeAnywhereIsAnErrorThatSaysWhatToSet)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to become an account the password database does not know";
    uid_t unknown = 54321;
    while (::getpwuid(unknown))
        ++unknown;
    const int status = asUser(unknown, [] {
        ::unsetenv("HOME");
        ::unsetenv("XDG_DATA_HOME");
        std::error_code error;
        std::string notice;
        prepareDataFolder(error, notice);
        const bool clear = error && error.category() == dataFolderCategory() &&
                           error.message().find("HOME") != std::string::npos;
        return clear && defaultDataFolder().empty() ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

TEST_F(DataFolderTest, FolderIsCreatedPrivateWithItsParents)
{
    setEnv("XDG_DATA_HOME", (folder.path / "share").c_str());
    std::error_code error;
    std::string notice;
    const fs::path made = prepareDataFolder(error, notice);
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(made, folder.path / "share/aurelith");
    EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(folder.path / "share").permissions(), fs::perms::owner_all);
    // A folder the user already has keeps the mode they gave it.
    fs::permissions(made, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    prepareDataFolder(error, notice);
    EXPECT_FALSE(error);
    EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_EQ(notice, "");
    // A file in the way is an error, not a success.
    writeBytes(folder.path / "blocked", "x");
    EXPECT_FALSE(createPrivateFolder(folder.path / "blocked" / "aurelith", error));
    EXPECT_TRUE(error);
}

// Only its owner may steer the folder: others could otherwise plant links or
// the commands that events launch.
TEST_F(DataFolderTest, OnlyItsOwnerCanSteerTheFolder)
{
    setEnv("XDG_DATA_HOME", folder.path.c_str());
    const fs::path made = folder.path / "aurelith";
    fs::create_directory(made);
    fs::permissions(made, fs::perms::all);
    std::error_code error;
    std::string notice;
    prepareDataFolder(error, notice);
    EXPECT_FALSE(error);
    EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all);
    EXPECT_NE(notice.find(made.string()), std::string::npos) << notice;
    EXPECT_NE(notice.find("0777"), std::string::npos) << notice;

    if (::geteuid() != 0)
        GTEST_SKIP() << "giving the folder to another user needs root";
    ASSERT_EQ(::chown(made.c_str(), 65534, 65534), 0);
    notice.clear();
    prepareDataFolder(error, notice);
    EXPECT_EQ(error, std::error_code(static_cast<int>(DataFolderError::foreignOwner), dataFolderCategory()));
}

} // namespace
} // namespace aurelith::test
