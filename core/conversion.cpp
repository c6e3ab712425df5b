#include "core/conversion.h"

#include <memory>
#include <vector>

#include "platform/file_io.h"

namespace ondrel {
namespace {

ConvertOutcome Failed(ConvertOutcome outcome, ConvertStatus status, std::error_code error) {
    outcome.status = status;
    outcome.error = error;
    return outcome;
}

// A regular file whose size the system misstates (the files of /proc say 0)
// is as long as what it holds: when more was read than its size, the rest is
// counted too, so that a report never says fewer bytes than were read.
// A file read to its end is as long as where reading stopped (sysfs files
// say 4096 whatever they hold). A failed read of the rest is a failed read.
std::uint64_t TrueSize(const InputFile& input, LoadReport& load) {
    const long at = std::ftell(input.stream);
    if (at < 0) return input.size;
    std::uint64_t size = static_cast<std::uint64_t>(at);
    if (std::feof(input.stream)) return size;
    if (size <= input.size) return input.size;
    // Counted up to the largest size a save could have, so a file that
    // keeps growing cannot hold the conversion.
    std::vector<char> rest(64 * 1024);
    while (size < (std::uint64_t{1} << 32))
        if (std::size_t got = std::fread(rest.data(), 1, rest.size(), input.stream))
            size += got;
        else
            break;
    if (std::ferror(input.stream)) load.readError = std::make_error_code(std::errc::io_error);
    return size;
}

// The steps up to the written, not yet committed, output.
ConvertOutcome WriteSave(const ConvertJob& job, OutputBatch& batch,
                         std::unique_ptr<OutputFile>& output) {
    const std::string &inputPath = job.inputPath, &outputPath = job.outputPath;
    ConvertOutcome outcome;
    // Made afresh for every conversion; too large for a thread's stack to take lightly.
    std::vector<std::uint8_t> bytes;

    if (inputPath.empty()) return Failed(outcome, ConvertStatus::NoInputPath, {});
    std::error_code error;
    InputFile input = job.standardStreams && inputPath == "-" ? OpenStandardInput(error)
                                                              : OpenInputFile(inputPath, error);
    if (!input.stream) return Failed(outcome, ConvertStatus::OpenInputFailed, error);
    outcome.inputSize = input.size;
    if (job.maker)
        outcome.load.readError = job.maker->Make(input, job, bytes, outcome);
    else
        ReadCartImage(input, job.kind, bytes, outcome);
    std::fclose(input.stream);
    if (outcome.load.readError)
        return Failed(outcome, ConvertStatus::ReadInputFailed, outcome.load.readError);
    if (outcome.made && !outcome.made->problem.empty())
        return Failed(outcome, ConvertStatus::UnusableInput, {});

    if (outputPath.empty()) return Failed(outcome, ConvertStatus::NoOutputPath, {});
    batch.MakeRoom(outputPath, bytes.size());
    output = job.standardStreams && outputPath == "-"
                 ? OutputFile::CreateStandardOutput(error)
                 : OutputFile::Create(outputPath, job.replace, error);
    if (!output) return Failed(outcome, ConvertStatus::CreateOutputFailed, error);
    error = StoreBytes(output->Stream(), bytes);
    if (error) {
        output.reset();
        return Failed(outcome, ConvertStatus::WriteOutputFailed, error);
    }
    return outcome;
}

}  // namespace

void ReadCartImage(const InputFile& input, SourceKind kind, std::vector<std::uint8_t>& bytes,
                   ConvertOutcome& outcome) {
    bytes.assign(kSaveImageSize, kBlankByte);
    outcome.load = LoadSaveImage(input.stream, kind, ImageBytes(bytes.data(), bytes.size()));
    if (input.regular && !outcome.load.readError) outcome.inputSize = TrueSize(input, outcome.load);
}

ConvertOutcome ConvertSave(const std::string& inputPath, const std::string& outputPath,
                           SourceKind kind) {
    return ConvertSaves({{inputPath, outputPath, kind, true}}).front();
}

std::vector<ConvertOutcome> ConvertSaves(const std::vector<ConvertJob>& jobs) {
    std::vector<ConvertOutcome> outcomes;
    outcomes.reserve(jobs.size());
    OutputBatch batch;
    std::vector<std::size_t> batched;  // the jobs whose outputs wait in the batch
    for (const ConvertJob& job : jobs) {
        std::unique_ptr<OutputFile> output;
        outcomes.push_back(WriteSave(job, batch, output));
        if (!output) continue;
        batch.Add(std::move(output));
        batched.push_back(outcomes.size() - 1);
    }
    std::vector<std::error_code> committed = batch.Commit();
    for (std::size_t i = 0; i < batched.size(); ++i) {
        if (committed[i])
            outcomes[batched[i]] =
                Failed(outcomes[batched[i]], ConvertStatus::WriteOutputFailed, committed[i]);
    }
    return outcomes;
}

}  // namespace ondrel
