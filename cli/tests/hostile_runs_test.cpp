// The real converter against what other programs and the user do around it:
// files that look like its temporaries, links, signals, a disk with room for
// one image at a time, standard streams. (The race of two runs is in
// convert_cli_test, where it runs under Wine too.)
// Each case must end with every reported success true and nothing of the
// user's lost.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "core/tests/test_files.h"
#include "platform/temporaries.h"

extern char** environ;

namespace ondrel {
namespace {

namespace fs = std::filesystem;
using test_support::Bytes;
using test_support::TempFolder;

constexpr std::size_t K = 1024;

// The converter started in folder, not waited for; what it prints goes to
// the file out (relative to folder), or with -q to nowhere; it reads the file
// in as its standard input, from byte inAt on. With program, args[0] is the
// program to start instead (a shell that runs the converter).
pid_t Start(const TempFolder& folder, std::vector<std::string> args, const char* out = nullptr,
            const char* in = "/dev/null", off_t inAt = 0, bool program = false) {
    if (!program) args.insert(args.begin(), ONDREL_CONVERT_PATH);
    if (!out) args.insert(args.begin() + 1, "-q");
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.path().c_str());
    const int input = ::open(in[0] == '/' ? in : (folder / in).c_str(), O_RDONLY | O_CLOEXEC);
    if (input >= 0) ::lseek(input, inAt, SEEK_SET);
    posix_spawn_file_actions_adddup2(&actions, input, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out ? out : "/dev/null", O_WRONLY | O_CREAT,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (input >= 0) ::close(input);
    return pid;
}

// The exit status, or 128 + the signal that ended the run, as a shell shows it.
int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> Temporaries(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (IsTemporaryName(entry.path().filename().string()))
            found.push_back(entry.path().filename().string());
    return found;
}

struct HostileRun {
    const char* name;
    // Makes the files, runs what the case runs, and checks what is left.
    std::function<void(const TempFolder&)> run;
};

void PrintTo(const HostileRun& c, std::ostream* os) {
    *os << c.name;
}

class HostileRunTest : public ::testing::TestWithParam<HostileRun> {};

TEST_P(HostileRunTest, NoFalseSuccessAndNothingOfTheUsersLost) {
    TempFolder folder;
    GetParam().run(folder);
}

// Files of names like the temporaries of earlier versions, or like this
// one's with a wrong check, belong to the user.
void LookalikesKept(const TempFolder& folder) {
    fs::create_directory(folder / "out");
    const std::vector<std::string> users = {
        "diary.txt.ondrel-4000000-backup", "photo.jpg.ondrel-99999-v2copy",
        "in.j8.sav.ondrel-1-abcdef", TemporaryName("in.j8.sav", 7) + "~"};
    for (const auto& name : users) test_support::WriteBytes(folder / "out" / name, Bytes(3, 1));
    test_support::WriteBytes(folder / "in.sav", test_support::PatternBytes(256 * K));
    EXPECT_EQ(Wait(Start(folder, {"--output-dir", "out", "in.sav"})), 0);
    for (const auto& name : users) EXPECT_TRUE(fs::exists(folder / "out" / name)) << name;
}

// A link as the output, dangling or not, is written through and stays.
void LinksWrittenThrough(const TempFolder& folder) {
    fs::create_directories(folder / "cart");
    fs::create_directories(folder / "out");
    test_support::WriteBytes(folder / "in.sav", test_support::PatternBytes(256 * K));
    fs::create_symlink("cart/GAME.sav", folder / "out.sav");
    fs::create_symlink("../cart/in.sav", folder / "out" / "in.j8.sav");
    EXPECT_EQ(Wait(Start(folder, {"-o", "out.sav", "in.sav"})), 0);
    EXPECT_EQ(Wait(Start(folder, {"--output-dir", "out", "in.sav"})), 0);
    EXPECT_TRUE(fs::is_symlink(folder / "out.sav"));
    EXPECT_TRUE(fs::is_symlink(folder / "out" / "in.j8.sav"));
    const Bytes image = test_support::ImageOf(test_support::PatternBytes(256 * K), 256 * K);
    EXPECT_EQ(test_support::ReadBytes(folder / "cart/GAME.sav"), image);
    EXPECT_EQ(test_support::ReadBytes(folder / "cart/in.sav"), image);
    // Now that the file exists, a run without --force keeps it; two outputs
    // through links to one file are one output, even with --force.
    EXPECT_EQ(Wait(Start(folder, {"-o", "out.sav", "in.sav"})), 1);
    fs::create_symlink("NEW.sav", folder / "cart" / "in.j8.sav");
    test_support::WriteBytes(folder / "cart/NEW.nds.sav", Bytes(512, 0x55));
    EXPECT_EQ(Wait(Start(folder, {"-f", "--output-dir", "cart", "in.sav", "cart/NEW.nds.sav"})), 1);
    EXPECT_EQ(test_support::ReadBytes(folder / "cart/NEW.sav"), image);
}

// A signal in the middle of a batch: the run ends as the signal asks, and
// leaves no temporary; the outputs already in place are whole images, and
// each of them was reported before the run ended.
void Interrupted(const TempFolder& folder, int signal) {
    fs::create_directory(folder / "out");
    std::vector<std::string> args = {"--output-dir", "out"};
    for (int i = 0; i < 600; ++i) {
        args.push_back(std::to_string(i) + ".nds.sav");
        args.back().insert(0, 1, 's');
        test_support::WriteBytes(folder / args.back(), Bytes(64 * K, 0x11));
    }
    pid_t run = Start(folder, args, "report");
    // Signalled once it has temporaries to remove and outputs in place.
    const auto placed = [&folder] {
        const auto names = fs::directory_iterator(folder / "out");
        return std::count_if(fs::begin(names), fs::end(names), [](const auto& entry) {
            return !IsTemporaryName(entry.path().filename().string());
        });
    };
    for (int i = 0; i < 500 && (Temporaries(folder / "out").empty() || placed() == 0); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(run, signal);
    EXPECT_EQ(Wait(run), 128 + signal);
    EXPECT_EQ(Temporaries(folder / "out"), std::vector<std::string>{});
    const Bytes image = test_support::ImageOf(Bytes(64 * K, 0x11), 64 * K);
    const Bytes printed = test_support::ReadBytes(folder / "report");
    const std::string report(printed.begin(), printed.end());
    for (const auto& entry : fs::directory_iterator(folder / "out")) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name.size() > 5 && name[0] == 's' &&
                    name.find_first_not_of("0123456789", 1) == name.size() - 4 &&
                    name.ends_with(".sav"))
            << name << " is no output";
        EXPECT_EQ(test_support::ReadBytes(entry.path()), image) << name;
        EXPECT_NE(report.find(" -> out/" + name + " ("), std::string::npos)
            << name << " is in place but was not reported";
    }
}

// On a disk with room for one new image beside the old ones, a batch
// succeeds where the same files one at a time do: with the old images in one
// folder, and in two folders that the outputs reach through links.
void BatchOnATightDisk(const TempFolder& folder) {
    fs::create_directories(folder / "src");
    for (const char* name : {"src/a.sav", "src/b.sav"})
        test_support::WriteBytes(folder / name, test_support::PatternBytes(256 * K));
    const Bytes image = test_support::ImageOf(test_support::PatternBytes(256 * K), 256 * K);
    for (const bool twoFolders : {false, true}) {
        fs::create_directories(folder / "mnt");
        ASSERT_EQ(::mount("tmpfs", (folder / "mnt").c_str(), "tmpfs", 0, "size=1600k"), 0)
            << "mounting a tmpfs needs root";
        const std::vector<std::string> olds =
            twoFolders ? std::vector<std::string>{"x/a.j8.sav", "y/b.j8.sav"}
                       : std::vector<std::string>{"a.j8.sav", "b.j8.sav"};
        fs::create_directories(folder / "mnt/x");
        fs::create_directories(folder / "mnt/y");
        fs::create_directories(folder / "mnt/links");
        for (const std::string& old : olds) {
            test_support::WriteBytes(folder / "mnt" / old, Bytes(512 * K, 0x33));
            if (twoFolders)
                fs::create_symlink("../" + old, folder / "mnt/links" / fs::path(old).filename());
        }
        const int status =
            Wait(Start(folder, {"-f", "--output-dir", twoFolders ? "mnt/links" : "mnt", "src/b.sav",
                                "src/a.sav"}));
        const Bytes a = test_support::ReadBytes(folder / "mnt" / olds[0]);
        const Bytes b = test_support::ReadBytes(folder / "mnt" / olds[1]);
        ::umount((folder / "mnt").c_str());
        EXPECT_EQ(status, 0) << twoFolders;
        EXPECT_EQ(a, image) << twoFolders;
        EXPECT_EQ(b, image) << twoFolders;
    }
}

// What the converter reports is what happened: the size of a file whose size
// the system misstates is what was read from it, and a report that cannot be
// written is a failure.
void HonestReports(const TempFolder& folder) {
    const Bytes symbols = test_support::ReadBytes("/proc/kallsyms");
    ASSERT_GT(symbols.size(), 512 * K);
    EXPECT_EQ(Wait(Start(folder, {"--kind", "nds-sav", "-o", "k.sav", "/proc/kallsyms"}, "report")),
              0);
    const Bytes report = test_support::ReadBytes(folder / "report");
    const std::string dropped = std::to_string(symbols.size() - 512 * K) + " dropped";
    EXPECT_NE(std::string(report.begin(), report.end()).find(dropped), std::string::npos)
        << std::string(report.begin(), report.end());
    test_support::WriteBytes(folder / "in.dat", test_support::PatternBytes(257 * K));
    EXPECT_EQ(Wait(Start(folder, {"in.dat"}, "/dev/full")), 1);
}

// "-" is standard input (with --kind and --output) and, as the output,
// standard output, which must not be a terminal.
void StandardStreams(const TempFolder& folder) {
    const Bytes save = test_support::PatternBytes(257 * K);
    const Bytes image = test_support::ImageOf(save, 256 * K);
    test_support::WriteBytes(folder / "in.dat", save);
    EXPECT_EQ(Wait(Start(folder, {"--kind", "dat", "-o", "piped.sav", "-"}, nullptr, "in.dat")), 0);
    EXPECT_EQ(test_support::ReadBytes(folder / "piped.sav"), image);
    EXPECT_EQ(Wait(Start(folder, {"-o", "-", "in.dat"}, "stdout.sav")), 0);
    EXPECT_EQ(test_support::ReadBytes(folder / "stdout.sav"), image);
    EXPECT_EQ(Wait(Start(folder, {"-"}, nullptr, "in.dat")), 2) << "no --kind";
    // Left by the shell past a file's start, it is reported by what was read.
    EXPECT_EQ(
        Wait(Start(folder, {"--kind", "dat", "-o", "rest.sav", "-"}, "report", "in.dat", 1000)), 0);
    const Bytes report = test_support::ReadBytes(folder / "report");
    EXPECT_NE(std::string(report.begin(), report.end()).find("262144 bytes used / 24 dropped"),
              std::string::npos)
        << std::string(report.begin(), report.end());
    EXPECT_EQ(test_support::ReadBytes(folder / "rest.sav"),
              test_support::ImageOf(Bytes(save.begin() + 1000, save.end()), 256 * K));
    // An endless one is refused once it gives more than any save holds.
    EXPECT_EQ(
        Wait(Start(folder, {"--kind", "nds-sav", "-o", "zero.sav", "-"}, nullptr, "/dev/zero")), 1);
    EXPECT_FALSE(fs::exists(folder / "zero.sav"));
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal) | ::unlockpt(terminal), 0);
    EXPECT_EQ(Wait(Start(folder, {"-o", "-", "in.dat"}, ::ptsname(terminal))), 2);
    ::close(terminal);
    EXPECT_FALSE(fs::exists(folder / "-"));
}

