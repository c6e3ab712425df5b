// The real converter on a failing disk: a FUSE file system of the test's own
// (failing_disk.py, run by Debian's Python with python3-fusepy) serves the
// files of a folder and fails the reads and syncs a case names with EIO, as
// a dying SD card does. A read that fails must fail the conversion, never
// become a save of zeros; an output whose sync fails must not replace the
// old one. Every case ends with the disk unmounted and no temporary left.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/tests/test_files.h"
#include "platform/temporaries.h"

extern char** environ;

namespace ondrel {
namespace {

namespace fs = std::filesystem;
using test_support::Bytes;
using test_support::TempFolder;
using Clock = std::chrono::steady_clock;

constexpr std::size_t K = 1024;
// Debian's own interpreter: python3-fusepy is installed for it alone.
constexpr const char* kPython = "/usr/bin/python3";

// The saves of the cases, made when a case runs.
Bytes CartSave() {
    return test_support::PatternBytes(512 * K);
}
Bytes CartImage() {
    return test_support::ImageOf(CartSave(), 512 * K);
}
Bytes DsLinkSave() {  // 520K, the first 16 bytes blank
    return test_support::PatternBytes(532'480, 16);
}
Bytes M3Save() {
    return test_support::PatternBytes(257 * K);
}
Bytes M3Image() {
    return test_support::ImageOf(M3Save(), 256 * K);
}
Bytes DsvSave() {  // 64 KiB and the 122-byte footer
    return test_support::DsvFile(test_support::PatternBytes(64 * K));
}
Bytes OldImage() {
    return Bytes(512 * K, 0x33);
}

std::string IoFailure(const std::string& path) {
    return "ondrel-convert: " + path + ": input/output error; nothing written";
}

// A file put on the disk before it is mounted, whose reads fail from an
// offset on when failsFrom is given.
struct DiskFile {
    const char* path;  // under the mount
    Bytes (*bytes)();
    std::optional<std::uint64_t> failsFrom = std::nullopt;
};

// What a case leaves: a file of these bytes, or (bytes null) none.
struct Left {
    const char* path;  // in the test's folder: mnt/ is the disk, out/ beside it
    Bytes (*bytes)();
};

struct FailingDiskCase {
    const char* name;
    std::vector<DiskFile> files;
    std::vector<std::string> args;  // run in the test's folder
    int status;
    std::vector<std::string> errors;  // standard error, line by line
    std::vector<Left> left;
    const char* standardInput = "/dev/null";
    const char* fsyncFails = nullptr;  // the names whose fsync fails, a shell pattern
    bool eachSynced = false;           // an fsync reached the disk for each output on it
};

void PrintTo(const FailingDiskCase& c, std::ostream* os) {
    *os << c.name;
}

std::string TextOf(const fs::path& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> LinesOf(const fs::path& path) {
    std::istringstream text(TextOf(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

pid_t Spawn(std::vector<std::string> args, const fs::path& folder, const char* in, const char* out,
            const char* err) {
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, in, O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (std::strcmp(out, err) == 0)
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, err, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit status, 128 + the signal that ended the process, or nothing when
// it was still running after the time given (it is then killed).
std::optional<int> WaitBounded(pid_t pid, std::chrono::seconds bound) {
    const auto end = Clock::now() + bound;
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return std::nullopt;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// What this machine lacks for a FUSE disk of the test's own, or nothing.
std::string MissingForFuse() {
    if (::access("/dev/fuse", R_OK | W_OK) != 0) return "/dev/fuse is missing";
    if (::geteuid() != 0) return "mounting a FUSE file system here needs root";
    const pid_t python =
        Spawn({kPython, "-c", "import fusepy"}, "/", "/dev/null", "/dev/null", "/dev/null");
    if (python < 0 || WaitBounded(python, std::chrono::seconds(30)) != 0)
        return std::string(kPython) + " cannot import fusepy (Debian's python3-fusepy)";
    return {};
}

// folder/disk served at folder/mnt by a server process of its own, with the
// faults of folder/control; its fsyncs logged to folder/fsyncs.log and what
// it says to folder/server.log. Unmounted when it goes, whatever the case
// did.
class FailingDisk {
public:
    explicit FailingDisk(const TempFolder& folder) : mountPoint_(folder / "mnt") {
        server_ = Spawn({kPython, ONDREL_FAILING_DISK_PATH, folder / "disk", mountPoint_,
                         folder / "control", folder / "fsyncs.log"},
                        folder.path(), "/dev/null", "server.log", "server.log");
        if (server_ < 0) {
            problem_ = "the server could not be started";
            return;
        }
        struct stat outside {};
        ::stat(folder.path().c_str(), &outside);
        const auto end = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < end) {
            struct stat inside {};
            if (::stat(mountPoint_.c_str(), &inside) == 0 && inside.st_dev != outside.st_dev)
                return;
            int status = 0;
            if (::waitpid(server_, &status, WNOHANG) == server_) {
                server_ = -1;
                problem_ = "the server ended before mounting: " + TextOf(folder / "server.log");
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        problem_ = "not mounted after 10 s: " + TextOf(folder / "server.log");
    }
    ~FailingDisk() { Unmount(); }
    FailingDisk(const FailingDisk&) = delete;
    FailingDisk& operator=(const FailingDisk&) = delete;

    // Empty once mounted; otherwise why it is not.
    const std::string& Problem() const { return problem_; }

    // Unmounts and waits for the server, which ends when its disk goes.
    void Unmount() {
        if (server_ < 0) return;
        // Busy while a process killed in it is still being reaped.
        bool busy = true;
        for (int i = 0; i < 100 && busy; ++i) {
            busy = ::umount2(mountPoint_.c_str(), 0) != 0 && errno == EBUSY;
            if (busy) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (busy) ::umount2(mountPoint_.c_str(), MNT_DETACH);
        const std::optional<int> status = WaitBounded(server_, std::chrono::seconds(10));
        server_ = -1;
        EXPECT_EQ(status, 0) << "the server did not end cleanly once unmounted";
    }

private:
    fs::path mountPoint_;
    pid_t server_ = -1;
    std::string problem_;
};

// The converter, run in folder with standard input from in (relative to it).
struct Finished {
    std::optional<int> status;  // nothing when it did not end within a minute
    std::vector<std::string> errors;
};

Finished RunConverter(const TempFolder& folder, std::vector<std::string> args, const char* in) {
    args.insert(args.begin(), ONDREL_CONVERT_PATH);
    const pid_t pid = Spawn(args, folder.path(), in, "/dev/null", "errors.txt");
    if (pid < 0) return {};
    const std::optional<int> status = WaitBounded(pid, std::chrono::seconds(60));
    return {status, LinesOf(folder / "errors.txt")};
}

// The output a file on the disk is, or is the temporary of.
std::string OutputOf(std::string path) {
    if (IsTemporaryName(fs::path(path).filename().string()))
        path.resize(path.size() - TemporaryName("", 0).size());
    return path;
}

class FailingDiskTest : public ::testing::TestWithParam<FailingDiskCase> {
protected:
    void SetUp() override {
        static const std::string missing = MissingForFuse();
        if (!missing.empty()) GTEST_SKIP() << missing;
    }
};

TEST_P(FailingDiskTest, EveryFaultReportedAndNothingHalfWritten) {
    const FailingDiskCase& c = GetParam();
    TempFolder folder;
    for (const char* made : {"disk", "disk/out", "mnt", "out"}) fs::create_directory(folder / made);
    std::ostringstream control;
    for (const DiskFile& file : c.files) {
        test_support::WriteBytes(folder / "disk" / file.path, file.bytes());
        if (file.failsFrom) control << "read " << file.path << ' ' << *file.failsFrom << '\n';
    }
    if (c.fsyncFails) control << "fsync " << c.fsyncFails << '\n';
    std::ofstream(folder / "control") << control.str();

    Finished run;
    {
        FailingDisk disk(folder);
        ASSERT_EQ(disk.Problem(), "");
        run = RunConverter(folder, c.args, c.standardInput);
    }
    ASSERT_TRUE(run.status.has_value()) << "still running after a minute";
    EXPECT_EQ(*run.status, c.status);
    EXPECT_EQ(run.errors, c.errors);

    for (const Left& left : c.left) {
        std::string path = left.path;
        if (path.starts_with("mnt/")) path.replace(0, 3, "disk");
        if (left.bytes)
            EXPECT_EQ(test_support::ReadBytes(folder / path), left.bytes()) << left.path;
        else
            EXPECT_FALSE(fs::exists(folder / path)) << left.path << " was written";
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder.path()))
        EXPECT_FALSE(IsTemporaryName(entry.path().filename().string())) << entry.path();

    // Syncing the file system (syncfs) does not reach a FUSE server: only an
    // fsync of the file itself asks the disk to keep it.
    if (c.eachSynced) {
        const std::vector<std::string> log = LinesOf(folder / "fsyncs.log");
        for (const Left& left : c.left) {
            const std::string_view path = left.path;
            if (!left.bytes || !path.starts_with("mnt/")) continue;
            int synced = 0;
            for (const std::string& line : log)
                synced += line.starts_with("fsync ") && OutputOf(line.substr(6)) == path.substr(4);
            EXPECT_GE(synced, 1) << left.path << " never synced; the disk was asked:\n"
                                 << TextOf(folder / "fsyncs.log");
        }
    }
}

// Offsets of the faults: the first page, one in the middle, and the last page
// the converter reads (a DSLink save's is its first 8 KiB, kept at the end; a
// .dsv's is the footer's). An M3 save's last 1 KiB is never read, so a fault
// there is no fault of the conversion.
const std::vector<FailingDiskCase> kCases = {
    {.name = "DsLinkSaveFailsInItsFirstPage",
     .files = {{"Game.sav", DsLinkSave, 0}},
     .args = {"mnt/Game.sav"},
     .status = 1,
     .errors = {IoFailure("mnt/Game.sav")},
     .left = {{"mnt/Game.j8.sav", nullptr}}},
    {.name = "DsLinkSaveFailsInTheMiddle",
     .files = {{"Game.sav", DsLinkSave, 260 * K}},
     .args = {"mnt/Game.sav"},
     .status = 1,
     .errors = {IoFailure("mnt/Game.sav")},
     .left = {{"mnt/Game.j8.sav", nullptr}}},
    {.name = "DsLinkSaveFailsInItsLastPage",
     .files = {{"Game.sav", DsLinkSave, 532'480 - 4 * K}},
     .args = {"mnt/Game.sav"},
     .status = 1,
     .errors = {IoFailure("mnt/Game.sav")},
     .left = {{"mnt/Game.j8.sav", nullptr}}},
    {.name = "M3SaveFailsInItsFirstPage",
     .files = {{"Game.dat", M3Save, 0}},
     .args = {"mnt/Game.dat"},
     .status = 1,
     .errors = {IoFailure("mnt/Game.dat")},
     .left = {{"mnt/Game.sav", nullptr}}},
    {.name = "M3SaveFailsInTheMiddle",
     .files = {{"Game.dat", M3Save, 128 * K}},
     .args = {"mnt/Game.dat"},
     .status = 1,
     .errors = {IoFailure("mnt/Game.dat")},
     .left = {{"mnt/Game.sav", nullptr}}},
    {.name = "M3SaveFailsInTheLastPageRead",
     .files = {{"Game.dat", M3Save, 252 * K}},
     .args = {"mnt/Game.dat"},
     .status = 1,
     .errors = {IoFailure("mnt/Game.dat")},
     .left = {{"mnt/Game.sav", nullptr}}},
    {.name = "M3SaveFailsOnlyInTheKiBDropped",
     .files = {{"Game.dat", M3Save, 256 * K}},
     .args = {"mnt/Game.dat"},
     .status = 0,
     .errors = {},
     .left = {{"mnt/Game.sav", M3Image}}},
    {.name = "DsvReadWholeFailsInItsFirstPage",
     .files = {{"Game.dsv", DsvSave, 0}},
     .args = {"--to", "raw", "mnt/Game.dsv"},
     .status = 1,
     .errors = {IoFailure("mnt/Game.dsv")},
     .left = {{"mnt/Game.sav", nullptr}}},
    {.name = "DsvReadWholeFailsInTheMiddle",
     .files = {{"Game.dsv", DsvSave, 32 * K}},
     .args = {"--to", "raw", "mnt/Game.dsv"},
     .status = 1,
     .errors = {IoFailure("mnt/Game.dsv")},
     .left = {{"mnt/Game.sav", nullptr}}},
    {.name = "DsvReadWholeFailsInItsFooter",
     .files = {{"Game.dsv", DsvSave, 64 * K}},
     .args = {"--to", "raw", "mnt/Game.dsv"},
     .status = 1,
     .errors = {IoFailure("mnt/Game.dsv")},
     .left = {{"mnt/Game.sav", nullptr}}},
    {.name = "StandardInputFailsInTheMiddle",
     .files = {{"Game.nds.sav", CartSave, 256 * K}},
     .args = {"--kind", "nds-sav", "-o", "out.sav", "-"},
     .status = 1,
     .errors = {IoFailure("standard input")},
     .left = {{"out.sav", nullptr}},
     .standardInput = "mnt/Game.nds.sav"},
    {.name = "BatchIntoAFolderBesideTheDisk",
     .files = {{"a.nds.sav", CartSave}, {"b.dat", M3Save}, {"c.sav", DsLinkSave, 260 * K}},
     .args = {"--output-dir", "out", "mnt/a.nds.sav", "mnt/c.sav", "mnt/b.dat"},
     .status = 1,
     .errors = {IoFailure("mnt/c.sav")},
     .left = {{"out/a.sav", CartImage}, {"out/b.sav", M3Image}, {"out/c.j8.sav", nullptr}}},
    {.name = "BatchIntoAFolderOnTheDisk",
     .files = {{"a.nds.sav", CartSave}, {"b.dat", M3Save}, {"c.sav", DsLinkSave, 260 * K}},
     .args = {"--output-dir", "mnt/out", "mnt/a.nds.sav", "mnt/c.sav", "mnt/b.dat"},
     .status = 1,
     .errors = {IoFailure("mnt/c.sav")},
     .left = {{"mnt/out/a.sav", CartImage},
              {"mnt/out/b.sav", M3Image},
              {"mnt/out/c.j8.sav", nullptr}}},
    // Outputs written onto the disk.
    {.name = "EachOutputOnTheDiskSynced",
     .files = {{"a.nds.sav", CartSave}, {"b.dat", M3Save}, {"c.nds.sav", CartSave}},
     .args = {"--output-dir", "mnt/out", "mnt/a.nds.sav", "mnt/b.dat", "mnt/c.nds.sav"},
     .status = 0,
     .errors = {},
     .left = {{"mnt/out/a.sav", CartImage},
              {"mnt/out/b.sav", M3Image},
              {"mnt/out/c.sav", CartImage}},
     .eachSynced = true},
    {.name = "OutputWhoseSyncFailsKeepsTheOldSave",
     .files = {{"a.nds.sav", CartSave},
               {"b.dat", M3Save},
               {"c.nds.sav", CartSave},
               {"out/b.sav", OldImage}},
     .args = {"-f", "--output-dir", "mnt/out", "mnt/a.nds.sav", "mnt/b.dat", "mnt/c.nds.sav"},
     .status = 1,
     .errors = {IoFailure("mnt/out/b.sav")},
     .left = {{"mnt/out/a.sav", CartImage},
              {"mnt/out/b.sav", OldImage},
              {"mnt/out/c.sav", CartImage}},
     .fsyncFails = "b.sav*",
     .eachSynced = true},
    {.name = "FolderWhoseSyncFailsIsReported",
     .files = {{"a.nds.sav", CartSave}, {"out/a.sav", OldImage}},
     .args = {"-f", "--output-dir", "mnt/out", "mnt/a.nds.sav"},
     .status = 1,
     .errors = {"ondrel-convert: mnt/out/a.sav: written, but its folder could not be put on the "
                "disk; the new file may be lost at a power cut"},
     .left = {{"mnt/out/a.sav", CartImage}},
     .fsyncFails = "out"},
};

INSTANTIATE_TEST_SUITE_P(Cases, FailingDiskTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// On a disk with neither an exclusive rename nor links, two runs into one
// new output still end with one success and one refusal, round after round.
TEST(FailingDiskRaceTest, OneOfTwoRunsIntoOneOutputWinsWithoutLinks) {
    if (const std::string missing = MissingForFuse(); !missing.empty()) GTEST_SKIP() << missing;
    TempFolder folder;
    for (const char* made : {"disk", "mnt"}) fs::create_directory(folder / made);
    test_support::WriteBytes(folder / "a.dat", M3Save());
    test_support::WriteBytes(folder / "b.dat", test_support::PatternBytes(257 * K, 1));
    std::ofstream(folder / "control") << "nolinks\n";
    FailingDisk disk(folder);
    ASSERT_EQ(disk.Problem(), "");
    for (int round = 0; round < 50; ++round) {
        std::vector<pid_t> runs;
        for (const char* input : {"a.dat", "b.dat"})
            runs.push_back(Spawn({ONDREL_CONVERT_PATH, "-q", "-o", "mnt/x.sav", input},
                                 folder.path(), "/dev/null", "/dev/null", "/dev/null"));
        int won = 0;
        for (const pid_t run : runs) won += WaitBounded(run, std::chrono::seconds(60)) == 0;
        EXPECT_EQ(won, 1) << "round " << round;
        fs::remove(folder / "mnt" / "x.sav");
    }
}

}  // namespace
}  // namespace ondrel
