#pragma once

// The lines ondrel-convert prints about each input: a refusal or failure to
// standard error, a converted file with what happened to its bytes to
// standard output.

#include <ostream>
#include <string>
#include <system_error>

#include "core/conversion.h"

namespace ondrel::cli {

inline constexpr const char* kProgram = "ondrel-convert";
inline const std::string kExistsRefusal =
    "already exists; give --force to replace it with the output of ";

// "ondrel-convert: PATH: reason".
void ReportRefusal(const std::string& path, const std::string& reason, std::ostream& err);

// The path the failed step is about, and the system's reason.
void ReportFailure(const ConvertJob& job, const ConvertOutcome& outcome, std::ostream& err);

// The conversion's warnings (a size no cart or chip has), then (unless quiet)
// the converted file and where its bytes went, as its OutputMaker told.
void ReportConverted(const ConvertJob& job, const ConvertOutcome& outcome, bool quiet,
                     std::ostream& out, std::ostream& err);

// The system's reason for a failure, in the short form of strerror where the
// platform's code has one.
std::string ReasonText(std::error_code error);

}  // namespace ondrel::cli
