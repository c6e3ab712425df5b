#pragma once

// The core: source recognition, the save image and its reading rules, and
// whole conversions from file to file. It knows nothing of any window or
// command line, and reaches the operating system only through the platform
// layer (platform/file_io.h); the dialog and the command-line converter build
// on it.

#include <cstdint>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "core/save_image.h"
#include "core/source_kind.h"
#include "platform/file_io.h"

namespace ondrel {

// How a conversion ended. The steps run in this order and stop at the first
// failure: the input is opened, read and closed before the output is looked at.
enum class ConvertStatus {
    Converted,
    NoInputPath,
    OpenInputFailed,
    ReadInputFailed,
    UnusableInput,  // read, but its bytes give no output (see MadeReport::problem)
    NoOutputPath,
    CreateOutputFailed,
    WriteOutputFailed,
};

// What became of an input's bytes, in words, when an OutputMaker made its
// output.
struct MadeReport {
    SourceKind readAs = SourceKind::NdsSav;  // the kind whose rule read the input
    std::uint64_t used = 0;                  // input bytes that hold the save
    std::uint64_t dropped = 0;               // the rest
    std::vector<std::string> warnings;       // converted, but worth a look
    std::vector<std::string> notes;          // where bytes were dropped, moved, added
    std::string problem;                     // why the input gives no output
};

struct ConvertOutcome {
    ConvertStatus status = ConvertStatus::Converted;
    std::error_code error;        // the system's reason for a failed step
    std::uint64_t inputSize = 0;  // set once the input was opened
    LoadReport load;              // set once the input was read into a J8 image
    // Set once an OutputMaker read the input. Shared, so that the dialog's
    // conversions, which have none, carry no code to copy one.
    std::shared_ptr<const MadeReport> made;
};

struct ConvertJob;

// Makes an output's bytes from its open input, in place of the J8 image that
// a conversion otherwise reads by the job's kind.
class OutputMaker {
public:
    virtual ~OutputMaker() = default;

    // Overridables
    // Reads the input, open at its start, and sets outcome.inputSize and
    // outcome.made; fills output, or says in outcome.made->problem why the
    // input gives none. Returns the error of a failed read.
    virtual std::error_code Make(const InputFile& input, const ConvertJob& job,
                                 std::vector<std::uint8_t>& output,
                                 ConvertOutcome& outcome) const = 0;
};

// Converts one save: reads inputPath by the rule of kind into a blank image
// and writes the image failure-atomically to outputPath. Paths are used as
// given (no trimming). Nothing is written unless the whole input was read.
// A batch of one: every output takes the path of ConvertSaves.
ConvertOutcome ConvertSave(const std::string& inputPath, const std::string& outputPath,
                           SourceKind kind);

struct ConvertJob {
    std::string inputPath;
    std::string outputPath;
    SourceKind kind = SourceKind::NdsSav;
    // Without it an output that exists by the time the image would replace it
    // is kept, and the outcome is WriteOutputFailed with std::errc::file_exists.
    bool replace = true;
    // Whether "-" names standard input (inputPath) or output (outputPath), as
    // on a command line.
    bool standardStreams = false;
    // Makes the output instead of the kind's J8 image; owned by the caller.
    const OutputMaker* maker = nullptr;
};

// Reads a cart save by its kind's rule into bytes, made a blank J8 image
// first, and sets outcome.load and, for a regular file, outcome.inputSize
// to its true length (a file whose size the system misstates is as long as
// what it holds). The one reading of a cart save, for either kind of job.
void ReadCartImage(const InputFile& input, SourceKind kind, std::vector<std::uint8_t>& bytes,
                   ConvertOutcome& outcome);

// Converts several saves with the steps of ConvertSave, their syncs grouped
// for speed: the outputs of a group are written first, then the bytes of all
// of them are put on the disk together, and only then does each replace its
// file (see OutputBatch). One outcome per job, in order. A job's output should
// not be another job's input or output: a later job may be read after an
// earlier one's output was replaced.
std::vector<ConvertOutcome> ConvertSaves(const std::vector<ConvertJob>& jobs);

}  // namespace ondrel
