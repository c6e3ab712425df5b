#include "jobs/save_jobs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>

#include "core/tests/test_files.h"
#include "platform/file_io.h"
#include "platform/temporaries.h"

#ifdef __linux__
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace ondrel {
namespace {

namespace fs = std::filesystem;
using test_support::Bytes;
using test_support::TempFolder;

constexpr std::size_t K = 1024;

// What a conversion reports of the input, for each kind of cart file.
struct ReportCase {
    const char* name;
    SourceKind kind;
    std::size_t size, blankFront;
    std::size_t used, dropped;
};

void PrintTo(const ReportCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertReportTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ConvertReportTest, ReportsWhatWasTakenFromTheInput) {
    const ReportCase& c = GetParam();
    TempFolder folder;
    test_support::WriteBytes(folder / "in", test_support::PatternBytes(c.size, c.blankFront));
    auto outcome = RunSaveJob((folder / "in").string(), (folder / "out").string(), c.kind);
    EXPECT_EQ(outcome.status, JobStatus::Converted);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.inputSize, c.size);
    ASSERT_TRUE(outcome.report);
    EXPECT_EQ(outcome.report->used, c.used);
    EXPECT_EQ(outcome.report->dropped, c.dropped);
    EXPECT_EQ(fs::file_size(folder / "out"), 512 * K);
}

INSTANTIATE_TEST_SUITE_P(
    Carts, ConvertReportTest,
    ::testing::Values(ReportCase{"Empty", SourceKind::Sav, 0, 0, 0, 0},
                      ReportCase{"Sc256K", SourceKind::NdsSav, 256 * K, 0, 256 * K, 0},
                      ReportCase{"M3257K", SourceKind::Dat, 257 * K, 0, 256 * K, K},
                      ReportCase{"DsLink520K", SourceKind::Sav, 520 * K, 16, 512 * K, 8 * K},
                      ReportCase{"Ez4256KBlank", SourceKind::Sav, 256 * K, 16, 256 * K, 0},
                      ReportCase{"NdsSavLong", SourceKind::NdsSav, 540000, 0, 512 * K,
                                 540000 - 512 * K}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertFailureTest, MissingInputGivesTheSystemsReason) {
    TempFolder folder;
    auto outcome =
        RunSaveJob((folder / "gone.dat").string(), (folder / "out").string(), SourceKind::Dat);
    EXPECT_EQ(outcome.status, JobStatus::OpenInputFailed);
    EXPECT_EQ(outcome.error, std::errc::no_such_file_or_directory) << outcome.error.message();
    EXPECT_TRUE(folder.Names().empty());
}

TEST(ConvertFailureTest, MissingOutputFolderGivesTheSystemsReason) {
    TempFolder folder;
    test_support::WriteBytes(folder / "in.dat", test_support::PatternBytes(100));
    auto outcome = RunSaveJob((folder / "in.dat").string(), (folder / "no" / "out.sav").string(),
                              SourceKind::Dat);
    EXPECT_EQ(outcome.status, JobStatus::CreateOutputFailed);
    EXPECT_EQ(outcome.error, std::errc::no_such_file_or_directory) << outcome.error.message();
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"in.dat"});
}

#ifdef _WIN32
TEST(ConvertDeviceTest, NulIsWrittenInPlace) {
    TempFolder folder;
    test_support::WriteBytes(folder / "in.dat", test_support::PatternBytes(100));
    auto outcome = RunSaveJob((folder / "in.dat").string(), "NUL", SourceKind::Dat);
    EXPECT_EQ(outcome.status, JobStatus::Converted) << outcome.error.message();
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"in.dat"});
}
#endif

// An output whose name leaves no room for a longer temporary name beside it
// (the file-name limit on Linux, the path limit on Windows) still converts.
TEST(ConvertOutputNameTest, NameAtTheLengthLimitStillConverts) {
    TempFolder folder;
    test_support::WriteBytes(folder / "in.dat", test_support::PatternBytes(10));
#ifdef _WIN32
    const std::string name(250 - folder.path().string().size(), 'n');
#else
    const std::string name(255, 'n');
#endif
    auto outcome =
        RunSaveJob((folder / "in.dat").string(), (folder / name).string(), SourceKind::Dat);
    EXPECT_EQ(outcome.status, JobStatus::Converted) << outcome.error.message();
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"in.dat", name}));
}

