#include "core/convert.h"

#include <memory>

#include "core/file_io.h"

namespace ondrel {
namespace {

ConvertOutcome Failed(ConvertOutcome outcome, ConvertStatus status, std::error_code error) {
    outcome.status = status;
    outcome.error = error;
    return outcome;
}

}  // namespace

ConvertOutcome ConvertSave(const std::string& inputPath, const std::string& outputPath,
                           SourceKind kind) {
    ConvertOutcome outcome;
    // Made afresh for every conversion; too large for a thread's stack to take lightly.
    auto image = std::make_unique<SaveImage>();
    image->fill(kBlankByte);

    if (inputPath.empty()) return Failed(outcome, ConvertStatus::NoInputPath, {});
    std::error_code error;
    InputFile input = OpenInputFile(inputPath, error);
    if (!input.stream) return Failed(outcome, ConvertStatus::OpenInputFailed, error);
    outcome.inputSize = input.size;
    outcome.load = LoadSaveImage(input.stream, kind, *image);
    std::fclose(input.stream);
    if (outcome.load.readError)
        return Failed(outcome, ConvertStatus::ReadInputFailed, outcome.load.readError);

    if (outputPath.empty()) return Failed(outcome, ConvertStatus::NoOutputPath, {});
    auto output = OutputFile::Create(outputPath, error);
    if (!output) return Failed(outcome, ConvertStatus::CreateOutputFailed, error);
    error = StoreSaveImage(output->Stream(), *image);
    if (!error) error = output->Commit();
    if (error) return Failed(outcome, ConvertStatus::WriteOutputFailed, error);
    return outcome;
}

}  // namespace ondrel
