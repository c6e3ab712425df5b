#include "cli/report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "core/chip_size.h"
#include "core/save_plan.h"
#include "platform/file_io.h"

namespace ondrel::cli {

namespace {

// The code point of the UTF-8 sequence at the start of text, and its length
// in bytes; 0 when the bytes are not UTF-8 (a stray continuation byte, an
// overlong form, a surrogate, a value past U+10FFFF, a sequence cut short).
std::size_t Utf8At(std::string_view text, char32_t& code) {
    const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, least = 0x80, code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, least = 0x800, code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, least = 0x10000, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u) return 0;
        code = code << 6 | (byte(i) & 0x3Fu);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

// C0 and C1 controls and DEL: a terminal acts on them (a newline splits the
// line, U+009B starts a control sequence as ESC [ does) instead of showing
// them.
bool IsControl(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

// "\\x9B", "\\u0085": the escape, then the value in upper-case hexadecimal.
std::string Escaped(const char* escape, unsigned value, int digits) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%0*X", digits, value);
    return escape + std::string(hex);
}

}  // namespace

std::string Shown(const std::string& path) {
    const std::string_view text(path);
    // Quoted as well: a name that would not be seen at all, empty or blanks only.
    bool plain = text.find_first_not_of(' ') != std::string_view::npos;
    char32_t code = 0;
    for (std::size_t i = 0, length = 0; plain && i < text.size(); i += length) {
        length = Utf8At(text.substr(i), code);
        plain = length != 0 && !IsControl(code);
    }
    if (plain) return path;
    std::string shown = "\"";
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        length = Utf8At(text.substr(i), code);
        if (length == 0) {
            // A byte that is no part of a UTF-8 character: shown as itself.
            shown += Escaped("\\x", static_cast<unsigned char>(text[i]), 2);
            length = 1;
        } else if (code == '"' || code == '\\') {
            shown += {'\\', static_cast<char>(code)};
        } else if (code == '\n') {
            shown += "\\n";
        } else if (code == '\t') {
            shown += "\\t";
        } else if (code == '\r') {
            shown += "\\r";
        } else if (code < 0x80 && IsControl(code)) {
            shown += Escaped("\\x", code, 2);
        } else if (IsControl(code)) {
            // A C1 control is one character, written as C writes it by its code.
            shown += Escaped("\\u", code, 4);
        } else {
            shown += text.substr(i, length);
        }
    }
    return shown + '"';
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