// Without replace, an output that exists by the time the image is moved is
// kept by the move itself, as when another run made it meanwhile.
TEST(ConvertExclusiveTest, ExistingOutputKeptByTheMove) {
    TempFolder folder;
    test_support::WriteBytes(folder / "in.dat", test_support::PatternBytes(10));
    test_support::WriteBytes(folder / "out.sav", Bytes(7, 0x33));
    SaveJob job;
    job.inputPath = (folder / "in.dat").string();
    job.outputPath = (folder / "out.sav").string();
    job.request.kind = SourceKind::Dat;
    job.replace = false;
    const auto outcomes = RunSaveJobs({job});
    EXPECT_EQ(outcomes.front().status, JobStatus::WriteOutputFailed);
    EXPECT_EQ(outcomes.front().error, std::errc::file_exists);
    EXPECT_EQ(test_support::ReadBytes(folder / "out.sav"), Bytes(7, 0x33));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"in.dat", "out.sav"}));
}

#ifdef __linux__
// Devices of the test's own: the machine's /dev nodes are never a target.
void MakeDevice(const fs::path& path, unsigned minor) {
    ASSERT_EQ(::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)), 0) << "mknod needs root";
}

bool IsCharDevice(const fs::path& path) {
    return fs::is_character_file(fs::symlink_status(path));
}

TEST(ConvertDeviceTest, FullDeviceReportsTheWriteAndStaysADevice) {
    TempFolder folder;
    test_support::WriteBytes(folder / "in.sav", test_support::PatternBytes(256 * K));
    MakeDevice(folder / "full", 7);
    auto outcome =
        RunSaveJob((folder / "in.sav").string(), (folder / "full").string(), SourceKind::Sav);
    EXPECT_EQ(outcome.status, JobStatus::WriteOutputFailed);
    EXPECT_EQ(outcome.error, std::errc::no_space_on_device) << outcome.error.message();
    EXPECT_TRUE(IsCharDevice(folder / "full"));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"full", "in.sav"}));
}

TEST(ConvertDeviceTest, NullDeviceIsWrittenInPlace) {
    TempFolder folder;
    test_support::WriteBytes(folder / "in.sav", test_support::PatternBytes(256 * K));
    MakeDevice(folder / "null", 3);
    auto outcome =
        RunSaveJob((folder / "in.sav").string(), (folder / "null").string(), SourceKind::Sav);
    EXPECT_EQ(outcome.status, JobStatus::Converted) << outcome.error.message();
    EXPECT_TRUE(IsCharDevice(folder / "null"));
}

// A small tmpfs of the test's own, unmounted when the test ends.
class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        disk_ = folder_ / "disk";
        fs::create_directory(disk_);
        ASSERT_EQ(::mount("tmpfs", disk_.c_str(), "tmpfs", 0, "size=300k"), 0)
            << "mounting a tmpfs needs root";
        test_support::WriteBytes(folder_ / "in.nds.sav", input_);
    }
    void TearDown() override { ::umount(disk_.c_str()); }

    JobOutcome Convert() {
        return RunSaveJob((folder_ / "in.nds.sav").string(), (disk_ / "out.sav").string(),
                          SourceKind::NdsSav);
    }

    TempFolder folder_;
    fs::path disk_;
    const Bytes input_ = test_support::PatternBytes(512 * K);
};

TEST_F(FullDiskTest, NewOutputLeavesNoFile) {
    auto outcome = Convert();
    EXPECT_EQ(outcome.status, JobStatus::WriteOutputFailed);
    EXPECT_EQ(outcome.error, std::errc::no_space_on_device) << outcome.error.message();
    EXPECT_TRUE(fs::is_empty(disk_));
}

TEST_F(FullDiskTest, ExistingOutputKeepsEveryByte) {
    const Bytes previous = test_support::PatternBytes(100 * K, 16);
    test_support::WriteBytes(disk_ / "out.sav", previous);
    auto outcome = Convert();
    EXPECT_EQ(outcome.status, JobStatus::WriteOutputFailed);
    EXPECT_EQ(test_support::ReadBytes(disk_ / "out.sav"), previous);
    EXPECT_EQ(fs::directory_iterator(disk_)->path().filename(), "out.sav");
    EXPECT_EQ(std::distance(fs::directory_iterator(disk_), fs::directory_iterator()), 1);
}

// Runs a conversion as the unprivileged user "nobody" in a child process, so
// that permissions hold even when the tests run as root.
JobStatus ConvertAsNobody(const fs::path& in, const fs::path& out) {
    pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
        ::_exit(static_cast<int>(RunSaveJob(in.string(), out.string(), SourceKind::Dat).status));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return static_cast<JobStatus>(WIFEXITED(status) ? WEXITSTATUS(status) : 99);
}

