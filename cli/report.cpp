#include "cli/report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/chip_size.h"

namespace ondrel::cli {

std::string Shown(const std::string& path) {
    const bool plain = std::none_of(path.begin(), path.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (plain) return path;
    std::string shown = "\"";
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            shown += {'\\', c};
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown + '"';
}

std::string Worded(const Fault& fault, SaveTarget target) {
    static constexpr FaultHints kOptions{"--to raw or --to dsv", "--size ", "",
                                         "--kind raw keeps them",
                                         "--kind raw keeps the file as it is"};
    return WithHint(fault, target, kOptions);
}

void ReportRefusal(const std::string& path, const std::string& reason, std::ostream& err) {
    err << kProgram << ": " << Shown(path) << ": " << reason << '\n';
}

void ReportFailure(const ConvertJob& job, const ConvertOutcome& outcome, std::ostream& err) {
    // Another program (or another run) made the output while this one wrote.
    if (outcome.error == std::errc::file_exists && !job.replace)
        return ReportRefusal(job.outputPath, kExistsRefusal + Shown(job.inputPath), err);
    const bool aboutOutput = outcome.status == ConvertStatus::NoOutputPath ||
                             outcome.status == ConvertStatus::CreateOutputFailed ||
                             outcome.status == ConvertStatus::WriteOutputFailed;
    if (outcome.status == ConvertStatus::UnusableInput)
        return ReportRefusal(job.inputPath,
                             Worded(outcome.report->fault, job.request.target) + kNothingWritten,
                             err);
    ReportRefusal(aboutOutput ? job.outputPath : job.inputPath,
                  (outcome.error ? ReasonText(outcome.error) : "no path given") + kNothingWritten,
                  err);
}

void ReportConverted(const ConvertJob& job, const ConvertOutcome& outcome, bool quiet,
                     std::ostream& out, std::ostream& err) {
    const ConvertReport& made = *outcome.report;
    for (const std::string& warning : made.warnings)
        err << kProgram << ": " << Shown(job.inputPath) << ": warning: " << warning << '\n';
    if (quiet) return;
    out << Shown(job.inputPath) << " -> " << Shown(job.outputPath) << " ("
        << SourceKindName(made.readAs) << ", " << Counted(made.used, "byte", "bytes") << " used / "
        << made.dropped << " dropped)\n";
    for (const std::string& note : made.notes) out << "  " << note << '\n';
}

std::string ReasonText(std::error_code error) {
    const std::error_condition condition = error.default_error_condition();
    std::string text =
        condition.category() == std::generic_category() ? condition.message() : error.message();
    while (!text.empty() &&
           (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == '.'))
        text.pop_back();
    return text;
}

}  // namespace ondrel::cli
