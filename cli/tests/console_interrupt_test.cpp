// The real converter interrupted mid-batch from its console on Windows, as
// Ctrl-C at the keyboard interrupts it: its temporaries are removed, the
// outputs already in place stay whole, and it ends with the status of an
// interrupted run. (The POSIX signals are in hostile_runs_test.)
//
// The test gives itself a console of its own, which the converter shares as
// a program started from it does, and sends the event to every process on
// that console while ignoring it itself.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli/tests/run_program.h"
#include "core/tests/test_files.h"
#include "platform/temporaries.h"

namespace ondrel {
namespace {

namespace fs = std::filesystem;
using test_support::Bytes;
using test_support::TempFolder;

constexpr std::size_t K = 1024;

// The names in folder that are temporaries (or, with false, that are not).
std::vector<std::string> Names(const fs::path& folder, bool temporaries = true) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (IsTemporaryName(entry.path().filename().string()) == temporaries)
            found.push_back(entry.path().filename().string());
    return found;
}

// Keeps this process running when the event reaches it too.
BOOL WINAPI IgnoreEvent(DWORD) {
    return TRUE;
}

struct Interrupt {
    const char* name;
    DWORD event;
    int status;
};

void PrintTo(const Interrupt& i, std::ostream* os) {
    *os << i.name;
}

class ConsoleInterrupt : public ::testing::TestWithParam<Interrupt> {
protected:
    void SetUp() override {
        ::FreeConsole();
        ASSERT_TRUE(::AllocConsole()) << "no console (error " << ::GetLastError() << ")";
        ASSERT_TRUE(::SetConsoleCtrlHandler(IgnoreEvent, TRUE));
    }
    void TearDown() override {
        ::SetConsoleCtrlHandler(IgnoreEvent, FALSE);
        ::FreeConsole();
    }
};

TEST_P(ConsoleInterrupt, RemovesTemporariesAndKeepsWholeOutputs) {
    TempFolder folder;
    fs::create_directory(folder / "out");
    std::vector<std::string> args = {"-q", "--output-dir", "out"};
    for (int i = 0; i < 600; ++i) {
        args.push_back("s" + std::to_string(i) + ".nds.sav");
        test_support::WriteBytes(folder / args.back(), Bytes(64 * K, 0x11));
    }
    bool sent = false;
    DWORD sendError = 0;
    const auto run = test_support::RunProgramWhile(
        test_support::ConverterProgram(), args, folder.path().string(), [&] {
            // Interrupted once it has outputs in place and temporaries to
            // remove: while it writes its second group of outputs.
            for (int i = 0; i < 1000 &&
                            (Names(folder / "out").empty() || Names(folder / "out", false).empty());
                 ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            sent = ::GenerateConsoleCtrlEvent(GetParam().event, 0) != FALSE;
            if (!sent) sendError = ::GetLastError();
        });
    ASSERT_TRUE(sent) << "GenerateConsoleCtrlEvent failed (error " << sendError << ")";
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    EXPECT_EQ(Names(folder / "out"), std::vector<std::string>{});
    const Bytes image = test_support::ImageOf(Bytes(64 * K, 0x11), 64 * K);
    const std::vector<std::string> outputs = Names(folder / "out", false);
    EXPECT_FALSE(outputs.empty());
    for (const std::string& name : outputs) {
        EXPECT_TRUE(name.size() > 5 && name[0] == 's' &&
                    name.find_first_not_of("0123456789", 1) == name.size() - 4 &&
                    name.ends_with(".sav"))
            << name << " is no output";
        EXPECT_EQ(test_support::ReadBytes(folder / "out" / name), image) << name;
    }
}

// Ctrl-Break has no row: Wine 8 refuses to send CTRL_BREAK_EVENT to the
// processes of a console (error 6), where it sends CTRL_C_EVENT.
INSTANTIATE_TEST_SUITE_P(Events, ConsoleInterrupt,
                         ::testing::Values(Interrupt{"CtrlC", CTRL_C_EVENT, 130}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ondrel