struct PermissionCase {
    const char* name;
    fs::perms outputMode;  // of an existing output
    fs::perms folderMode;
    JobStatus status;
};

void PrintTo(const PermissionCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertPermissionTest : public ::testing::TestWithParam<PermissionCase> {};

TEST_P(ConvertPermissionTest, ReadOnlyOutputKeepsItsBytes) {
    const PermissionCase& c = GetParam();
    TempFolder folder;
    const fs::path saves = folder / "saves";
    fs::create_directory(saves);
    const Bytes input = test_support::PatternBytes(256 * K), previous(3000, 0x33);
    test_support::WriteBytes(folder / "in.dat", input);
    test_support::WriteBytes(saves / "out.sav", previous);
    fs::permissions(folder / "in.dat", fs::perms::owner_read | fs::perms::others_read);
    fs::permissions(saves / "out.sav", c.outputMode);
    fs::permissions(saves, c.folderMode);

    EXPECT_EQ(ConvertAsNobody(folder / "in.dat", saves / "out.sav"), c.status);
    fs::permissions(saves, fs::perms::all);
    if (c.status == JobStatus::Converted) {
        EXPECT_EQ(test_support::ReadBytes(saves / "out.sav"),
                  test_support::ImageOf(input, input.size()));
        EXPECT_EQ(fs::status(saves / "out.sav").permissions(), c.outputMode) << "mode kept";
    } else {
        EXPECT_EQ(test_support::ReadBytes(saves / "out.sav"), previous);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(saves), fs::directory_iterator()), 1);
}

using P = fs::perms;
INSTANTIATE_TEST_SUITE_P(
    Modes, ConvertPermissionTest,
    ::testing::Values(PermissionCase{"ReadOnlyFileWritableFolder", P::owner_read | P::others_read,
                                     P::all, JobStatus::CreateOutputFailed},
                      PermissionCase{"WritableFileReadOnlyFolder", P::all,
                                     P::owner_all | P::others_read | P::others_exec,
                                     JobStatus::CreateOutputFailed},
                      PermissionCase{"WritableFileAndFolder", P::others_read | P::others_write,
                                     P::all, JobStatus::Converted}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertLinkTest, SymbolicLinkOutputReplacesTheFileItPointsTo) {
    TempFolder folder;
    const Bytes input = test_support::PatternBytes(300);
    test_support::WriteBytes(folder / "in.dat", input);
    fs::create_directory(folder / "real");
    test_support::WriteBytes(folder / "real" / "save.sav", Bytes(10, 1));
    fs::create_symlink("real/save.sav", folder / "link.sav");
    auto outcome =
        RunSaveJob((folder / "in.dat").string(), (folder / "link.sav").string(), SourceKind::Dat);
    EXPECT_EQ(outcome.status, JobStatus::Converted) << outcome.error.message();
    EXPECT_TRUE(fs::is_symlink(folder / "link.sav"));
    EXPECT_EQ(test_support::ReadBytes(folder / "real" / "save.sav"),
              test_support::ImageOf(input, input.size()));
}

TEST(ConvertInputTest, FailingReadWritesNothing) {
    TempFolder folder;
    // Reading a process's memory at offset 0 fails with an I/O error.
    auto outcome = RunSaveJob("/proc/self/mem", (folder / "out.sav").string(), SourceKind::NdsSav);
    EXPECT_EQ(outcome.status, JobStatus::ReadInputFailed);
    EXPECT_EQ(outcome.error, std::errc::io_error) << outcome.error.message();
    EXPECT_TRUE(folder.Names().empty());
}

TEST(ConvertInputTest, PipeWithoutReaderAsOutputIsRefused) {
    TempFolder folder;
    test_support::WriteBytes(folder / "in.dat", test_support::PatternBytes(10));
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0666), 0);
    auto outcome =
        RunSaveJob((folder / "in.dat").string(), (folder / "pipe").string(), SourceKind::Dat);
    EXPECT_EQ(outcome.status, JobStatus::CreateOutputFailed);
    EXPECT_TRUE(fs::is_fifo(folder / "pipe"));
}
// Inputs a careless or hostile user can name. Each is answered promptly, by
// the conversion the rules give or by a refusal, and nothing but the output
// is created.
struct HostileCase {
    const char* name;
    SourceKind kind;
    std::function<std::string(const TempFolder&)> makeInput;  // returns the input path
    JobStatus status;
    std::error_code error;
    std::function<void(const Bytes& output)> checkOutput;
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

// Runs the conversion in a child process and fails if it has not ended
// within 15 seconds: a hang must show as a failure, not as a stuck test run.
JobOutcome ConvertPromptly(const std::string& in, const std::string& out, SourceKind kind) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    pid_t child = ::fork();
    if (child == 0) {
        auto outcome = RunSaveJob(in, out, kind);
        int result[3] = {static_cast<int>(outcome.status), outcome.error.value(),
                         outcome.error.category() == std::generic_category()};
        (void)!::write(pipeFds[1], result, sizeof result);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    int status = 0;
    for (int waited = 0; ::waitpid(child, &status, WNOHANG) == 0; waited += 10) {
        if (waited >= 15000) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ADD_FAILURE() << "the conversion took longer than 15 seconds";
            break;
        }
        ::usleep(10 * 1000);
    }
    int result[3] = {-1, 0, 1};
    (void)!::read(pipeFds[0], result, sizeof result);
    ::close(pipeFds[0]);
    JobOutcome outcome;
    outcome.status = static_cast<JobStatus>(result[0]);
    // The system's reasons, and the few the platform gives of its own.
    outcome.error = result[2] ? std::error_code(result[1], std::generic_category())
                              : make_error_code(static_cast<FileError>(result[1]));
    return outcome;
}

