#include "cli/report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "core/chip_size.h"
#include "core/save_plan.h"
#include "core/shown_name.h"
#include "platform/file_io.h"

namespace ondrel::cli {

std::string Shown(const std::string& path) {
    return ShownName(path);
}

std::string ShownInput(const std::string& path) {
    return path == "-" ? "standard input" : Shown(path);
}

std::string ShownOutput(const std::string& path) {
    return path == "-" ? "standard output" : Shown(path);
}

std::string Worded(const Fault& fault, SaveTarget target) {
    static constexpr FaultHints kOptions{"--to raw or --to dsv",
                                         "--size ",
                                         "",
                                         "--kind raw keeps ",
                                         "--kind raw keeps the file as it is",
                                         "give --kind to convert it"};
    return WithHint(fault, target, kOptions);
}

void ReportRefusal(const std::string& path, const std::string& reason, std::ostream& err) {
    err << kProgram << ": " << Shown(path) << ": " << reason << '\n';
}

void ReportFailure(const SaveJob& job, const JobOutcome& outcome, std::ostream& err) {
    const auto refused = [&err](const std::string& shown, const std::string& reason) {
        err << kProgram << ": " << shown << ": " << reason << kNothingWritten << '\n';
    };
    // Another program (or another run) made the output while this one wrote.
    if (outcome.error == std::errc::file_exists && !job.replace)
        return refused(ShownOutput(job.outputPath), kExistsRefusal + ShownInput(job.inputPath));
    const bool aboutOutput = outcome.status == JobStatus::NoOutputPath ||
                             outcome.status == JobStatus::CreateOutputFailed ||
                             outcome.status == JobStatus::WriteOutputFailed;
    if (outcome.status == JobStatus::UnusableInput)
        return refused(ShownInput(job.inputPath),
                       Worded(outcome.report->fault, job.request.target));
    const std::string shown = aboutOutput ? ShownOutput(job.outputPath) : ShownInput(job.inputPath);
    const std::string reason = outcome.error ? ReasonText(outcome.error) : "no path given";
    // What did reach the disk or a device is said, never "nothing written".
    if (outcome.error == FileError::FolderNotFlushed)
        err << kProgram << ": " << shown << ": " << reason << '\n';
    else if (outcome.delivered > 0)
        err << kProgram << ": " << shown << ": " << reason << "; "
            << Counted(outcome.delivered, "byte was", "bytes were") << " written to it\n";
    else
        refused(shown, reason);
}

void ReportConverted(const SaveJob& job, const JobOutcome& outcome, bool quiet, std::ostream& out,
                     std::ostream& err) {
    const ConvertReport& made = *outcome.report;
    for (const std::string& warning : made.warnings)
        err << kProgram << ": " << ShownInput(job.inputPath) << ": warning: " << warning << '\n';
    if (quiet) return;
    out << Headline(ShownInput(job.inputPath), ShownOutput(job.outputPath), made) << '\n';
    for (const std::string& note : made.notes) out << "  " << note << '\n';
}

std::string ReasonText(std::error_code error) {
    const std::error_condition condition = error.default_error_condition();
    std::string text =
        condition.category() == std::generic_category() ? condition.message() : error.message();
    while (!text.empty() &&
           (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == '.'))
        text.pop_back();
    // In the case of the program's own reasons: "no such file or directory".
    // A first word in capitals (an abbreviation) stays as it is.
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        !std::isupper(static_cast<unsigned char>(text[1])))
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

}  // namespace ondrel::cli
