#pragma once

// Saves from files to files: each input read once, converted by the core
// (a function of bytes, core/convert.h), and written failure-atomically
// through the platform layer (platform/file_io.h). The dialog's Transform
// command and the command-line converter build on it; the page, which has
// bytes and no files, calls the core directly.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "core/convert.h"
#include "core/save_image.h"
#include "core/source_kind.h"

namespace ondrel {

// How a conversion ended. The steps run in this order and stop at the first
// failure: the input is opened, read and closed before the output is looked at.
enum class JobStatus {
    Converted,
    NoInputPath,
    OpenInputFailed,
    ReadInputFailed,
    UnusableInput,  // read, but its bytes give no output (the report's fault says why)
    NoOutputPath,
    CreateOutputFailed,
    WriteOutputFailed,
};

struct JobOutcome {
    JobStatus status = JobStatus::Converted;
    std::error_code error;        // the system's reason for a failed step
    std::uint64_t inputSize = 0;  // set once the input was read
    // An output written in place (a device, standard output): the bytes it
    // took, whether or not it failed after.
    std::uint64_t delivered = 0;
    // Set once the input was converted: what became of its bytes. Shared, so
    // that the dialog, which never reads it, carries no code to copy one.
    std::shared_ptr<const ConvertReport> report;
};

// The conversion a job's bytes go through: Convert for every kind, or
// MakeCartImage for the J8 image of a cart's save alone.
using ByteConversion = Converted (*)(const InputBytes& input, const ConvertRequest& request);

struct SaveJob {
    std::string inputPath;
    std::string outputPath;
    ConvertRequest request;
    // Without it an output that exists by the time the image would replace it
    // is kept, and the outcome is WriteOutputFailed with std::errc::file_exists.
    bool replace = true;
    // Whether "-" names standard input (inputPath) or output (outputPath), as
    // on a command line.
    bool standardStreams = false;
    ByteConversion convert = MakeCartImage;
};

// Converts one save: reads inputPath by the rule of kind into a blank image
// and writes the image failure-atomically to outputPath. Paths are used as
// given (no trimming). Nothing is written unless the whole input was read.
// A batch of one: every output takes the path of RunSaveJobs.
JobOutcome RunSaveJob(const std::string& inputPath, const std::string& outputPath, SourceKind kind);

// Converts several saves with the steps of RunSaveJob: each input read once,
// no further than its conversion looks (InputBound), its syncs grouped for
// speed: the outputs of a group are written first, then the bytes of all of
// them are put on the disk together, and only then does each replace its
// file (see OutputBatch). One outcome per job, in order. A job's output should
// not be another job's input or output: a later job may be read after an
// earlier one's output was replaced.
// settled, when given, is called with each job's index and outcome as soon as
// that outcome is final (its output committed, or the job failed), in the
// order of the jobs, so that a front end can report each save while the
// next are still converted.
using OutcomeSink = std::function<void(std::size_t job, const JobOutcome& outcome)>;
std::vector<JobOutcome> RunSaveJobs(const std::vector<SaveJob>& jobs,
                                    const OutcomeSink& settled = {});

}  // namespace ondrel
