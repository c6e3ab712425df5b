#include "cli/batch.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "cli/game_rom.h"
#include "cli/report.h"
#include "core/save_plan.h"
#include "jobs/save_jobs.h"
#include "platform/file_io.h"
#include "platform/locations.h"

namespace ondrel::cli {
namespace {

namespace fs = std::filesystem;

// One input and what became of its planning.
struct Job {
    SaveJob conversion;
    std::string refusedPath;    // set when the input is not converted ...
    std::string refusal;        // ... for this reason
    bool repeated = false;      // the same input given again: converted once, no failure
    std::string outputTarget;   // the file the output is written to, links followed
    std::string gameWarning{};  // the ROM beside it names no game: why
};

// Paths met so far, each with the input it belongs to, found again by their
// place: the same folder, however it is reached (a link to it, ".."), and the
// same name, its letters A-Z in either case, since on a FAT card those are
// one file whether it exists yet or not. For a file that exists, also as the
// same file under another name (a hard link). Only files of the same size and
// time are compared, and those are only looked at once an existing file is
// searched for, so a batch into a fresh folder asks the disk once per folder.
class FileIndex {
public:
    void Add(const std::string& path, const std::string& input) {
        locations_.emplace(CaseBlindLocation(path), input);
        entries_.push_back({path, input});
    }

    // The input that the path, or the existing file it names, belongs to;
    // null for none.
    const std::string* Find(const std::string& path, bool exists) {
        if (auto found = locations_.find(CaseBlindLocation(path)); found != locations_.end())
            return &found->second;
        if (!exists) return nullptr;
        for (; keyed_ < entries_.size(); ++keyed_)
            if (auto key = Key(entries_[keyed_].path)) files_.emplace(*key, keyed_);
        auto key = Key(path);
        if (!key) return nullptr;
        for (auto [it, end] = files_.equal_range(*key); it != end; ++it) {
            std::error_code error;
            if (fs::equivalent(fs::path(path), fs::path(entries_[it->second].path), error))
                return &entries_[it->second].input;
        }
        return nullptr;
    }

private:
    using FileKey = std::pair<std::uintmax_t, fs::file_time_type::rep>;
    struct Entry {
        std::string path, input;
    };

    static std::optional<FileKey> Key(const std::string& path) {
        std::error_code error;
        auto size = fs::file_size(fs::path(path), error);
        if (error) return std::nullopt;
        auto time = fs::last_write_time(fs::path(path), error);
        if (error) return std::nullopt;
        return FileKey{size, time.time_since_epoch().count()};
    }