std::string SparseFile(const TempFolder& folder, const char* name, std::size_t blankFront) {
    const fs::path path = folder / name;
    test_support::WriteBytes(path, test_support::PatternBytes(600 * K, blankFront));
    fs::resize_file(path, std::uint64_t{4} << 30);
    return path.string();
}

class HostileInputTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInputTest, AnswersPromptlyAndCreatesNothingElse) {
    const HostileCase& c = GetParam();
    TempFolder folder;
    const std::string in = c.makeInput(folder);
    auto before = folder.Names();
    const fs::path out = folder / "out.sav";
    auto outcome = ConvertPromptly(in, out.string(), c.kind);
    EXPECT_EQ(outcome.status, c.status);
    if (c.status == JobStatus::Converted) {
        before.push_back("out.sav");
        std::sort(before.begin(), before.end());
        c.checkOutput(test_support::ReadBytes(out));
    } else {
        EXPECT_EQ(outcome.error, c.error) << outcome.error.message();
    }
    EXPECT_EQ(folder.Names(), before);
}

const auto kAnyOutput = [](const Bytes&) {};

INSTANTIATE_TEST_SUITE_P(
    Inputs, HostileInputTest,
    ::testing::Values(
        HostileCase{"Sparse4GiBUsesItsFirstBytes",
                    SourceKind::NdsSav,
                    [](const TempFolder& f) { return SparseFile(f, "big.nds.sav", 0); },
                    JobStatus::Converted,
                    {},
                    [](const Bytes& out) {
                        EXPECT_EQ(out, test_support::ImageOf(test_support::PatternBytes(512 * K),
                                                             512 * K));
                    }},
        HostileCase{"Sparse4GiBSavMovesItsTrailer",
                    SourceKind::Sav,
                    [](const TempFolder& f) { return SparseFile(f, "big.sav", 16); },
                    JobStatus::Converted,
                    {},
                    [](const Bytes& out) {
                        const Bytes file = test_support::PatternBytes(600 * K, 16);
                        Bytes expected(file.begin(), file.begin() + 512 * K);
                        std::copy(file.begin() + 512 * K, file.begin() + 520 * K, expected.begin());
                        EXPECT_EQ(out, expected);
                    }},
        HostileCase{"Folder", SourceKind::Dat,
                    [](const TempFolder& f) {
                        fs::create_directory(f / "saves.dat");
                        return (f / "saves.dat").string();
                    },
                    JobStatus::OpenInputFailed, std::make_error_code(std::errc::is_a_directory),
                    kAnyOutput},
        HostileCase{"DevZero", SourceKind::Sav,
                    [](const TempFolder&) { return std::string("/dev/zero"); },
                    JobStatus::OpenInputFailed, FileError::NotRegular, kAnyOutput},
        HostileCase{"PipeWithoutWriter", SourceKind::NdsSav,
                    [](const TempFolder& f) {
                        ::mkfifo((f / "pipe.nds.sav").c_str(), 0666);
                        return (f / "pipe.nds.sav").string();
                    },
                    JobStatus::OpenInputFailed, FileError::NotRegular, kAnyOutput},
        HostileCase{"BytesAbove0x7FInTheName",
                    SourceKind::Dat,
                    [](const TempFolder& f) {
                        test_support::WriteBytes(f / "\xC4pfel \x83\x5C\xFF.dat",
                                                 test_support::PatternBytes(99));
                        return (f / "\xC4pfel \x83\x5C\xFF.dat").string();
                    },
                    JobStatus::Converted,
                    {},
                    [](const Bytes& out) {
                        EXPECT_EQ(out, test_support::ImageOf(test_support::PatternBytes(99), 99));
                    }},
        HostileCase{"PathOf4096Bytes", SourceKind::Dat,
                    [](const TempFolder& f) {
                        std::string path = f.path().string() + "/";
                        while (path.size() < 4096) path += "a/";
                        return path.substr(0, 4092) + ".dat";
                    },
                    JobStatus::OpenInputFailed, std::make_error_code(std::errc::filename_too_long),
                    kAnyOutput}),
    [](const auto& info) { return std::string(info.param.name); });

