// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFiles.h"
#include "support/AppFixture.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace aurelith::test {
namespace {

class DataFilesTest : public ::testing::Test {
protected:
    TempFolder folder;
    DataFiles files{folder.path};
};

TEST_F(DataFilesTest, RecordEncoding)
{
    EXPECT_EQ(DataFiles::encode({3500, 0, -4950, 135}), "3500,0,-4950,135\r\n");
    EXPECT_EQ(DataFiles::encode({Value("c:\\event1.bat"), Value("Event 1")}), "\"c:\\event1.bat\",\"Event 1\"\r\n");
    EXPECT_EQ(DataFiles::encode({160.5}), "160.5\r\n");
    // A quote inside a text would cut the field short when read back.
    EXPECT_EQ(DataFiles::encode({Value("say \"hi\"")}), "\"say 'hi'\"\r\n");
}

TEST_F(DataFilesTest, RoundTrip)
{
    const std::vector<Value> record = {Value(-4950), Value("a, b"), Value(1.25), Value("")};
    ASSERT_TRUE(files.write("rec", record));
    EXPECT_EQ(files.read("rec"), record);
}

TEST_F(DataFilesTest, TolerantReading)
{
    EXPECT_EQ(DataFiles::decode("1,2\n"), (std::vector<Value>{1, 2}));
    EXPECT_EQ(DataFiles::decode("1,2,3,4,5\r\n"), (std::vector<Value>{1, 2, 3, 4, 5}));
    EXPECT_EQ(DataFiles::decode(" 7 , x1 \r\n9"), (std::vector<Value>{Value(7), Value("x1")}));
    EXPECT_EQ(DataFiles::decode("\"unterminated"), (std::vector<Value>{Value("unterminated")}));
    EXPECT_EQ(DataFiles::decode("1,,3"), (std::vector<Value>{Value(1), Value(), Value(3)}));
    EXPECT_TRUE(DataFiles::decode("").empty());
    EXPECT_TRUE(DataFiles::decode("\r\n1").empty());
}

TEST_F(DataFilesTest, MissingFieldsKeepTheirValues)
{
    writeBytes(folder.path / "vols", "-100,200\r\n");
    Value a = 1, b = 2, c = 3, d = 4;
    EXPECT_TRUE(files.readInto("vols", {&a, &b, &c, &d}));
    EXPECT_EQ(a, Value(-100));
    EXPECT_EQ(b, Value(200));
    EXPECT_EQ(c, Value(3));
    EXPECT_EQ(d, Value(4));
    EXPECT_FALSE(files.readInto("missing", {&a}));
    EXPECT_EQ(a, Value(-100));
    EXPECT_FALSE(files.exists("missing")); // reading never creates a file
}

TEST_F(DataFilesTest, BinaryGarbageNeverCrashes)
{
    for (unsigned seed : {1u, 7919u, 104729u}) {
        std::string garbage;
        for (unsigned i = 0; i < 300000; ++i)
            garbage += static_cast<char>(((i * seed) >> 3) & 0xFF);
        writeBytes(folder.path / "junk", garbage);
        Value a = 1, b = 2;
        EXPECT_TRUE(files.readInto("junk", {&a, &b}));
    }
    writeBytes(folder.path / "junk", std::string("42,\0\x01\xfe\"\x7f", 9));
    Value first, second;
    files.readInto("junk", {&first, &second});
    EXPECT_EQ(first, Value(42));
    EXPECT_TRUE(second.isText());
}

TEST_F(DataFilesTest, WriteReplacesWholeAndLeavesNoTemporaryFiles)
{
    ASSERT_TRUE(files.write("vols", {1, 2, 3, 4}));
    ASSERT_TRUE(files.write("vols", {5}));
    EXPECT_EQ(readBytes(folder.path / "vols"), "5\r\n");
    int count = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder.path))
        ++count;
    EXPECT_EQ(count, 1);
}

TEST_F(DataFilesTest, ReplacementKeepsPermissions)
{
    ASSERT_TRUE(files.write("csets", {1}));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(folder.path / "csets").permissions()), 0666 & ~mask);
    fs::permissions(folder.path / "csets", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(files.write("csets", {2}));
    EXPECT_EQ(fs::status(folder.path / "csets").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(DataFilesTest, FailedReplaceKeepsTheOldFile)
{
    // A folder where the file should go makes the final rename fail.
    fs::create_directory(folder.path / "csets");
    writeBytes(folder.path / "csets" / "inside", "old");
    EXPECT_FALSE(files.write("csets", {3}));
    EXPECT_EQ(readBytes(folder.path / "csets" / "inside"), "old");
    int count = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder.path))
        ++count;
    EXPECT_EQ(count, 1); // no temporary left behind
}

// Root may write anywhere, so the read-only case runs as an unprivileged user.
TEST_F(DataFilesTest, ReadOnlyFolderKeepsOldContents)
{
    ASSERT_TRUE(files.write("vols", {1, 2, 3, 4}));
    fs::permissions(folder.path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(folder.path / "vols", fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0)
            ::_exit(3);
        std::error_code ignored;
        fs::permissions(folder.path, fs::perms::owner_write, fs::perm_options::remove, ignored);
        ::_exit(files.write("vols", {9, 9, 9, 9}) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readBytes(folder.path / "vols"), "1,2,3,4\r\n");
}

} // namespace
} // namespace aurelith::test