// The converter run by a shell in folder, as "$0" in script.
int Shell(const TempFolder& folder, const std::string& script) {
    return Wait(Start(
        folder,
        {"/bin/sh", "-c", "cd \"$1\" && " + script, ONDREL_CONVERT_PATH, folder.path().string()},
        "/dev/null", "/dev/null", 0, true));
}

std::string Text(const fs::path& file) {
    const Bytes bytes = test_support::ReadBytes(file);
    return std::string(bytes.begin(), bytes.end());
}

// Limits and places that make writing fail: each failure is a message and
// an exit status of 1, never a signal, and leaves no stray file; what did
// reach a device or a pipe is said.
void WriteFaults(const TempFolder& folder) {
    const Bytes save = test_support::PatternBytes(256 * K);
    test_support::WriteBytes(folder / "in.dat", save);
    // Past the file size limit (ulimit -f, in blocks of 512 bytes).
    EXPECT_EQ(Shell(folder, "ulimit -f 100; exec \"$0\" in.dat 2>err"), 1);
    EXPECT_NE(Text(folder / "err").find("too large; nothing written"), std::string::npos)
        << Text(folder / "err");
    EXPECT_FALSE(fs::exists(folder / "in.sav"));
    EXPECT_EQ(Temporaries(folder.path()), std::vector<std::string>{});
    // A pipe whose reader leaves after 100,000 bytes.
    EXPECT_EQ(Shell(folder, "\"$0\" -o - in.dat 2>err | head -c 100000 >/dev/null; exit 0"), 0);
    EXPECT_NE(Text(folder / "err").find(" written to it"), std::string::npos)
        << Text(folder / "err");
    // Standard output into a file on a disk that fills up midway.
    fs::create_directory(folder / "full");
    ASSERT_EQ(::mount("tmpfs", (folder / "full").c_str(), "tmpfs", 0, "size=300k"), 0)
        << "mounting a tmpfs needs root";
    const int full = Shell(folder, "exec \"$0\" -o - in.dat >full/x.sav 2>err");
    ::umount((folder / "full").c_str());
    EXPECT_EQ(full, 1);
    const std::string filled = Text(folder / "err");
    EXPECT_NE(filled.find("no space left on device; "), std::string::npos) << filled;
    EXPECT_NE(filled.find(" bytes were written to it"), std::string::npos) << filled;
    // A batch larger than the files the process may open.
    fs::create_directory(folder / "many");
    for (int i = 0; i < 200; ++i)
        test_support::WriteBytes(folder / "many" / (std::to_string(i) + ".dat"), Bytes(512, 1));
    EXPECT_EQ(Shell(folder, "ulimit -n 64; exec \"$0\" -q many/*.dat"), 0);
    EXPECT_TRUE(fs::exists(folder / "many" / "199.sav"));
    // An append-only folder takes a new file but lets none be moved or removed.
    fs::create_directory(folder / "log");
    if (Shell(folder, "chattr +a log 2>/dev/null") == 0) {
        EXPECT_EQ(Shell(folder, "exec \"$0\" -q --output-dir log in.dat 2>err"), 1);
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(folder / "log"))
            left.push_back(entry.path().filename().string());
        Shell(folder, "chattr -a log");
        EXPECT_EQ(left.size(), 0u) << left.front();
        EXPECT_NE(Text(folder / "err").find("nothing written"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileRunTest,
    ::testing::Values(HostileRun{"LookalikesKept", LookalikesKept},
                      HostileRun{"LinksWrittenThrough", LinksWrittenThrough},
                      HostileRun{"Interrupt", [](auto& f) { Interrupted(f, SIGINT); }},
                      HostileRun{"Terminate", [](auto& f) { Interrupted(f, SIGTERM); }},
                      HostileRun{"HangUp", [](auto& f) { Interrupted(f, SIGHUP); }},
                      HostileRun{"BatchOnATightDisk", BatchOnATightDisk},
                      HostileRun{"HonestReports", HonestReports},
                      HostileRun{"StandardStreams", StandardStreams},
                      HostileRun{"WriteFaults", WriteFaults}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ondrel