// Its owner and all its rights: the setgid and sticky bits too.
TEST(ConvertOwnerTest, ReplacedOutputKeepsItsOwnerAndRights) {
    TempFolder folder;
    test_support::WriteBytes(folder / "in.dat", test_support::PatternBytes(10));
    test_support::WriteBytes(folder / "out.sav", Bytes(10, 1));
    ASSERT_EQ(::chown((folder / "out.sav").c_str(), 65534, 65534), 0) << "chown needs root";
    ASSERT_EQ(::chmod((folder / "out.sav").c_str(), 03664), 0);
    auto outcome =
        RunSaveJob((folder / "in.dat").string(), (folder / "out.sav").string(), SourceKind::Dat);
    ASSERT_EQ(outcome.status, JobStatus::Converted);
    struct stat st;
    ASSERT_EQ(::stat((folder / "out.sav").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 03664u);
}

TEST(ConvertInputTest, UnreadableInputIsRefused) {
    TempFolder folder;
    test_support::WriteBytes(folder / "in.dat", test_support::PatternBytes(10));
    fs::permissions(folder / "in.dat", fs::perms::none);
    EXPECT_EQ(ConvertAsNobody(folder / "in.dat", folder / "out.sav"), JobStatus::OpenInputFailed);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"in.dat"});
}
// Only temporaries are removed, and only those no writer holds: a user's
// file of a temporary-like name stays, and so does the temporary of a run
// that still writes (here a child holding its lock, as a run in another
// process namespace would), and an empty one just made, whose writer may not
// have taken its lock yet.
TEST(ConvertTemporaryTest, OnlyAbandonedTemporariesAreRemoved) {
    TempFolder folder;
    test_support::WriteBytes(folder / "in.dat", test_support::PatternBytes(10));
    const std::string stale = TemporaryName("out.sav", 1), live = TemporaryName("out.sav", 2),
                      fresh = TemporaryName("out.sav", 4);
    const std::vector<std::string> users = {"out.sav.ondrel-4000000-backup",
                                            "photo.jpg.ondrel-9-v2copy",
                                            TemporaryName("out.sav", 3) + "~"};
    for (const auto& name : users) test_support::WriteBytes(folder / name, Bytes(5, 1));
    test_support::WriteBytes(folder / stale, Bytes(5, 1));
    test_support::WriteBytes(folder / live, Bytes(5, 1));
    test_support::WriteBytes(folder / fresh, Bytes());
    int locked[2], done[2];
    ASSERT_EQ(::pipe(locked), 0);
    ASSERT_EQ(::pipe(done), 0);
    pid_t writer = ::fork();
    if (writer == 0) {
        int fd = ::open((folder / live).c_str(), O_RDONLY);
        ::flock(fd, LOCK_EX);
        char c;
        (void)!::write(locked[1], "x", 1);
        (void)!::read(done[0], &c, 1);
        ::_exit(0);
    }
    char c;
    ASSERT_EQ(::read(locked[0], &c, 1), 1);

    auto outcome =
        RunSaveJob((folder / "in.dat").string(), (folder / "out.sav").string(), SourceKind::Dat);
    (void)!::write(done[1], "x", 1);
    ::waitpid(writer, nullptr, 0);
    EXPECT_EQ(outcome.status, JobStatus::Converted);
    std::vector<std::string> expected = users;
    expected.insert(expected.end(), {"in.dat", "out.sav", live, fresh});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folder.Names(), expected);
}
#endif

}  // namespace
}  // namespace ondrel
