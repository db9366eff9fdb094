// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFiles.h"
#include "support/AppFixture.h"

#include <cerrno>
#include <sys/stat.h>
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
    EXPECT_EQ((std::vector{a, b, c, d}), (std::vector<Value>{-100, 200, 3, 4}));
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
    EXPECT_EQ(folderNames(folder.path).size(), 1u);
}

TEST_F(DataFilesTest, ReplacementKeepsPermissions)
{
    ASSERT_TRUE(files.write("csets", {1}));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(folder.path / "csets").permissions()), 0644 & ~mask);
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
    EXPECT_EQ(folderNames(folder.path).size(), 1u); // no temporary left behind
}

// Root may write anywhere, so the read-only case runs as an unprivileged user.
TEST_F(DataFilesTest, ReadOnlyFolderKeepsOldContents)
{
    ASSERT_TRUE(files.write("vols", {1, 2, 3, 4}));
    fs::permissions(folder.path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(folder.path / "vols", fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    EXPECT_EQ(asOrdinaryUser([&] {
                  std::error_code ignored;
                  fs::permissions(folder.path, fs::perms::owner_write, fs::perm_options::remove, ignored);
                  return files.write("vols", {9, 9, 9, 9}) ? 1 : 0;
              }),
              0);
    EXPECT_EQ(readBytes(folder.path / "vols"), "1,2,3,4\r\n");
}

// Whatever is at a data file's name that we may not or cannot replace stays
// exactly as it is, and start-up never hangs on it.
TEST_F(DataFilesTest, FilesThatMustNotBeReplacedAreKept)
{
    using Status = DataFiles::ReadStatus;
    // Root reads it anyway; the mode still tells us the user wants it left alone.
    const Status rootReads = ::geteuid() == 0 ? Status::read : Status::unreadable;
    struct Case {
        const char* what;
        fs::perms mode; // of a file holding "1,2", unless made otherwise
        void (*make)(const fs::path& file);
        Status read;
    };
    const Case cases[] = {
        {"read-only (0444)", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, {}, Status::read},
        {"unreadable (000)", fs::perms::none, {}, rootReads},
        {"write-only (0200)", fs::perms::owner_write, {}, rootReads},
        {"FIFO", {}, [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }, Status::unreadable},
        {"folder", {}, [](const fs::path& f) { fs::create_directory(f); }, Status::unreadable},
        {"link to a device", {}, [](const fs::path& f) { fs::create_symlink("/dev/zero", f); }, Status::unreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = folder.path / "vols";
        if (c.make) {
            c.make(file);
        } else {
            writeBytes(file, "1,2\r\n");
            fs::permissions(file, c.mode);
        }
        struct stat before {};
        ASSERT_EQ(::lstat(file.c_str(), &before), 0);
        std::vector<Value> fields;
        EXPECT_EQ(files.read("vols", fields), c.read);
        EXPECT_FALSE(files.write("vols", {3500, 0, -4950, 135}));
        struct stat after {};
        ASSERT_EQ(::lstat(file.c_str(), &after), 0);
        EXPECT_EQ(std::tuple(after.st_ino, after.st_mode, after.st_size),
                  std::tuple(before.st_ino, before.st_mode, before.st_size));
        EXPECT_EQ(folderNames(folder.path).size(), 1u); // no temporary left behind
        std::error_code ignored;
        if (!fs::is_symlink(file))
            fs::permissions(file, fs::perms::owner_all, ignored);
        fs::remove_all(file);
    }
}

TEST_F(DataFilesTest, SymlinkedFileHasItsTargetReplaced)
{
    TempFolder elsewhere;
    writeBytes(elsewhere.path / "real-vols", "1,2,3,4\r\n");
    fs::create_symlink(elsewhere.path / "real-vols", folder.path / "vols");
    // A relative link in a chain resolves from its own folder.
    fs::create_symlink("real-vols", elsewhere.path / "hop");
    fs::create_symlink(elsewhere.path / "hop", folder.path / "csets");
    ASSERT_TRUE(files.write("vols", {5, 6, 7, 8}));
    ASSERT_TRUE(files.write("csets", {9}));
    for (const fs::path& link : {folder.path / "vols", folder.path / "csets", elsewhere.path / "hop"})
        EXPECT_TRUE(fs::is_symlink(link)) << link;
    EXPECT_EQ(readBytes(elsewhere.path / "real-vols"), "9\r\n");
    EXPECT_EQ(files.read("vols"), (std::vector<Value>{9}));
    // A dangling link gets its target made; a link loop is left alone.
    fs::create_symlink(elsewhere.path / "new-oncol", folder.path / "oncol");
    ASSERT_TRUE(files.write("oncol", {255}));
    EXPECT_EQ(readBytes(elsewhere.path / "new-oncol"), "255\r\n");
    fs::create_symlink(folder.path / "loop", folder.path / "loop");
    EXPECT_FALSE(files.write("loop", {1}));
    EXPECT_TRUE(fs::is_symlink(folder.path / "loop"));
}

TEST_F(DataFilesTest, HugeFileReadsOnlyItsFirstRecord)
{
    // 100 MB, sparse: a record, then nothing but zeros.
    const fs::path file = folder.path / "vols";
    writeBytes(file, "-100,200,300,135\r\n");
    fs::resize_file(file, 100u << 20);
    EXPECT_EQ(files.read("vols"), (std::vector<Value>{-100, 200, 300, 135}));
    // One endless line of digits is a text field cut at the record limit, not a hang.
    writeBytes(file, std::string(3u << 20, '7'));
    const auto fields = files.read("vols");
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 1u);
    EXPECT_LE((*fields)[0].text().size(), DataFiles::kMaxRecordBytes);
}

// Faults of the disk, injected where the write meets the system: the old file
// stays whole and no temporary is left.
TEST_F(DataFilesTest, FailedWriteLeavesTheOldFileWhole)
{
    struct Fault {
        const char* what;
        FileCalls calls;
    };
    static int budget = 0;
    const Fault faults[] = {
        {"no space", {[](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; }, ::fsync, ::rename}},
        {"no space after a few bytes",
         {[](int fd, const void* data, size_t bytes) -> ssize_t {
              if (budget <= 0)
                  return errno = ENOSPC, -1;
              const auto n = ::write(fd, data, std::min<size_t>(bytes, static_cast<size_t>(budget)));
              budget -= static_cast<int>(n);
              return n;
          },
          ::fsync, ::rename}},
        {"flush fails", {::write, [](int) { return errno = EIO, -1; }, ::rename}},
        {"rename fails", {::write, ::fsync, [](const char*, const char*) { return errno = EXDEV, -1; }}},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.what);
        budget = 5;
        DataFiles healthy(folder.path);
        ASSERT_TRUE(healthy.write("prga1", {Value("160"), Value("165.5")}));
        DataFiles failing(folder.path);
        failing.calls = f.calls;
        EXPECT_FALSE(failing.write("prga1", {Value("200.25"), Value("210")}));
        EXPECT_EQ(readBytes(folder.path / "prga1"), "\"160\",\"165.5\"\r\n");
        EXPECT_EQ(folderNames(folder.path), std::vector<std::string>{"prga1"});
    }
}

TEST_F(DataFilesTest, DeletedFolderIsMadeAgainPrivate)
{
    fs::remove_all(folder.path);
    ASSERT_TRUE(files.write("csets", {4}));
    EXPECT_EQ(files.read("csets"), (std::vector<Value>{4}));
    EXPECT_EQ(fs::status(folder.path).permissions(), fs::perms::owner_all);
}

TEST_F(DataFilesTest, LeftoverTemporariesAreSweptOnceStale)
{
    writeBytes(folder.path / ".vols.part-a1B2c3", "half");
    writeBytes(folder.path / ".notes", "the user's own");
    ASSERT_TRUE(files.write("vols", {1}));
    files.removeLeftovers(std::chrono::hours(1));
    EXPECT_TRUE(fs::exists(folder.path / ".vols.part-a1B2c3")); // may still be another writer's
    files.removeLeftovers(std::chrono::seconds(0));
    EXPECT_FALSE(fs::exists(folder.path / ".vols.part-a1B2c3"));
    EXPECT_TRUE(fs::exists(folder.path / ".notes"));
    EXPECT_EQ(readBytes(folder.path / "vols"), "1\r\n");
}

} // namespace
} // namespace aurelith::test
