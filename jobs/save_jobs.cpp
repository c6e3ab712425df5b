#include "jobs/save_jobs.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/file_io.h"

namespace ondrel {
namespace {

JobOutcome Failed(JobOutcome outcome, JobStatus status, std::error_code error) {
    outcome.status = status;
    outcome.error = error;
    return outcome;
}

// An input that is no file (standard input, a pipe) and gives more bytes
// than any save holds: refused without reading on to its end.
Converted Endless(const ConvertRequest& request) {
    Converted refused;
    refused.report.readAs = request.kind;
    refused.report.fault = {FaultKind::TooLarge,
                            "more than " + std::to_string(kLargestSaveFile >> 20) + " MiB" +
                                ", larger than any DS save with its header",
                            0, std::nullopt};
    return refused;
}

// The steps up to the written, not yet committed, output; written tells
// whether the output waits in the batch. head: the buffer inputs are read
// into, kept for the whole batch so that a thousand saves do not make the
// heap give memory back and take it again a thousand times.
JobOutcome WriteSave(const SaveJob& job, OutputBatch& batch, bool& written, InputBuffer& head) {
    const std::string &inputPath = job.inputPath, &outputPath = job.outputPath;
    JobOutcome outcome;
    if (inputPath.empty()) return Failed(outcome, JobStatus::NoInputPath, {});
    std::error_code error;
    std::uint64_t size = 0;
    Converted converted;
    {
        const bool standardInput = job.standardStreams && inputPath == "-";
        const auto open = [&] {
            return standardInput ? OpenStandardInput(error) : OpenInputFile(inputPath, error);
        };
        const InputFile input = [&] {
            InputFile opened = open();
            if (opened.IsOpen() || !batch.MakeWayFor(error)) return opened;
            error.clear();
            return open();
        }();
        if (!input.IsOpen()) return Failed(outcome, JobStatus::OpenInputFailed, error);
        // Read once, no further than the conversion looks. A file too large
        // for any save is refused by its size, unread.
        size = input.Size();
        if (input.Regular() && TooLargeToConvert(size, job.request)) {
            converted = job.convert({{}, size}, job.request);
        } else {
            try {
                error = ReadInput(input, InputBound(job.request), kLargestSaveFile, head, size);
            } catch (const std::bad_alloc&) {
                error = std::make_error_code(std::errc::not_enough_memory);
            }
            if (error) return Failed(outcome, JobStatus::ReadInputFailed, error);
            converted = !input.Regular() && size > kLargestSaveFile
                            ? Endless(job.request)
                            : job.convert({head, size}, job.request);
        }
    }
    outcome.inputSize = size;
    const std::vector<std::uint8_t> bytes = std::move(converted.bytes);
    const bool unusable = converted.report.fault.kind != FaultKind::None;
    outcome.report = std::make_shared<const ConvertReport>(std::move(converted.report));
    if (unusable) return Failed(outcome, JobStatus::UnusableInput, {});

    if (outputPath.empty()) return Failed(outcome, JobStatus::NoOutputPath, {});
    const OutputBatch::Failure failure = job.standardStreams && outputPath == "-"
                                             ? batch.WriteStandardOutput(bytes)
                                             : batch.Write(outputPath, job.replace, bytes);
    outcome.delivered = failure.delivered;
    if (failure)
        return Failed(
            outcome, failure.created ? JobStatus::WriteOutputFailed : JobStatus::CreateOutputFailed,
            failure.error);
    written = true;
    return outcome;
}

}  // namespace

JobOutcome RunSaveJob(const std::string& inputPath, const std::string& outputPath,
                      SourceKind kind) {
    SaveJob job;
    job.inputPath = inputPath;
    job.outputPath = outputPath;
    job.request.kind = kind;
    return RunSaveJobs({job}).front();
}

std::vector<JobOutcome> RunSaveJobs(const std::vector<SaveJob>& jobs, const OutcomeSink& settled) {
    std::vector<JobOutcome> outcomes;
    outcomes.reserve(jobs.size());
    std::vector<std::size_t> waiting;  // the jobs whose outputs wait in the batch
    std::vector<bool> final;           // per job
    std::size_t committed = 0;         // of waiting
    std::size_t told = 0;              // of the jobs
    const auto tell = [&] {
        for (; told < final.size() && final[told]; ++told)
            if (settled) settled(told, outcomes[told]);
    };
    OutputBatch batch([&](std::span<const std::error_code> results) {
        for (const std::error_code& result : results) {
            const std::size_t job = waiting[committed++];
            if (result) outcomes[job] = Failed(outcomes[job], JobStatus::WriteOutputFailed, result);
            final[job] = true;
        }
        tell();
    });
    InputBuffer head;
    for (const SaveJob& job : jobs) {
        bool written = false;
        outcomes.push_back(WriteSave(job, batch, written, head));
        final.push_back(!written);
        if (written) waiting.push_back(outcomes.size() - 1);
        tell();
    }
    batch.Commit();
    return outcomes;
}

}  // namespace ondrel
