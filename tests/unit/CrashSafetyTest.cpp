#include "app/DataFiles.h"
#include "support/AppFixture.h"

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace aurelith::test {
namespace {

// The records the program stores, in their real shapes, each numbered by n:
// a frequency memory (two texts), a colour pick, a scan bank (two numbers)
// and the levels saved at exit (four numbers).
struct Kind {
    const char* file;
    std::vector<Value> (*record)(long n);
};
const Kind kKinds[] = {
    {"prgc2",
     [](long n) {
         return std::vector<Value>{Value(std::to_string(n)), Value(std::to_string(n) + ".5")};
     }},
    {"stimc7", [](long n) { return std::vector<Value>{Value(static_cast<double>(n))}; }},
    {"sprgb3",
     [](long n) {
         return std::vector<Value>{Value(static_cast<double>(n)), Value(n + 0.25)};
     }},
    {"vols",
     [](long n) {
         return std::vector<Value>{Value(static_cast<double>(n)), Value(-3000), Value(-4950), Value(135)};
     }},
};

// The number of the record a file holds, or -1 when it is not exactly one of them.
long recordNumber(const Kind& kind, const std::string& content)
{
    const std::vector<Value> fields = DataFiles::decode(content);
    if (fields.empty())
        return -1;
    const auto n = wholeNumber(fields.front().text());
    if (!n || *n < 0)
        return -1;
    const long number = static_cast<long>(*n);
    return DataFiles::encode(kind.record(number)) == content ? number : -1;
}

// Run k stores records numbered from k * 10^6 up, for ever; it is killed at a
// random moment, often in the middle of a write.
[[noreturn]] void storeForEver(const fs::path& folder, long run)
{
    DataFiles files(folder);
    for (long n = run * 1000000;; ++n)
        for (const Kind& kind : kKinds)
            files.write(kind.file, kind.record(n));
}

TEST(CrashSafetyTest, KilledAtAnyMomentEveryFileHoldsItsOldOrItsNewRecord)
{
    TempFolder folder;
    DataFiles files(folder.path);
    std::vector<long> last;
    for (const Kind& kind : kKinds) {
        ASSERT_TRUE(files.write(kind.file, kind.record(0)));
        last.push_back(0);
    }
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delayUs(0, 12000);
    constexpr int kKills = 240;
    int advanced = 0;
    int midWrite = 0; // kills that left a temporary behind
    for (int run = 1; run <= kKills; ++run) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            storeForEver(folder.path, run);
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        for (size_t k = 0; k < std::size(kKinds); ++k) {
            const std::string content = readBytes(folder.path / kKinds[k].file);
            const long n = recordNumber(kKinds[k], content);
            ASSERT_GE(n, 0) << kKinds[k].file << " after kill " << run << " holds \"" << content << "\"";
            // Never an older record than the one seen before.
            ASSERT_GE(n, last[k]) << kKinds[k].file << " after kill " << run;
            advanced += n > last[k];
            last[k] = n;
        }
        midWrite += std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()) > 4;
        // What a killed writer left behind is swept, the records stay.
        files.removeLeftovers(std::chrono::seconds(0));
    }
    // The kills must have met writes in progress, and writes must have finished too.
    EXPECT_GT(midWrite, kKills / 4);
    EXPECT_GT(advanced, kKills / 4);
    EXPECT_EQ(folderNames(folder.path), (std::vector<std::string>{"prgc2", "sprgb3", "stimc7", "vols"}));
}

} // namespace
} // namespace aurelith::test