    std::map<std::string, std::string> locations_;
    std::deque<Entry> entries_;
    std::multimap<FileKey, std::size_t> files_;  // index into entries_
    std::size_t keyed_ = 0;                      // entries_ before this are in files_
};

// Why an input cannot be read as a save file, or empty. Asks the file's type
// without opening it, so a pipe or a device never blocks.
std::string InputRefusal(const std::string& input) {
    if (IsReservedDeviceName(input)) return "not a regular file";
    std::error_code error;
    fs::file_status status = fs::status(fs::path(input), error);
    if (error) return ReasonText(error);
    if (fs::is_directory(status))
        return ReasonText(std::make_error_code(std::errc::is_a_directory));
    if (!fs::is_regular_file(status)) return "not a regular file";
    return {};
}

// Decides one input's kind and output, or why it is not converted. The checks
// that keep a player's files: no output written twice in one run, none over
// an input of the run, none over the input itself or an existing regular
// file without --force. The game of every input is the run's (game);
// without one, each input's is that of the ROM beside it, which only a
// warning tells when it is no game.
Job Plan(const Options& options, const std::string& input, std::optional<GameCode> game,
         FileIndex& inputs, FileIndex& outputs) {
    Job job;
    if (!game && options.gameRom.empty()) {
        if (const std::optional<std::string> rom = RomBeside(input)) {
            const RomGame beside = ReadRomGame(*rom);
            game = beside.code;
            const std::string why = !beside.problem.empty() ? beside.problem : beside.noCode;
            if (!why.empty())
                job.gameWarning = "the ROM beside it, " + Shown(*rom) + ", names no game (" + why +
                                  "); converted as if no game were named";
        }
    }
    const SavePlan plan = PlanSave(input, {options.kind, options.target, options.size, game});
    SaveJob& conversion = job.conversion;
    conversion.inputPath = input;
    conversion.outputPath = !options.output.empty() ? options.output
                            : options.outputDir.empty()
                                ? plan.outputPath
                                : InFolder(options.outputDir, FileNameOf(plan.outputPath));
    conversion.request = plan.request;
    conversion.replace = options.force;
    conversion.standardStreams = true;
    conversion.convert = Convert;
    const std::string& output = job.conversion.outputPath;
    // Every refusal of the plan ends as every refusal of the run does.
    auto refuse = [&job](const std::string& path, const std::string& reason) {
        job.refusedPath = path;
        job.refusal = reason + kNothingWritten;
        return job;
    };
    // Standard input and output are what the shell connected; there is no
    // file of theirs to check.
    if (input != "-") {
        if (std::string reason = InputRefusal(input); !reason.empty()) return refuse(input, reason);
    }
    if (plan.fault.kind != FaultKind::None)
        return refuse(input, Worded(plan.fault, options.target));
    if (output == "-") return job;

    // Two outputs through links to one file are one output.
    std::error_code error;
    PathEnd end = FollowLinks(output, error);
    if (error) return refuse(output, ReasonText(error));
    const std::string& target = end.path;
    const bool exists = end.kind == PathKind::Regular || end.kind == PathKind::Other;
    if (const std::string* other = outputs.Find(target, exists))
        return refuse(output, "also the output of " + ShownInput(*other) + "; " +
                                  ShownInput(input) + " not converted");
    if (exists && SameFile(output, input)) {
        if (!options.force) return refuse(output, "the input itself; give --force to replace it");
    } else if (inputs.Find(target, exists)) {
        return refuse(output,
                      "an input of this run; not replaced by the output of " + ShownInput(input));
    } else if (end.kind == PathKind::Regular && !options.force) {
        // A device or a pipe is written in place: nothing of the user's is
        // replaced, so it needs no --force.
        return refuse(output, kExistsRefusal + ShownInput(input));
    }
    job.outputTarget = std::move(end.path);
    return job;
}

}  // namespace

int ConvertAll(const Options& options, std::ostream& out, std::ostream& err) {
    std::optional<GameCode> game = options.gameCode;
    if (!options.gameRom.empty()) {
        // A ROM that is no DS game names no game for any input: a mistaken
        // file, so nothing is converted.
        const RomGame rom = ReadRomGame(options.gameRom);
        if (!rom.problem.empty()) {
            ReportRefusal(options.gameRom, rom.problem + kNothingWritten, err);
            return 1;
        }
        if (!rom.noCode.empty())
            err << kProgram << ": " << Shown(options.gameRom) << ": warning: " << rom.noCode
                << "; converted as if no game were named\n";
        game = rom.code;
    }
    FileIndex inputs, outputs;
    for (const std::string& input : options.inputs) inputs.Add(input, input);
    std::vector<Job> jobs;
    std::vector<SaveJob> conversions;
    std::set<std::string> given;
    for (const std::string& input : options.inputs) {
        if (!given.insert(Location(input)).second) {
            SaveJob again;
            again.inputPath = input;
            jobs.push_back(
                {std::move(again), input, "warning: given more than once; tried once", true, {}});
            continue;
        }
        const Job& job = jobs.emplace_back(Plan(options, input, game, inputs, outputs));
        if (!job.refusal.empty()) continue;
        outputs.Add(job.outputTarget, input);
        conversions.push_back(job.conversion);
    }

    // Each save is reported as soon as its output is committed, refusals in
    // their place among them: after an interrupt, the lines printed tell
    // which outputs were replaced.
    int status = 0;
    std::size_t next = 0;  // the first job not reported
    const auto reportUpTo = [&](std::size_t end, const JobOutcome* outcome) {
        for (; next < end; ++next) {
            const Job& job = jobs[next];
            if (!job.gameWarning.empty())
                err << kProgram << ": " << ShownInput(job.conversion.inputPath)
                    << ": warning: " << job.gameWarning << '\n';
            if (!job.refusal.empty()) {
                ReportRefusal(job.refusedPath, job.refusal, err);
                if (!job.repeated) status = 1;
                continue;
            }
            if (outcome->status != JobStatus::Converted) {
                ReportFailure(job.conversion, *outcome, err);
                status = 1;
            } else {
                ReportConverted(job.conversion, *outcome, options.quiet, out, err);
                out.flush();
            }
        }
    };
    std::vector<std::size_t> jobOf;  // of each conversion
    for (std::size_t i = 0; i < jobs.size(); ++i)
        if (jobs[i].refusal.empty()) jobOf.push_back(i);
    RunSaveJobs(conversions, [&](std::size_t conversion, const JobOutcome& outcome) {
        reportUpTo(jobOf[conversion] + 1, &outcome);
    });
    reportUpTo(jobs.size(), nullptr);
    return status;
}

}  // namespace ondrel::cli
