#include "core/conversion.h"

#include <memory>
#include <new>
#include <vector>

#include "platform/file_io.h"

namespace ondrel {
namespace {

ConvertOutcome Failed(ConvertOutcome outcome, ConvertStatus status, std::error_code error) {
    outcome.status = status;
    outcome.error = error;
    return outcome;
}

// The steps up to the written, not yet committed, output; written tells
// whether the output waits in the batch. head: the buffer inputs are read
// into, kept for the whole batch so that a thousand saves do not make the
// heap give memory back and take it again a thousand times.
ConvertOutcome WriteSave(const ConvertJob& job, OutputBatch& batch, bool& written,
                         std::vector<std::uint8_t>& head) {
    const std::string &inputPath = job.inputPath, &outputPath = job.outputPath;
    ConvertOutcome outcome;
    if (inputPath.empty()) return Failed(outcome, ConvertStatus::NoInputPath, {});
    std::error_code error;
    std::uint64_t size = 0;
    Converted converted;
    {
        const bool standardInput = job.standardStreams && inputPath == "-";
        const InputFile input =
            standardInput ? OpenStandardInput(error) : OpenInputFile(inputPath, error);
        if (!input.IsOpen()) return Failed(outcome, ConvertStatus::OpenInputFailed, error);
        // Read once, no further than the conversion looks: a regular file
        // mapped where the system allows it, else read into head (standard
        // input from where the shell left it). A file too large for any save
        // is refused by its size, unread.
        const std::uint64_t bound = InputBound(job.request);
        const bool tooLarge = input.Regular() && TooLargeToConvert(input.Size(), job.request);
        size = input.Size();
        const InputMapping mapped =
            tooLarge || standardInput ? InputMapping() : InputMapping(input, bound);
        if (mapped) converted = job.convert({mapped.Bytes(), size}, job.request);
        if (!mapped || mapped.Changed()) {
            head.clear();
            try {
                if (!tooLarge) error = ReadInput(input, bound, head, size);
            } catch (const std::bad_alloc&) {
                error = std::make_error_code(std::errc::not_enough_memory);
            }
            if (error) return Failed(outcome, ConvertStatus::ReadInputFailed, error);
            converted = job.convert({head, size}, job.request);
        }
    }
    outcome.inputSize = size;
    const std::vector<std::uint8_t> bytes = std::move(converted.bytes);
    const bool unusable = converted.report.fault.kind != FaultKind::None;
    outcome.report = std::make_shared<const ConvertReport>(std::move(converted.report));
    if (unusable) return Failed(outcome, ConvertStatus::UnusableInput, {});

    if (outputPath.empty()) return Failed(outcome, ConvertStatus::NoOutputPath, {});
    const OutputBatch::Failure failure = job.standardStreams && outputPath == "-"
                                             ? batch.WriteStandardOutput(bytes)
                                             : batch.Write(outputPath, job.replace, bytes);
    if (failure)
        return Failed(
            outcome,
            failure.created ? ConvertStatus::WriteOutputFailed : ConvertStatus::CreateOutputFailed,
            failure.error);
    written = true;
    return outcome;
}

}  // namespace

ConvertOutcome ConvertSave(const std::string& inputPath, const std::string& outputPath,
                           SourceKind kind) {
    ConvertJob job;
    job.inputPath = inputPath;
    job.outputPath = outputPath;
    job.request.kind = kind;
    return ConvertSaves({job}).front();
}

std::vector<ConvertOutcome> ConvertSaves(const std::vector<ConvertJob>& jobs) {
    std::vector<ConvertOutcome> outcomes;
    outcomes.reserve(jobs.size());
    OutputBatch batch;
    std::vector<std::uint8_t> head;
    std::vector<std::size_t> batched;  // the jobs whose outputs wait in the batch
    for (const ConvertJob& job : jobs) {
        bool written = false;
        outcomes.push_back(WriteSave(job, batch, written, head));
        if (written) batched.push_back(outcomes.size() - 1);
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
