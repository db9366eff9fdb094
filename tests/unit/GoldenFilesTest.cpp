// SPDX-License-Identifier: GPL-3.0-or-later
// Pins every byte the program writes on a short session: the first-run files,
// the tone files of a band button, the stores and defaults of the families and
// what the exit saves. The copies under tests/golden were written by the program
// itself; AURELITH_WRITE_GOLDEN=1 rewrites them (only ever on purpose), and
// the test then reports itself skipped: it compared nothing.
#include "support/AppFixture.h"

#include <cstdlib>
#include <map>

namespace aurelith::test {
namespace {

using namespace ctl;

// Not __FILE__: a compiler cache may make it relative to the build folder.
const fs::path kGolden = fs::path(AURELITH_SOURCE_DIR) / "tests" / "golden";

std::map<std::string, std::string> contents(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = readBytes(entry.path());
    return files;
}

class GoldenFilesTest : public AppTest {
protected:
    const bool writing = std::getenv("AURELITH_WRITE_GOLDEN") != nullptr;
    // Compares the whole folder with the stage's copies, file by file.
    void expectFolderMatches(const std::string& stage)
    {
        const fs::path expected = kGolden / stage;
        const std::map<std::string, std::string> actual = contents(folder.path);
        if (writing) {
            fs::remove_all(expected);
            fs::create_directories(expected);
            for (const auto& [name, bytes] : actual)
                writeBytes(expected / name, bytes);
            return;
        }
        ASSERT_TRUE(fs::is_directory(expected)) << expected;
        const std::map<std::string, std::string> golden = contents(expected);
        EXPECT_EQ(folderNames(folder.path), folderNames(expected)) << stage;
        for (const auto& [name, bytes] : golden) {
            const auto found = actual.find(name);
            if (found != actual.end()) {
                EXPECT_TRUE(found->second == bytes) << stage << ": " << name << " differs";
            }
        }
    }
};

TEST_F(GoldenFilesTest, ASessionWritesTheSameBytes)
{
    ASSERT_TRUE(start());
    expectFolderMatches("first-run");

    click(cmdLDelta); // beat 1 on the base frequency
    expectFolderMatches("band-button");

    click(cmdWaveform);        // square, rebuilt
    click(cmdStoreA);          // in group 1
    click(cmdNextMemoryGroup); // group 2
    click(cmdStoreScanBanks);  // banks 1-4
    click(cmdScanBank2);
    click(cmdDefaultMemories);
    click(cmdDefaultConditions);
    click(cmdBaseFreqMode); // off
    click(cmdExit);
    EXPECT_TRUE(app.quitRequested);
    expectFolderMatches("session");
    if (writing)
        GTEST_SKIP() << "wrote the golden copies under " << kGolden << "; compared nothing";
}

} // namespace
} // namespace aurelith::test
