#pragma once

// The lines ondrel-convert prints about each input: a refusal or failure to
// standard error, a converted file with what happened to its bytes to
// standard output.

#include <ostream>
#include <string>
#include <system_error>

#include "jobs/save_jobs.h"

namespace ondrel::cli {

inline constexpr const char* kProgram = "ondrel-convert";
inline const std::string kExistsRefusal =
    "already exists; give --force to replace it with the output of ";

// What ends every refusal: the run wrote nothing for that input, and an
// existing output keeps every byte.
inline constexpr const char* kNothingWritten = "; nothing written";

// A path as the reports show it: as it is, or in double quotes with C escapes
// when it could not be read as it is: empty or blanks only, or holding a
// control character (a newline would split the line; C1 ones as "\u0085") or
// a byte that is not UTF-8 ("\x9B").
std::string Shown(const std::string& path);
// As Shown, with "-" named as what it stands for on the command line:
// "standard input" as an input, "standard output" as an output.
std::string ShownInput(const std::string& path);
std::string ShownOutput(const std::string& path);

// Why an input gives no output, in this program's words: the core's, and the
// option that keeps what would be lost.
std::string Worded(const Fault& fault, SaveTarget target);

// "ondrel-convert: PATH: reason".
void ReportRefusal(const std::string& path, const std::string& reason, std::ostream& err);

// The path the failed step is about, and the system's reason.
void ReportFailure(const SaveJob& job, const JobOutcome& outcome, std::ostream& err);

// The conversion's warnings (a size no cart or chip has), then (unless quiet)
// the converted file and where its bytes went, as the conversion's report
// tells.
void ReportConverted(const SaveJob& job, const JobOutcome& outcome, bool quiet, std::ostream& out,
                     std::ostream& err);

// The system's reason for a failure, in the short form of strerror where the
// platform's code has one.
std::string ReasonText(std::error_code error);

}  // namespace ondrel::cli
