// Kills the real converter at random moments while it replaces an existing
// save, and checks after every kill that the save is either exactly the old
// file or exactly the new image, never a mix or a truncation, and that killed
// runs do not pile up temporary files.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "core/tests/test_files.h"

namespace ondrel {
namespace {

namespace fs = std::filesystem;
using test_support::Bytes;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 250;

pid_t StartConverter(const fs::path& in, const fs::path& out) {
    pid_t child = ::fork();
    if (child == 0) {
        ::execl(ONDREL_CONVERT_PATH, ONDREL_CONVERT_PATH, "--quiet", "--force", "-o", out.c_str(),
                in.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return child;
}

int CountTemporaries(const test_support::TempFolder& folder) {
    int count = 0;
    for (const auto& name : folder.Names()) count += name.find(".ondrel-") != std::string::npos;
    return count;
}

TEST(CrashConsistencyTest, KilledConversionLeavesOldOrNewSave) {
    test_support::TempFolder folder;
    const fs::path in = folder / "Zelda.sav", out = folder / "Zelda.j8.sav";
    const Bytes input = test_support::PatternBytes(520 * 1024, 16);
    test_support::WriteBytes(in, input);
    Bytes expectedNew(input.begin() + 512 * 1024, input.end());
    expectedNew.insert(expectedNew.end(), input.begin() + 8 * 1024, input.begin() + 512 * 1024);
    const Bytes old(300 * 1024, 0x5A);

    // How long one whole run takes: kills are spread over that span.
    auto started = Clock::now();
    int status = 0;
    ::waitpid(StartConverter(in, out), &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the converter does not run";
    ASSERT_EQ(test_support::ReadBytes(out), expectedNew);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);

    std::mt19937 random(20261207);
    std::uniform_int_distribution<long> delay(0, span.count() * 3 / 2);
    int keptOld = 0, gotNew = 0;
    for (int round = 0; round < kRounds; ++round) {
        // The old save is put back whole, as a rename, before each round.
        test_support::WriteBytes(folder / "old.tmp", old);
        fs::rename(folder / "old.tmp", out);

        pid_t child = StartConverter(in, out);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);

        const Bytes now = test_support::ReadBytes(out);
        if (now == old) {
            ++keptOld;
        } else {
            ASSERT_EQ(now, expectedNew) << "round " << round << ": the save is neither old nor new";
            ++gotNew;
        }
        ASSERT_LE(CountTemporaries(folder), 1) << "round " << round << ": temporaries pile up";
    }
    // Both outcomes must have happened, or the kills missed the conversion.
    EXPECT_GT(keptOld, 0);
    EXPECT_GT(gotNew, 0);
    std::printf("%d rounds: old save kept %d times, new save %d times\n", kRounds, keptOld, gotNew);

    // The next complete run removes what the killed ones left.
    ::waitpid(StartConverter(in, out), &status, 0);
    EXPECT_EQ(test_support::ReadBytes(out), expectedNew);
    EXPECT_EQ(CountTemporaries(folder), 0);
}

}  // namespace
}  // namespace ondrel
