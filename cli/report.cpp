#include "cli/report.h"

#include <cctype>

namespace ondrel::cli {

void ReportRefusal(const std::string& path, const std::string& reason, std::ostream& err) {
    err << kProgram << ": " << path << ": " << reason << '\n';
}

void ReportFailure(const ConvertJob& job, const ConvertOutcome& outcome, std::ostream& err) {
    // Another program (or another run) made the output while this one wrote.
    if (outcome.error == std::errc::file_exists && !job.replace)
        return ReportRefusal(job.outputPath, kExistsRefusal + job.inputPath, err);
    const bool aboutOutput = outcome.status == ConvertStatus::NoOutputPath ||
                             outcome.status == ConvertStatus::CreateOutputFailed ||
                             outcome.status == ConvertStatus::WriteOutputFailed;
    if (outcome.status == ConvertStatus::UnusableInput)
        return ReportRefusal(job.inputPath, outcome.made->problem + "; nothing written", err);
    ReportRefusal(aboutOutput ? job.outputPath : job.inputPath,
                  outcome.error ? ReasonText(outcome.error) : "no path given", err);
}

void ReportConverted(const ConvertJob& job, const ConvertOutcome& outcome, bool quiet,
                     std::ostream& out, std::ostream& err) {
    const MadeReport& made = *outcome.made;
    for (const std::string& warning : made.warnings)
        err << kProgram << ": " << job.inputPath << ": warning: " << warning << '\n';
    if (quiet) return;
    out << job.inputPath << " -> " << job.outputPath << " (" << SourceKindName(made.readAs) << ", "
        << made.used << " bytes used / " << made.dropped << " dropped)\n";
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
