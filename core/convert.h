#pragma once

#include <cstdint>
#include <string>
#include <system_error>

#include "core/save_image.h"
#include "core/source_kind.h"

namespace ondrel {

// How a conversion ended. The steps run in this order and stop at the first
// failure: the input is opened, read and closed before the output is looked at.
enum class ConvertStatus {
    Converted,
    NoInputPath,
    OpenInputFailed,
    ReadInputFailed,
    NoOutputPath,
    CreateOutputFailed,
    WriteOutputFailed,
};

struct ConvertOutcome {
    ConvertStatus status = ConvertStatus::Converted;
    std::error_code error;        // the system's reason for a failed step
    std::uint64_t inputSize = 0;  // set once the input was opened
    LoadReport load;              // set once the input was read
};

// Converts one save: reads inputPath by the rule of kind into a blank image
// and writes the image failure-atomically to outputPath. Paths are used as
// given (no trimming). Nothing is written unless the whole input was read.
ConvertOutcome ConvertSave(const std::string& inputPath, const std::string& outputPath,
                           SourceKind kind);

}  // namespace ondrel
