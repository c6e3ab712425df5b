// Runs the built ondrel-convert on real files and checks what a user sees:
// the exit status, the messages, and which files exist with which bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "cli/tests/run_program.h"
#include "core/tests/test_files.h"

#ifdef __linux__
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace ondrel {
namespace {

namespace fs = std::filesystem;
using test_support::Bytes;
using test_support::TempFolder;

constexpr std::size_t K = 1024;

// A file made before the run; a name ending in '/' is a folder.
struct File {
    const char* name;
    std::size_t size = 0;
    std::size_t blankFront = 0;
    const char* linkTo = nullptr;  // set: a symbolic link to this folder instead
};

// An output the run must write: the image of the input's first `taken` bytes.
struct Output {
    const char* name;
    const char* input;
    std::size_t taken;
};

void Make(const TempFolder& folder, const std::vector<File>& files) {
    for (const File& file : files) {
        if (file.linkTo) {
            fs::create_directory_symlink(file.linkTo, folder / file.name);
        } else if (std::string(file.name).back() == '/') {
            fs::create_directories(folder / file.name);
        } else {
            fs::create_directories((folder / file.name).parent_path());
            test_support::WriteBytes(folder / file.name,
                                     test_support::PatternBytes(file.size, file.blankFront));
        }
    }
}

// Every file and folder under the folder, with '/' between names and after folders.
std::vector<std::string> Tree(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
        std::string name = entry.path().lexically_relative(folder.path()).generic_string();
        names.push_back(entry.is_directory() ? name + "/" : name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

test_support::ProgramRun Convert(const TempFolder& folder, const std::vector<std::string>& args) {
    return test_support::RunProgram(test_support::ConverterProgram(), args, folder.path().string());
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

// A file's bytes as a row holds them: made when its case runs, not for every
// process that only lists the cases (some are 64 MiB).
using BytesMaker = std::function<Bytes()>;

// The save of an 8 KiB EEPROM.
Bytes Save8K() {
    return test_support::PatternBytes(8 * K);
}

Bytes Packed(const Bytes& runs, std::uint32_t unpacked) {
    return test_support::NocashPackedFile(runs, static_cast<std::uint32_t>(runs.size()), unpacked);
}

const std::string kNotASave =
    ": not named as a save (*.nds.sav, *.dat, *.sav, *.dsv, *.duc, *.dss or *.srm); give "
    "--kind to convert it; nothing written";

struct BatchCase {
    const char* name;
    std::vector<File> files;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> tree;    // the folder's content after the run
    std::vector<Output> outputs;      // every other file keeps its bytes
    std::vector<std::string> errors;  // standard error, line by line
};

void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.name;
}

class BatchTest : public ::testing::TestWithParam<BatchCase> {};

TEST_P(BatchTest, ConvertsWhatItMayAndKeepsEveryOtherByte) {
    const BatchCase& c = GetParam();
    TempFolder folder;
    Make(folder, c.files);
    std::map<std::string, Bytes> before;
    for (const File& file : c.files)
        if (std::string(file.name).back() != '/' && !file.linkTo)
            before[file.name] = test_support::ReadBytes(folder / file.name);

    auto run = Convert(folder, c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.err, Lines(c.errors));
    EXPECT_EQ(Tree(folder), c.tree);
    for (const Output& output : c.outputs) {
        EXPECT_EQ(test_support::ReadBytes(folder / output.name),
                  test_support::ImageOf(before.at(output.input), output.taken))
            << output.name;
        before.erase(output.name);
    }
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(test_support::ReadBytes(folder / name), bytes) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BatchTest,
    ::testing::Values(
        BatchCase{
            "EveryKindByItsName",
            {{"a.nds.sav", 256 * K}, {"b.dat", 257 * K}, {"c.sav", 256 * K, 16}, {"D.DAT", 100}},
            {"a.nds.sav", "b.dat", "c.sav", "D.DAT"},
            0,
            {"D.DAT", "D.sav", "a.nds.sav", "a.sav", "b.dat", "b.sav", "c.j8.sav", "c.sav"},
            {{"a.sav", "a.nds.sav", 256 * K},
             {"b.sav", "b.dat", 256 * K},
             {"c.j8.sav", "c.sav", 256 * K},
             {"D.sav", "D.DAT", 100}},
            {"ondrel-convert: D.DAT: warning: 100 bytes is not a size dat carts make "
             "(263168 bytes, 257 KiB); converted anyway"}},
        BatchCase{"GoodMissingAndUnrecognised",
                  {{"good.dat", 257 * K}, {"notes.txt", 10}},
                  {"missing.nds.sav", "good.dat", "notes.txt"},
                  1,
                  {"good.dat", "good.sav", "notes.txt"},
                  {{"good.sav", "good.dat", 256 * K}},
                  {"ondrel-convert: missing.nds.sav: no such file or directory; nothing written",
                   "ondrel-convert: notes.txt" + kNotASave}},
        BatchCase{"UnrecognisedToStandardOutput",
                  {{"notes.txt", 10}},
                  {"-o", "-", "notes.txt"},
                  1,
                  {"notes.txt"},
                  {},
                  {"ondrel-convert: notes.txt" + kNotASave}},
        BatchCase{"KindReadsEveryInputByItsRule",
                  {{"notes.txt", 256 * K}, {"x.sav", 520 * K, 16}},
                  {"--kind", "dat", "notes.txt", "x.sav"},
                  0,
                  {"notes.txt", "notes.txt.j8.sav", "x.j8.sav", "x.sav"},
                  {{"notes.txt.j8.sav", "notes.txt", 256 * K}, {"x.j8.sav", "x.sav", 256 * K}},
                  {"ondrel-convert: notes.txt: warning: 262144 bytes is not a size dat carts make "
                   "(263168 bytes, 257 KiB); converted anyway",
                   "ondrel-convert: x.sav: warning: 532480 bytes is not a size dat carts make "
                   "(263168 bytes, 257 KiB); converted anyway"}},
        // The kind as the reports print it is a name --kind takes too.
        BatchCase{"KindByItsReportedName",
                  {{"backup.bin", 512}},
                  {"--kind", "NDS.SAV", "backup.bin"},
                  0,
                  {"backup.bin", "backup.bin.j8.sav"},
                  {{"backup.bin.j8.sav", "backup.bin", 512}},
                  {}},
        BatchCase{"RepeatedInputConvertedOnce",
                  {{"a.dat", 257 * K}},
                  {"a.dat", "./a.dat"},
                  0,
                  {"a.dat", "a.sav"},
                  {{"a.sav", "a.dat", 256 * K}},
                  {"ondrel-convert: ./a.dat: warning: given more than once; tried once"}},
        BatchCase{"UnknownOptionNamed",
                  {{"a.dat", 257 * K}},
                  {"-v", "a.dat"},
                  2,
                  {"a.dat"},
                  {},
                  {"ondrel-convert: -v: no such option (an INPUT that begins with - goes after --)",
                   "Try 'ondrel-convert --help' for more information."}},
        // After "--" every argument is an input, even one named like an option.
        BatchCase{"InputsAfterDashes",
                  {{"-x.dat", 257 * K}, {"--.nds.sav", 512}},
                  {"--force", "--", "-x.dat", "--.nds.sav"},
                  0,
                  {"--.nds.sav", "--.sav", "-x.dat", "-x.sav"},
                  {{"-x.sav", "-x.dat", 256 * K}, {"--.sav", "--.nds.sav", 512}},
                  {}},
        BatchCase{"KindGivenTwice",
                  {{"a.dat", 257 * K}},
                  {"--kind", "dat", "--kind", "sav", "a.dat"},
                  2,
                  {"a.dat"},
                  {},
                  {"ondrel-convert: --kind: given more than once; it takes one kind: nds-sav, "
                   "dat, sav, dsv, duc, nocash or raw",
                   "Try 'ondrel-convert --help' for more information."}},
        BatchCase{"KindWithoutItsValue",
                  {{"a.dat", 257 * K}},
                  {"a.dat", "--kind"},
                  2,
                  {"a.dat"},
                  {},
                  {"ondrel-convert: --kind: needs a value; it takes one kind: nds-sav, dat, sav, "
                   "dsv, duc, nocash or raw",
                   "Try 'ondrel-convert --help' for more information."}},
        BatchCase{"OutputDirTakesTheDerivedNames",
                  {{"a.nds.sav", 512}, {"in/b.sav", 256 * K}, {"out/"}},
                  {"--output-dir", "out", "a.nds.sav", "in/b.sav"},
                  0,
                  {"a.nds.sav", "in/", "in/b.sav", "out/", "out/a.sav", "out/b.j8.sav"},
                  {{"out/a.sav", "a.nds.sav", 512}, {"out/b.j8.sav", "in/b.sav", 256 * K}},
                  {}},
        BatchCase{"OutputDirMissing",
                  {{"a.dat", 257 * K}},
                  {"--output-dir", "gone/", "a.dat"},
                  1,
                  {"a.dat"},
                  {},
                  {"ondrel-convert: gone/a.sav: no such file or directory; nothing written"}},
        BatchCase{"ExistingOutputKept",
                  {{"a.dat", 257 * K}, {"a.sav", 300}},
                  {"a.dat"},
                  1,
                  {"a.dat", "a.sav"},
                  {},
                  {"ondrel-convert: a.sav: already exists; give --force to replace it with the "
                   "output of a.dat; nothing written"}},
        BatchCase{"ExistingOutputForced",
                  {{"a.dat", 257 * K}, {"a.sav", 300}},
                  {"--force", "a.dat"},
                  0,
                  {"a.dat", "a.sav"},
                  {{"a.sav", "a.dat", 256 * K}},
                  {}},
        BatchCase{"InputItselfKept",
                  {{"a.dat", 257 * K}},
                  {"-o", "a.dat", "a.dat"},
                  1,
                  {"a.dat"},
                  {},
                  {"ondrel-convert: a.dat: the input itself; give --force to replace it; nothing "
                   "written"}},
        BatchCase{"InputItselfForced",
                  {{"a.dat", 257 * K}},
                  {"--force", "-o", "a.dat", "a.dat"},
                  0,
                  {"a.dat"},
                  {{"a.dat", "a.dat", 256 * K}},
                  {}},
        BatchCase{"TwoInputsOneOutput",
                  {{"a.dat", 100}, {"a.nds.sav", 512}},
                  {"--force", "a.dat", "a.nds.sav"},
                  1,
                  {"a.dat", "a.nds.sav", "a.sav"},
                  {{"a.sav", "a.dat", 100}},
                  {"ondrel-convert: a.dat: warning: 100 bytes is not a size dat carts make "
                   "(263168 bytes, 257 KiB); converted anyway",
                   "ondrel-convert: a.sav: also the output of a.dat; a.nds.sav not converted; "
                   "nothing written"}},
        BatchCase{"OutputIsAnotherInput",
                  {{"a.dat", 257 * K}, {"a.sav", 256 * K}},
                  {"--force", "a.dat", "a.sav"},
                  1,
                  {"a.dat", "a.j8.sav", "a.sav"},
                  {{"a.j8.sav", "a.sav", 256 * K}},
                  {"ondrel-convert: a.sav: an input of this run; not replaced by the output of "
                   "a.dat; nothing written"}},
        BatchCase{"FolderInput",
                  {{"dir.dat/"}, {"b.dat", 257 * K}},
                  {"dir.dat", "b.dat"},
                  1,
                  {"b.dat", "b.sav", "dir.dat/"},
                  {{"b.sav", "b.dat", 256 * K}},
                  {"ondrel-convert: dir.dat: is a directory; nothing written"}},
        // On a FAT card the two are one file; a run never writes both.
        BatchCase{"TwoOutputsDifferingInCase",
                  {{"Game.dat", 257 * K}, {"game.nds.sav", 512}},
                  {"Game.dat", "game.nds.sav"},
                  1,
                  {"Game.dat", "Game.sav", "game.nds.sav"},
                  {{"Game.sav", "Game.dat", 256 * K}},
                  {"ondrel-convert: game.sav: also the output of Game.dat; game.nds.sav not "
                   "converted; nothing written"}},
        // A flag takes no value, in any spelling; none turns it off.
        BatchCase{"FlagsInAGroupGivenAValue",
                  {{"a.dat", 257 * K}},
                  {"-qf=1", "a.dat"},
                  2,
                  {"a.dat"},
                  {},
                  {"ondrel-convert: --force: takes no value",
                   "Try 'ondrel-convert --help' for more information."}},
        BatchCase{"ForceGivenNo",
                  {{"a.dat", 257 * K}, {"a.sav", 300}},
                  {"--force=no", "a.dat"},
                  2,
                  {"a.dat", "a.sav"},
                  {},
                  {"ondrel-convert: --force: takes no value",
                   "Try 'ondrel-convert --help' for more information."}},
        BatchCase{"OneOutputForTwoInputsIsAUsageError",
                  {{"a.dat", 257 * K}, {"b.dat", 257 * K}},
                  {"-o", "x.sav", "a.dat", "b.dat"},
                  2,
                  {"a.dat", "b.dat"},
                  {},
                  {"ondrel-convert: --output: names the output of exactly one INPUT",
                   "Try 'ondrel-convert --help' for more information."}}),
    [](const auto& info) { return std::string(info.param.name); });

#ifdef __linux__
INSTANTIATE_TEST_SUITE_P(
    LinuxInputs, BatchTest,
    ::testing::Values(
        // One folder reached through a link to it: one output, whatever its spelling.
        BatchCase{"OutputsInOneFolderByTwoPaths",
                  {{"real/a.dat", 257 * K}, {"real/a.nds.sav", 512}, {"alias", 0, 0, "real"}},
                  {"--force", "real/a.dat", "alias/a.nds.sav"},
                  1,
                  {"alias/", "real/", "real/a.dat", "real/a.nds.sav", "real/a.sav"},
                  {{"real/a.sav", "real/a.dat", 256 * K}},
                  {"ondrel-convert: alias/a.sav: also the output of real/a.dat; alias/a.nds.sav "
                   "not converted; nothing written"}},
        // A device replaces nothing of the user's: written in place without --force.
        BatchCase{"DeviceOutputNeedsNoForce",
                  {{"a.dat", 257 * K}},
                  {"-o", "/dev/null", "a.dat"},
                  0,
                  {"a.dat"},
                  {},
                  {}},
        // Standard output by a file's name is "-": written in place, the
        // report beside the errors.
        BatchCase{"StandardOutputByItsName",
                  {{"a.dat", 257 * K}},
                  {"-o", "/dev/stdout", "a.dat"},
                  0,
                  {"a.dat"},
                  {},
                  {"a.dat -> standard output (dat, 262144 bytes used / 1024 dropped)",
                   "  bytes 262144-263167 dropped: a dat save is read up to 262144 bytes",
                   "  output bytes 262144-524287 added: padding (0xFF)"}},
        // The run's standard input is empty.
        BatchCase{"StandardInputByName",
                  {},
                  {"--kind", "dsv", "-o", "a.sav", "-"},
                  1,
                  {},
                  {},
                  {"ondrel-convert: standard input: not a .dsv: 0 bytes is too short for the "
                   "122-byte DeSmuME footer; nothing written"}},
        // Names a terminal would not show as they are: nothing, blanks, C1
        // controls (U+0085, U+009B) and a byte that is no UTF-8.
        BatchCase{"NamesThatDoNotShowAreQuoted",
                  {},
                  {"", "  ", "a\xC2\x85.dat", "b\xC2\x9B.dat", "c\x9B.dat"},
                  1,
                  {},
                  {},
                  {"ondrel-convert: \"\": no such file or directory; nothing written",
                   "ondrel-convert: \"  \": no such file or directory; nothing written",
                   "ondrel-convert: \"a\\u0085.dat\": no such file or directory; nothing written",
                   "ondrel-convert: \"b\\u009B.dat\": no such file or directory; nothing written",
                   "ondrel-convert: \"c\\x9B.dat\": no such file or directory; nothing "
                   "written"}}),
    [](const auto& info) { return std::string(info.param.name); });
#endif

// The saves players bring from emulators and Action Replay, made into the
// outputs they ask for; or, where a byte that is not 0xFF would be lost,
// nothing at all.
struct RequestCase {
    const char* name;
    std::vector<std::pair<const char*, BytesMaker>> files;
    std::vector<std::string> args;
    int status;
    std::vector<std::pair<const char*, BytesMaker>> outputs;  // every file the run makes
    std::vector<std::string> errors;                          // standard error, line by line
    const char* reported = "";                                // a part of standard output
};

void PrintTo(const RequestCase& c, std::ostream* os) {
    *os << c.name;
}

class RequestTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(RequestTest, WritesTheAskedOutputOrNothing) {
    const RequestCase& c = GetParam();
    TempFolder folder;
    std::vector<std::string> expectedTree;
    for (const auto& [name, make] : c.files) {
        test_support::WriteBytes(folder / name, make());
        expectedTree.push_back(name);
    }
    for (const auto& output : c.outputs) expectedTree.push_back(output.first);
    std::sort(expectedTree.begin(), expectedTree.end());

    auto run = Convert(folder, c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.err, Lines(c.errors));
    EXPECT_EQ(Tree(folder), expectedTree);
    EXPECT_NE(run.out.find(c.reported), std::string::npos) << run.out;
    for (const auto& [name, make] : c.outputs)
        EXPECT_EQ(test_support::ReadBytes(folder / name), make()) << name;
}

// A save with data in its first bytes only, the rest blank.
Bytes DataThenBlank(std::size_t size, std::size_t data) {
    Bytes save = test_support::PatternBytes(data);
    save.resize(size, 0xFF);
    return save;
}

Bytes Image(const Bytes& save) {
    return test_support::ImageOf(save, save.size());
}

Bytes Joined(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::string kTryHelp = "Try 'ondrel-convert --help' for more information.";
std::string kSizeTakes(const std::string& problem) {
    return "ondrel-convert: --size: " + problem +
           "; it takes one chip size in bytes, or with K or M: 512, 8K, 32K, 64K, 128K, 256K, "
           "512K, 1M ... 64M";
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RequestTest,
    ::testing::Values(
        RequestCase{"DsvToJ8",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"g.dsv"},
                    0,
                    {{"g.sav", [] { return Image(Save8K()); }}},
                    {}},
        RequestCase{"J8BackToAn8KRawSave",
                    {{"g.sav", [] { return DataThenBlank(512 * K, 8 * K); }}},
                    {"--kind", "raw", "--to", "raw", "--size", "8K", "g.sav"},
                    0,
                    {{"g.raw.sav", [] { return Save8K(); }}},
                    {}},
        RequestCase{"DucToRawAtItsChipSize",
                    {{"g.duc", [] { return test_support::ActionReplayDsFile(Save8K()); }}},
                    {"--to", "raw", "g.duc"},
                    0,
                    {{"g.sav", [] { return Save8K(); }}},
                    {}},
        RequestCase{"DsiDucPaddedToJ8",
                    {{"g.dss", [] { return test_support::ActionReplayDsiFile(Save8K(), 8 * K); }}},
                    {"g.dss"},
                    0,
                    {{"g.sav", [] { return Image(Save8K()); }}},
                    {}},
        RequestCase{"NocashStoredAndPacked",
                    {{"s.sav", [] { return test_support::NocashStoredFile(Save8K()); }},
                     {"p.sav", [] { return Packed({3, 1, 2, 3, 0x85, 7, 0}, 8); }}},
                    {"--to", "raw", "s.sav", "p.sav"},
                    0,
                    {{"s.raw.sav", [] { return Save8K(); }},
                     {"p.raw.sav",
                      [] {
                          Bytes save = DataThenBlank(512, 0);
                          for (std::uint8_t b : {1, 2, 3}) save[b - 1] = b;
                          std::fill(save.begin() + 3, save.begin() + 8, 7);
                          return save;
                      }}},
                    {"ondrel-convert: p.sav: warning: 8 bytes is not the size of a DS save chip "
                     "(512 bytes, 8 KiB, or a power of two from 32 KiB to 64 MiB); converted "
                     "anyway"}},
        RequestCase{"OddRawPaddedToAChip",
                    {{"odd.bin", [] { return test_support::PatternBytes(1000); }}},
                    {"--kind", "raw", "--to", "raw", "odd.bin"},
                    0,
                    {{"odd.bin.raw.sav", [] { return DataThenBlank(8 * K, 1000); }}},
                    {"ondrel-convert: odd.bin: warning: 1000 bytes is not the size of a DS save "
                     "chip (512 bytes, 8 KiB, or a power of two from 32 KiB to 64 MiB); "
                     "converted anyway"}},
        RequestCase{"BlankTailDroppedToFit",
                    {{"big.dsv",
                      [] {
                          return test_support::DsvFile(DataThenBlank(1024 * K, 100));
                      }}},
                    {"big.dsv"},
                    0,
                    {{"big.sav", [] { return Image(test_support::PatternBytes(100)); }}},
                    {},
                    "(dsv, 524288 bytes used / 524410 dropped)"},
        // A *.sav is read as what its bytes are, unless --kind says otherwise.
        RequestCase{"SavThatIsADsv",
                    {{"g.sav", [] { return test_support::DsvFile(Save8K()); }}},
                    {"g.sav"},
                    0,
                    {{"g.j8.sav", [] { return Image(Save8K()); }}},
                    {},
                    "(dsv, 8192 bytes used / 122 dropped)"},
        RequestCase{"KindSavKeepsTheCartRule",
                    {{"g.sav", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--kind", "sav", "g.sav"},
                    0,
                    {{"g.j8.sav", [] { return Image(test_support::DsvFile(Save8K())); }}},
                    {"ondrel-convert: g.sav: warning: 8314 bytes is not a size sav carts make "
                     "(532480 bytes, 520 KiB; 524288 bytes, 512 KiB; or 262144 bytes, 256 KiB); "
                     "converted anyway"}},
        // Past 512 KiB a cart's rule drops bytes; a bare save keeps them or refuses.
        RequestCase{"LongNdsSavKeptWhole",
                    {{"g.nds.sav", [] { return test_support::PatternBytes(1024 * K); }}},
                    {"--to", "raw", "g.nds.sav"},
                    0,
                    {{"g.sav", [] { return test_support::PatternBytes(1024 * K); }}},
                    {}},
        RequestCase{"BytesPastTheCartRuleRefused",
                    {{"x.sav", [] { return test_support::PatternBytes(600 * K); }}},
                    {"--to", "raw", "x.sav"},
                    1,
                    {},
                    {"ondrel-convert: x.sav: bytes 524288-614399 lie past what a sav save holds "
                     "and would be dropped (--kind raw keeps them); nothing written"}},
        RequestCase{"DataPastJ8Refused",
                    {{"big.dsv",
                      [] {
                          return test_support::DsvFile(DataThenBlank(1024 * K, 512 * K + 3));
                      }}},
                    {"big.dsv"},
                    1,
                    {},
                    {"ondrel-convert: big.dsv: 3 bytes of data (not 0xFF) lie past the 512 KiB "
                     "of a J8 save and would be lost; a 1 MiB save holds them (--to raw or --to "
                     "dsv); nothing written"}},
        RequestCase{"DataPastSizeRefused",
                    {{"g.dsv", [] { return test_support::DsvFile(DataThenBlank(64 * K, 9000)); }}},
                    {"--to", "raw", "--size", "8K", "g.dsv"},
                    1,
                    {},
                    {"ondrel-convert: g.dsv: 808 bytes of data (not 0xFF) lie past the first 8 "
                     "KiB and would be lost; a 32 KiB save holds them (--size 32K); nothing "
                     "written"}},
        RequestCase{"DsvInputToDsvGetsANewName",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "dsv", "--size", "8K", "g.dsv"},
                    0,
                    // The emulator's row for EEPROM 64 kbit, and its two address bytes.
                    {{"g.new.dsv",
                      [] {
                          return test_support::DsvFile(Save8K(), 8 * K, 8 * K, 0, 2, 2);
                      }}},
                    {}},
        RequestCase{"SizeIsNoChip",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "raw", "--size", "12K", "g.dsv"},
                    2,
                    {},
                    {"ondrel-convert: --size: 12288 bytes is not a DS save chip size (512 bytes, "
                     "8 KiB, or a power of two from 32 KiB to 64 MiB)",
                     "Try 'ondrel-convert --help' for more information."}},
        RequestCase{"SizePastAnyNumber",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "raw", "--size", "99999999999999999999", "g.dsv"},
                    2,
                    {},
                    {kSizeTakes("'99999999999999999999' is no size"), kTryHelp}},
        // Decimal, whatever zeros lead; no octal, hexadecimal or other suffixes.
        RequestCase{"SizeWithLeadingZeros",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "raw", "--size", "08K", "g.dsv"},
                    0,
                    {{"g.sav", [] { return Save8K(); }}},
                    {}},
        RequestCase{"SizeInHexadecimal",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "raw", "--size", "0x2000", "g.dsv"},
                    2,
                    {},
                    {kSizeTakes("'0x2000' is no size"), kTryHelp}},
        RequestCase{"SizeInTerabytes",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "raw", "--size", "16777216T", "g.dsv"},
                    2,
                    {},
                    {kSizeTakes("'16777216T' is no size"), kTryHelp}},
        RequestCase{"SizeEmpty",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "raw", "--size", "", "g.dsv"},
                    2,
                    {},
                    {kSizeTakes("'' is no size"), kTryHelp}},
        // Counts, verbs and articles agree.
        RequestCase{"OneByteLiesPastJ8",
                    {{"big.dsv",
                      [] {
                          return test_support::DsvFile(DataThenBlank(1024 * K, 512 * K + 1));
                      }}},
                    {"big.dsv"},
                    1,
                    {},
                    {"ondrel-convert: big.dsv: 1 byte of data (not 0xFF) lies past the 512 KiB "
                     "of a J8 save and would be lost; a 1 MiB save holds it (--to raw or --to "
                     "dsv); nothing written"}},
        RequestCase{"AnEightKiBSaveHoldsThem",
                    {{"g.dsv", [] { return test_support::DsvFile(DataThenBlank(8 * K, 600)); }}},
                    {"--to", "raw", "--size", "512", "g.dsv"},
                    1,
                    {},
                    {"ondrel-convert: g.dsv: 88 bytes of data (not 0xFF) lie past the first 512 "
                     "bytes and would be lost; an 8 KiB save holds them (--size 8K); nothing "
                     "written"}},
        // No$gba: what follows the save is padding, or refused.
        RequestCase{"NocashDataAfterTheSaveRefused",
                    {{"g.sav",
                      [] {
                          const Bytes save = test_support::PatternBytes(4096);
                          return Joined(test_support::NocashStoredFile(save),
                                        test_support::PatternBytes(100));
                      }}},
                    {"--to", "raw", "g.sav"},
                    1,
                    {},
                    {"ondrel-convert: g.sav: bytes 4172-4271 follow the save that the no$gba "
                     "header describes and would be lost; nothing written"}},
        RequestCase{"NocashZeroPaddingDropped",
                    {{"g.sav",
                      [] {
                          return Joined(test_support::NocashStoredFile(Save8K()), Bytes(20, 0));
                      }}},
                    {"--to", "raw", "g.sav"},
                    0,
                    {{"g.raw.sav", [] { return Save8K(); }}},
                    {},
                    "bytes 8268-8287 dropped: padding after the save (all 0x00)"},
        // The largest chip: blank bytes past it dropped, data past it refused.
        RequestCase{"BlankByteOverTheLargestChip",
                    {{"g.bin", [] { return DataThenBlank((64u << 20) + 1, 100); }}},
                    {"--kind", "raw", "--to", "raw", "g.bin"},
                    0,
                    {{"g.bin.raw.sav", [] { return DataThenBlank(64u << 20, 100); }}},
                    {"ondrel-convert: g.bin: warning: 67108865 bytes is not the size of a DS save "
                     "chip (512 bytes, 8 KiB, or a power of two from 32 KiB to 64 MiB); "
                     "converted anyway"}},
        RequestCase{"DataOverTheLargestChip",
                    {{"g.bin", [] { return Joined(Bytes(64u << 20, 0xFF), {1}); }}},
                    {"--kind", "raw", "--to", "raw", "g.bin"},
                    1,
                    {},
                    {"ondrel-convert: g.bin: 1 byte of data (not 0xFF) lies past the first 64 MiB "
                     "and would be lost; no DS save chip holds more than 64 MiB; nothing "
                     "written"}},
        // A cart's rule leaves bytes behind only in the J8 image.
        RequestCase{"DatLastKiBBlankDropped",
                    {{"d.dat", [] { return DataThenBlank(257 * K, 256 * K); }}},
                    {"--to", "raw", "d.dat"},
                    0,
                    {{"d.sav", [] { return test_support::PatternBytes(256 * K); }}},
                    {},
                    "bytes 262144-263167 dropped"},
        RequestCase{"DatLastKiBWithDataRefused",
                    {{"d.dat", [] { return Joined(DataThenBlank(257 * K - 1, 256 * K), {1}); }}},
                    {"--to", "raw", "d.dat"},
                    1,
                    {},
                    {"ondrel-convert: d.dat: 1 byte of data (not 0xFF) in bytes 262144-263167, "
                     "past the 256 KiB a dat save is read up to, would be dropped (--kind raw "
                     "keeps it); nothing written"}},
        // A DSLink save: its first 8 KiB blank, the save's start after the body.
        RequestCase{"DsLinkStartMovedBack",
                    {{"x.sav", [] { return test_support::PatternBytes(520 * K, 8 * K); }}},
                    {"--to", "raw", "x.sav"},
                    0,
                    {{"x.raw.sav",
                      [] {
                          Bytes file = test_support::PatternBytes(520 * K, 8 * K);
                          std::copy(file.begin() + 512 * K, file.end(), file.begin());
                          file.resize(512 * K);
                          return file;
                      }}},
                    {},
                    "bytes 0-8191 replaced by bytes 524288-532479"},
        // One byte past the body: it moves over the first, inside the blank probe.
        RequestCase{"SavOneTrailerByteMoved",
                    {{"x.sav", [] { return test_support::PatternBytes(512 * K + 1, 16); }}},
                    {"--to", "raw", "x.sav"},
                    0,
                    {{"x.raw.sav",
                      [] {
                          Bytes file = test_support::PatternBytes(512 * K + 1, 16);
                          file[0] = file.back();
                          file.pop_back();
                          return file;
                      }}},
                    {"ondrel-convert: x.sav: warning: 524289 bytes is not a size sav carts make "
                     "(532480 bytes, 520 KiB; 524288 bytes, 512 KiB; or 262144 bytes, 256 KiB); "
                     "converted anyway"},
                    "byte 0 replaced by byte 524288"},
        // The game's chip: a J8 save made back into the game's own size.
        RequestCase{"GameWithA512ByteChip",
                    {{"g.sav", [] { return DataThenBlank(512 * K, 300); }}},
                    {"--to", "raw", "--game-code", "A2HE", "g.sav"},
                    0,
                    {{"g.raw.sav", [] { return DataThenBlank(512, 300); }}},
                    {},
                    "(sav, 512 bytes used / 523776 dropped), game A2HE: 512-byte EEPROM"},
        RequestCase{"GameWithAn8KiBChipByLowerCaseCode",
                    {{"g.sav", [] { return DataThenBlank(512 * K, 8 * K); }}},
                    {"--to", "raw", "--game-code", "a2de", "g.sav"},
                    0,
                    {{"g.raw.sav", [] { return Save8K(); }}},
                    {},
                    "game A2DE: 8 KiB EEPROM"},
        // Padded to the chip, and its footer the emulator's row for 512 kbit.
        RequestCase{"GameWithA64KiBChipToDsv",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "dsv", "--game-code", "YWSE", "g.dsv"},
                    0,
                    {{"g.new.dsv",
                      [] {
                          return test_support::DsvFile(DataThenBlank(64 * K, 8 * K), 64 * K,
                                                       64 * K, 0, 3, 2);
                      }}},
                    {},
                    "output bytes 8192-65535 added: padding (0xFF)"},
        // Zelda.nds beside Zelda.sav names the game; only its header is there.
        RequestCase{"GameWithA1MiBChipByTheRomBeside",
                    {{"Zelda.sav", [] { return DataThenBlank(512 * K, 8 * K); }},
                     {"Zelda.nds", [] { return test_support::RomHeaderBytes("BKIE"); }}},
                    {"--to", "raw", "Zelda.sav"},
                    0,
                    {{"Zelda.raw.sav", [] { return DataThenBlank(1024 * K, 8 * K); }}},
                    {},
                    "Zelda.sav -> Zelda.raw.sav (sav, 524288 bytes used / 0 dropped), game BKIE: "
                    "1 MiB flash"},
        RequestCase{"RomBesideANdsSav",
                    {{"Game.nds.sav", [] { return Save8K(); }},
                     {"Game.nds", [] { return test_support::RomHeaderBytes("YWSE"); }}},
                    {"--to", "raw", "Game.nds.sav"},
                    0,
                    {{"Game.sav", [] { return DataThenBlank(64 * K, 8 * K); }}},
                    {},
                    "game YWSE: 64 KiB EEPROM or FRAM"},
        // The emulator's row for 64 Mbit, three address bytes.
        RequestCase{"GameWithAn8MiBChipByItsRom",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }},
                     {"Jam.srl", [] { return test_support::RomHeaderBytes("UXBP"); }}},
                    {"--to", "dsv", "--game", "Jam.srl", "g.dsv"},
                    0,
                    {{"g.new.dsv",
                      [] {
                          return test_support::DsvFile(DataThenBlank(8192 * K, 8 * K), 8192 * K,
                                                       8192 * K, 0, 10, 3);
                      }}},
                    {},
                    "game UXBP: 8 MiB NAND"},
        // --game and --game-code name the game of every input; a ROM beside
        // one save, of that save alone.
        RequestCase{"GameOfTheRunAndOfOneSave",
                    {{"a.sav", [] { return DataThenBlank(512 * K, 8 * K); }},
                     {"a.nds", [] { return test_support::RomHeaderBytes("BKIE"); }},
                     {"b.sav", [] { return DataThenBlank(512 * K, 8 * K); }}},
                    {"--to", "raw", "a.sav", "b.sav"},
                    0,
                    {{"a.raw.sav", [] { return DataThenBlank(1024 * K, 8 * K); }},
                     {"b.raw.sav", [] { return DataThenBlank(512 * K, 8 * K); }}},
                    {},
                    "b.sav -> b.raw.sav (sav, 524288 bytes used / 0 dropped)\n  output size 512 "
                    "KiB, from the save's length, as no game was named (the game's ROM gives "
                    "its chip's size)"},
        RequestCase{"GameCodeForEveryInputOverTheRomBeside",
                    {{"a.sav", [] { return DataThenBlank(512 * K, 8 * K); }},
                     {"a.nds", [] { return test_support::RomHeaderBytes("BKIE"); }},
                     {"b.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "raw", "--game-code", "A2DE", "a.sav", "b.dsv"},
                    0,
                    {{"a.raw.sav", [] { return Save8K(); }}, {"b.sav", [] { return Save8K(); }}},
                    {}},
        RequestCase{"GameRomThatIsNoDsGame",
                    {{"g.sav", [] { return DataThenBlank(512 * K, 8 * K); }},
                     {"g.nds", [] { return test_support::RomHeaderBytes("BKIE", false); }}},
                    {"--to", "raw", "--game", "g.nds", "g.sav"},
                    1,
                    {},
                    {"ondrel-convert: g.nds: not a DS game: it begins with no DS game's header "
                     "(the header's checksum at 0x15E does not hold); nothing written"}},
        RequestCase{"RomBesideThatIsNoDsGame",
                    {{"g.sav", [] { return DataThenBlank(512 * K, 8 * K); }},
                     {"g.nds", [] { return test_support::PatternBytes(100); }}},
                    {"--to", "raw", "g.sav"},
                    0,
                    {{"g.raw.sav", [] { return DataThenBlank(512 * K, 8 * K); }}},
                    {"ondrel-convert: g.sav: warning: the ROM beside it, g.nds, names no game (not "
                     "a DS game: 100 bytes, too short for a DS game's 512-byte header); converted "
                     "as if no game were named"}},
        RequestCase{"GameNotInTheList",
                    {{"g.sav", [] { return DataThenBlank(512 * K, 8 * K); }}},
                    {"--to", "raw", "--game-code", "ZZZZ", "g.sav"},
                    0,
                    {{"g.raw.sav", [] { return DataThenBlank(512 * K, 8 * K); }}},
                    {"ondrel-convert: g.sav: warning: game ZZZZ is not in the list of DS games' "
                     "save chips; its save is converted as if no game were named"},
                    "output size 512 KiB, from the save's length, as game ZZZZ is not in the list "
                    "of save chips"},
        RequestCase{"GameWithoutASaveChip",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "raw", "--game-code", "A36J", "g.dsv"},
                    0,
                    {{"g.sav", [] { return Save8K(); }}},
                    {"ondrel-convert: g.dsv: warning: game A36J keeps no save on its card, says "
                     "the list of save chips; converted as if no game were named"},
                    "game A36J: no save chip"},
        RequestCase{"DataPastTheGamesChipRefused",
                    {{"g.sav", [] { return DataThenBlank(512 * K, 9000); }}},
                    {"--to", "raw", "--game-code", "A2DE", "g.sav"},
                    1,
                    {},
                    {"ondrel-convert: g.sav: 808 bytes of data (not 0xFF) lie in bytes 8192-8999 "
                     "past the 8 KiB EEPROM chip of game A2DE and would be lost; a 32 KiB save "
                     "holds them (--size 32K); nothing written"}},
        RequestCase{"SizeThatIsNotTheGamesWins",
                    {{"g.sav", [] { return DataThenBlank(512 * K, 8 * K); }}},
                    {"--to", "raw", "--size", "256K", "--game-code", "BKIE", "g.sav"},
                    0,
                    {{"g.raw.sav", [] { return DataThenBlank(256 * K, 8 * K); }}},
                    {"ondrel-convert: g.sav: warning: the output is 256 KiB, but game BKIE has a "
                     "1 MiB flash chip"}},
        RequestCase{"J8OfAGameWithALargerChip",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--game-code", "BKIE", "g.dsv"},
                    0,
                    {{"g.sav", [] { return Image(Save8K()); }}},
                    {"ondrel-convert: g.dsv: warning: game BKIE has a 1 MiB flash chip; a J8 save "
                     "holds only the first 512 KiB of its save"}},
        RequestCase{"GameCodeNotFourLettersOrDigits",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "raw", "--game-code", "BK-E", "g.dsv"},
                    2,
                    {},
                    {"ondrel-convert: --game-code: 'BK-E' is no game code; it takes one game "
                     "code: four letters or digits, as BKIE",
                     kTryHelp}},
        RequestCase{"GameAndGameCodeTogether",
                    {{"g.dsv", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--game", "g.nds", "--game-code", "BKIE", "g.dsv"},
                    2,
                    {},
                    {"ondrel-convert: --game-code: cannot be given with --game", kTryHelp}},
        RequestCase{"BlankSaveWarned",
                    {{"g.dsv", [] { return test_support::DsvFile(Bytes(8 * K, 0xFF)); }}},
                    {"--to", "raw", "g.dsv"},
                    0,
                    {{"g.sav", [] { return Bytes(8 * K, 0xFF); }}},
                    {"ondrel-convert: g.dsv: warning: holds no data (every byte is 0xFF): a "
                     "fresh save, or the wrong file?"}},
        // RetroArch's *.srm: a bare save, or a .dsv by its footer.
        RequestCase{"SrmBareOrDsv",
                    {{"a.srm", [] { return Save8K(); }},
                     {"b.srm", [] { return test_support::DsvFile(Save8K()); }}},
                    {"--to", "raw", "a.srm", "b.srm"},
                    0,
                    {{"a.sav", [] { return Save8K(); }}, {"b.sav", [] { return Save8K(); }}},
                    {},
                    "b.srm -> b.sav (dsv, 8192 bytes used / 122 dropped)"},
        RequestCase{"SrmToDsv",
                    {{"a.srm", [] { return Save8K(); }}},
                    {"--to", "dsv", "a.srm"},
                    0,
                    {{"a.dsv", [] { return test_support::DsvFile(Save8K(), 8 * K, 8 * K, 0, 2, 2); }}},
                    {}},
        RequestCase{"DsLinkMoveOverFrontDataRefused",
                    {{"x.sav", [] { return test_support::PatternBytes(520 * K, 16); }}},
                    {"--to", "dsv", "x.sav"},
                    1,
                    {},
                    {"ondrel-convert: x.sav: 8176 bytes of data (not 0xFF) in bytes 0-8191 "
                     "would be overwritten by the save's start moved there from bytes "
                     "524288-532479 (--kind raw keeps the file as it is); nothing written"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A .duc made into a .dsv, and that .dsv into a J8 save, is the .duc's J8 save.
TEST(RequestTest, DucThroughDsvIsDucStraightToJ8) {
    TempFolder folder;
    test_support::WriteBytes(folder / "g.duc", test_support::ActionReplayDsFile(Save8K()));
    ASSERT_EQ(Convert(folder, {"--to", "dsv", "g.duc"}).status, 0);
    ASSERT_EQ(Convert(folder, {"-o", "via.sav", "g.dsv"}).status, 0);
    ASSERT_EQ(Convert(folder, {"-o", "straight.sav", "g.duc"}).status, 0);
    EXPECT_EQ(test_support::ReadBytes(folder / "via.sav"),
              test_support::ReadBytes(folder / "straight.sav"));
    EXPECT_EQ(test_support::ReadBytes(folder / "via.sav"), Image(Save8K()));
}

// What a single conversion reports about the input's bytes and size.
struct ReportCase {
    const char* name;
    File file;
    std::vector<std::string> out;
    const char* warning;  // the cart sizes named in a size warning; empty for none
    bool quiet = false;
    const char* alsoWarned = "";  // a warning after it
};

void PrintTo(const ReportCase& c, std::ostream* os) {
    *os << c.name;
}

class ReportTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ReportTest, TellsWhatHappenedToTheBytes) {
    const ReportCase& c = GetParam();
    TempFolder folder;
    Make(folder, {c.file});
    std::vector<std::string> args{c.file.name};
    if (c.quiet) args.insert(args.begin(), "--quiet");
    auto run = Convert(folder, args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, Lines(c.out));
    const std::string name = c.file.name, kind = name.substr(name.find('.') + 1);
    const std::string size = std::to_string(c.file.size) + (c.file.size == 1 ? " byte" : " bytes");
    EXPECT_EQ(run.err, (*c.warning == '\0'
                            ? ""
                            : "ondrel-convert: " + name + ": warning: " + size + " is not a size " +
                                  kind + " carts make (" + c.warning + "); converted anyway\n") +
                           (*c.alsoWarned == '\0'
                                ? ""
                                : "ondrel-convert: " + name + ": warning: " + c.alsoWarned + "\n"));
}

constexpr const char* kNdsSizes = "powers of two from 512 bytes to 512 KiB";
constexpr const char* kDatSizes = "263168 bytes, 257 KiB";
constexpr const char* kSavSizes =
    "532480 bytes, 520 KiB; 524288 bytes, 512 KiB; or 262144 bytes, 256 KiB";

INSTANTIATE_TEST_SUITE_P(
    Sizes, ReportTest,
    ::testing::Values(
        ReportCase{"Sc256K",
                   {"a.nds.sav", 256 * K},
                   {"a.nds.sav -> a.sav (nds.sav, 262144 bytes used / 0 dropped)",
                    "  output bytes 262144-524287 added: padding (0xFF)"},
                   ""},
        ReportCase{"Acekard512Bytes",
                   {"a.nds.sav", 512},
                   {"a.nds.sav -> a.sav (nds.sav, 512 bytes used / 0 dropped)",
                    "  output bytes 512-524287 added: padding (0xFF)"},
                   ""},
        ReportCase{"NdsSavOddSize",
                   {"a.nds.sav", 300000},
                   {"a.nds.sav -> a.sav (nds.sav, 300000 bytes used / 0 dropped)",
                    "  output bytes 300000-524287 added: padding (0xFF)"},
                   kNdsSizes},
        ReportCase{"NdsSavLongerThanTheImage",
                   {"a.nds.sav", 600000},
                   {"a.nds.sav -> a.sav (nds.sav, 524288 bytes used / 75712 dropped)",
                    "  bytes 524288-599999 dropped: past the end of the 512 KiB image"},
                   kNdsSizes},
        ReportCase{"M3257K",
                   {"b.dat", 257 * K},
                   {"b.dat -> b.sav (dat, 262144 bytes used / 1024 dropped)",
                    "  bytes 262144-263167 dropped: a dat save is read up to 262144 bytes",
                    "  output bytes 262144-524287 added: padding (0xFF)"},
                   ""},
        ReportCase{"Dat256K",
                   {"b.dat", 256 * K},
                   {"b.dat -> b.sav (dat, 262144 bytes used / 0 dropped)",
                    "  output bytes 262144-524287 added: padding (0xFF)"},
                   kDatSizes},
        ReportCase{"EmptyDat",
                   {"b.dat", 0},
                   {"b.dat -> b.sav (dat, 0 bytes used / 0 dropped)",
                    "  output bytes 0-524287 added: padding (0xFF)"},
                   kDatSizes},
        // Its one byte is 0x00: no save holds nothing but zeros.
        ReportCase{"OneByteDat",
                   {"b.dat", 1},
                   {"b.dat -> b.sav (dat, 1 byte used / 0 dropped)",
                    "  output bytes 1-524287 added: padding (0xFF)"},
                   kDatSizes,
                   false,
                   "holds no data (every byte is 0x00): a fresh save, or the wrong file?"},
        ReportCase{"DsLinkTrailerMoved",
                   {"c.sav", 520 * K, 16},
                   {"c.sav -> c.j8.sav (sav, 524288 bytes used / 8192 dropped)",
                    "  bytes 0-8191 replaced by bytes 524288-532479, the save's start, moved to "
                    "the front"},
                   ""},
        ReportCase{"DsLinkWithoutBlankStart",
                   {"c.sav", 520 * K},
                   {"c.sav -> c.j8.sav (sav, 524288 bytes used / 8192 dropped)",
                    "  bytes 524288-532479 dropped: past the end of the 512 KiB image"},
                   ""},
        ReportCase{"SavShortTrailerThenTail",
                   {"c.sav", 600000, 16},
                   {"c.sav -> c.j8.sav (sav, 524288 bytes used / 75712 dropped)",
                    "  bytes 0-8191 replaced by bytes 524288-532479, the save's start, moved to "
                    "the front",
                    "  bytes 532480-599999 dropped: past the end of the 512 KiB image"},
                   kSavSizes},
        ReportCase{"Ez4256KBlankStartStays",
                   {"c.sav", 256 * K, 16},
                   {"c.sav -> c.j8.sav (sav, 262144 bytes used / 0 dropped)",
                    "  output bytes 262144-524287 added: padding (0xFF)"},
                   ""},
        // The J8's own image, which players bring as a *.sav.
        ReportCase{"Sav512K",
                   {"c.sav", 512 * K},
                   {"c.sav -> c.j8.sav (sav, 524288 bytes used / 0 dropped)"},
                   ""},
        ReportCase{"QuietKeepsTheWarning", {"a.nds.sav", 600000}, {}, kNdsSizes, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Two runs started together into one output without --force: exactly one
// wins and its image is the output; the other says the output exists. Before
// the replace itself decided it, both reported success in most rounds.
TEST(RaceTest, OneOfTwoRunsIntoOneOutputWins) {
#ifdef _WIN32
    constexpr int kRounds = 8;  // each run starts a Wine process
#else
    constexpr int kRounds = 30;
#endif
    TempFolder folder;
    const Bytes a = test_support::PatternBytes(256 * K), b(257 * K, 0x42);
    test_support::WriteBytes(folder / "A.nds.sav", a);
    test_support::WriteBytes(folder / "A.dat", b);
    for (int round = 0; round < kRounds; ++round) {
        fs::remove(folder / "A.sav");
        const auto runs = test_support::RunTogether(test_support::ConverterProgram(),
                                                    {{"-q", "A.nds.sav"}, {"-q", "A.dat"}},
                                                    folder.path().string());
        ASSERT_EQ(runs[0].status + runs[1].status, 1) << "round " << round;
        const auto& loser = runs[0].status != 0 ? runs[0] : runs[1];
        ASSERT_NE(loser.err.find("A.sav: already exists"), std::string::npos) << loser.err;
        ASSERT_EQ(test_support::ReadBytes(folder / "A.sav"),
                  test_support::ImageOf(runs[0].status == 0 ? a : b, 256 * K));
        // With --force both succeed, and the output is one whole image.
        const auto forced = test_support::RunTogether(
            test_support::ConverterProgram(), {{"-q", "-f", "A.nds.sav"}, {"-q", "-f", "A.dat"}},
            folder.path().string());
        ASSERT_EQ(forced[0].status + forced[1].status, 0) << forced[0].err << forced[1].err;
        const Bytes left = test_support::ReadBytes(folder / "A.sav");
        ASSERT_TRUE(left == test_support::ImageOf(a, 256 * K) ||
                    left == test_support::ImageOf(b, 256 * K));
    }
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"A.dat", "A.nds.sav", "A.sav"}));
}

// The version printed is the one the man page's title names, written there by
// hand (the Linux build refuses a page that names another than the project's).
TEST(VersionTest, IsTheProjectVersion) {
    TempFolder folder;
    auto run = Convert(folder, {"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "ondrel-convert " ONDREL_MAN_PAGE_VERSION "\n");
}

#ifdef _WIN32
TEST(DeviceInputTest, IsRefused) {
    TempFolder folder;
    auto run = Convert(folder, {"NUL", "con.dat"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, Lines({"ondrel-convert: NUL: not a regular file; nothing written",
                              "ondrel-convert: con.dat: not a regular file; nothing written"}));
    EXPECT_TRUE(folder.Names().empty());
}
#endif

#ifdef __linux__
// Inputs that are no regular file: refused at once, none of them read.
struct NonRegularCase {
    const char* name;
    mode_t type;
};

void PrintTo(const NonRegularCase& c, std::ostream* os) {
    *os << c.name;
}

class NonRegularInputTest : public ::testing::TestWithParam<NonRegularCase> {};

TEST_P(NonRegularInputTest, IsRefusedWithoutBlocking) {
    TempFolder folder;
    // A pipe with no writer would block an open; a zero device never ends.
    ASSERT_EQ(::mknod((folder / "in.sav").c_str(), GetParam().type | 0666, makedev(1, 5)), 0)
        << "mknod needs root";
    auto run = Convert(folder, {"in.sav"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "ondrel-convert: in.sav: not a regular file; nothing written\n");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"in.sav"});
}

INSTANTIATE_TEST_SUITE_P(Types, NonRegularInputTest,
                         ::testing::Values(NonRegularCase{"Fifo", S_IFIFO},
                                           NonRegularCase{"CharacterDevice", S_IFCHR}),
                         [](const auto& info) { return std::string(info.param.name); });

// A disk too small for any image, with the player's old saves on it.
struct FullDiskCase {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> errors;
};

void PrintTo(const FullDiskCase& c, std::ostream* os) {
    *os << c.name;
}

class FullDiskTest : public ::testing::TestWithParam<FullDiskCase> {
protected:
    void SetUp() override {
        fs::create_directory(folder_ / "disk");
        ASSERT_EQ(::mount("tmpfs", (folder_ / "disk").c_str(), "tmpfs", 0, "size=300k"), 0)
            << "mounting a tmpfs needs root";
        Make(folder_, {{"a.nds.sav", 512 * K},
                       {"b.dat", 257 * K},
                       {"disk/a.sav", 100 * K, 16},
                       {"disk/b.sav", 50 * K}});
    }
    void TearDown() override { ::umount((folder_ / "disk").c_str()); }

    TempFolder folder_;
};

TEST_P(FullDiskTest, ExistingOutputsKeepEveryByte) {
    const Bytes a = test_support::ReadBytes(folder_ / "disk/a.sav");
    const Bytes b = test_support::ReadBytes(folder_ / "disk/b.sav");
    auto run = Convert(folder_, GetParam().args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, Lines(GetParam().errors));
    EXPECT_EQ(test_support::ReadBytes(folder_ / "disk/a.sav"), a);
    EXPECT_EQ(test_support::ReadBytes(folder_ / "disk/b.sav"), b);
    EXPECT_EQ(Tree(folder_), (std::vector<std::string>{"a.nds.sav", "b.dat", "disk/", "disk/a.sav",
                                                       "disk/b.sav"}));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FullDiskTest,
    ::testing::Values(
        FullDiskCase{"OneSave",
                     {"--force", "-o", "disk/a.sav", "a.nds.sav"},
                     {"ondrel-convert: disk/a.sav: no space left on device; nothing written"}},
        FullDiskCase{"Batch",
                     {"--force", "--output-dir", "disk", "a.nds.sav", "b.dat"},
                     {"ondrel-convert: disk/a.sav: no space left on device; nothing written",
                      "ondrel-convert: disk/b.sav: no space left on device; nothing written"}}),
    [](const auto& info) { return std::string(info.param.name); });
// A maker of an input file with the bytes make gives, made when the case runs.
std::function<std::string(const TempFolder&)> WrittenAs(std::string name, BytesMaker make) {
    return [name, make](const TempFolder& folder) {
        test_support::WriteBytes(folder / name, make());
        return name;
    };
}

// Runs of 65,535 bytes of 0x11, enough of them for 64 MiB.
Bytes Runs64MiB() {
    Bytes runs;
    for (std::uint32_t left = 64u << 20; left > 0; left -= std::min(left, 0xFFFFu)) {
        const std::uint32_t count = std::min(left, 0xFFFFu);
        for (std::uint8_t b : {std::uint8_t{0x80}, std::uint8_t{0x11}, std::uint8_t(count & 0xFF),
                               std::uint8_t(count >> 8)})
            runs.push_back(b);
    }
    runs.push_back(0);
    return runs;
}

// Hostile inputs on the command line: each is answered promptly, by the
// conversion the rules give or by a clear message, and nothing but the output
// is created. The bound is one that only a hang crosses, under the
// sanitizers too; how fast they are answered is a benchmark's matter (the
// README's Speed section).
struct HostileCase {
    const char* name;
    std::function<std::string(const TempFolder&)> makeInput;  // the INPUT argument
    int status;
    std::string said;  // a piece of what standard output or error must hold
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

class HostileInputTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInputTest, AnsweredPromptly) {
    const HostileCase& c = GetParam();
    TempFolder folder;
    const std::string input = c.makeInput(folder);
    auto before = folder.Names();
    const auto started = std::chrono::steady_clock::now();
    auto run = Convert(folder, {"-o", "out.sav", input});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << run.out << run.err;
    if (c.status == 0) before.push_back("out.sav");
    std::sort(before.begin(), before.end());
    EXPECT_EQ(folder.Names(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, HostileInputTest,
    ::testing::Values(
        HostileCase{"Sparse4GiB",
                    [](const TempFolder& f) {
                        test_support::WriteBytes(f / "big.nds.sav",
                                                 test_support::PatternBytes(1000));
                        fs::resize_file(f / "big.nds.sav", std::uint64_t{4} << 30);
                        return std::string("big.nds.sav");
                    },
                    0, "524288 bytes used / 4294443008 dropped"},
        HostileCase{"DevZero", [](const TempFolder&) { return std::string("/dev/zero"); }, 1,
                    "/dev/zero: not a regular file"},
        // Bytes that are no UTF-8 are shown escaped, so the line is the name's.
        HostileCase{"BytesAbove0x7F",
                    [](const TempFolder& f) {
                        test_support::WriteBytes(f / "\xC4pfel\x83\x5C\xFF.dat",
                                                 test_support::PatternBytes(99));
                        return std::string("\xC4pfel\x83\x5C\xFF.dat");
                    },
                    0, "\"\\xC4pfel\\x83\\\\\\xFF.dat\" -> out.sav"},
        // A name with a newline is quoted, so one input stays one line.
        HostileCase{"NewlineInTheName",
                    WrittenAs("a\nb.dat", [] { return test_support::PatternBytes(99); }), 0,
                    "\"a\\nb.dat\" -> out.sav (dat, 99 bytes used"},
        HostileCase{"PathOf4096Bytes",
                    [](const TempFolder&) {
                        std::string path;
                        while (path.size() < 4090) path += "a/";
                        return path + "xx.dat";  // 4,096 bytes: one more than a path may hold
                    },
                    1, "file name too long; nothing written"},
        // Emulator and Action Replay files whose numbers lie.
        HostileCase{
            "DsvFooterDisagrees",
            WrittenAs("a.dsv", [] { return test_support::DsvFile(Save8K(), 64 * K, 8 * K); }), 1,
            "a.dsv: DeSmuME footer says the save is 65536 bytes"},
        HostileCase{
            "DsiLengthDisagrees",
            WrittenAs("a.duc", [] { return test_support::ActionReplayDsiFile(Save8K(), 16 * K); }),
            1, "a.duc: Action Replay DSi header says the save is 16384 bytes"},
        HostileCase{"TruncatedDuc",
                    WrittenAs("a.duc", [] { return test_support::PatternBytes(16); }), 1,
                    "a.duc: not an Action Replay save"},
        HostileCase{"NocashClaimsMoreThan64MiB",
                    WrittenAs("a.sav", [] { return Packed({0}, (64u << 20) + 1); }), 1,
                    "more than the largest save chip (64 MiB)"},
        HostileCase{"NocashRunsPastPackedLength",
                    WrittenAs("a.sav",
                              [] {
                                  return Packed({0x85, 1}, 5);
                              }),
                    1, "runs past its packed length"},
        HostileCase{"NocashPackedLengthPastTheFile",
                    WrittenAs("a.sav",
                              [] {
                                  return test_support::NocashPackedFile({0x85, 1, 0}, 9, 5);
                              }),
                    1, "says 9 bytes packed follow it, but 3 bytes do"},
        // 64 MiB from 4 KiB: unpacked in full, then refused for what J8 cannot hold.
        HostileCase{"NocashUnpacksTo64MiB",
                    WrittenAs("a.sav", [] { return Packed(Runs64MiB(), 64u << 20); }), 1,
                    "lie past the 512 KiB of a J8 save and would be lost"},
        HostileCase{"Sparse1GiBDsv",
                    [](const TempFolder& f) {
                        test_support::WriteBytes(f / "big.dsv", Save8K());
                        fs::resize_file(f / "big.dsv", std::uint64_t{1} << 30);
                        return std::string("big.dsv");
                    },
                    1, "big.dsv: 1073741824 bytes, larger than any DS save"}),
    [](const auto& info) { return std::string(info.param.name); });
#endif

}  // namespace
}  // namespace ondrel
