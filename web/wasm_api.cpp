// The browser page's way into the core: a save's bytes and the choices made
// on the page go in, the output's bytes and the report's lines come out. The
// page's script knows no save format; every rule, name and message it shows
// comes from here. Plain C functions, so the worker calls them with nothing
// but Emscripten's own glue.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/chip_size.h"
#include "core/convert.h"
#include "core/kind_info.h"
#include "core/save_formats.h"
#include "core/save_image.h"
#include "core/save_plan.h"
#include "core/source_kind.h"

namespace {

struct Result {
    std::string json;
    std::vector<std::uint8_t> bytes;
};

// What the page shows of one file: the converter's report lines and warnings,
// or why nothing was made.
struct Answer {
    std::string output;
    std::vector<std::string> lines;
    std::vector<std::string> warnings;
    std::string refusal;
};

void AppendJsonString(std::string& json, std::string_view text) {
    json += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[7];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else {
            json += c;
        }
    }
    json += '"';
}

void AppendJsonList(std::string& json, const std::vector<std::string>& texts) {
    json += '[';
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) json += ',';
        AppendJsonString(json, texts[i]);
    }
    json += ']';
}

std::string Json(const Answer& answer) {
    std::string json = "{\"ok\":";
    json += answer.refusal.empty() ? "true" : "false";
    json += ",\"output\":";
    AppendJsonString(json, answer.refusal.empty() ? answer.output : "");
    json += ",\"lines\":";
    AppendJsonList(json, answer.lines);
    json += ",\"warnings\":";
    AppendJsonList(json, answer.warnings);
    json += ",\"refusal\":";
    AppendJsonString(json, answer.refusal);
    json += '}';
    return json;
}

std::optional<ondrel::SaveTarget> TargetNamed(std::string_view name) {
    if (name == "j8") return ondrel::SaveTarget::J8;
    if (name == "raw") return ondrel::SaveTarget::Raw;
    if (name == "dsv") return ondrel::SaveTarget::Dsv;
    return std::nullopt;
}

std::string FileName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A fault in the page's words: the core's, and the choice on the page that
// keeps what would be lost.
std::string Worded(const ondrel::Fault& fault, ondrel::SaveTarget target) {
    static constexpr ondrel::FaultHints kControls{
        "choose a bare save or .dsv under Convert to",
        "choose ",
        " under Chip size",
        "choose raw under Read as to keep ",
        "choose raw under Read as to keep the file as it is",
        "choose its kind under Read as"};
    return ondrel::WithHint(fault, target, kControls);
}

// Plans one file of its name as the converter does, then converts the bytes
// the converter would read of it.
Answer Answered(const std::uint8_t* bytes, std::uint32_t size, const std::string& name,
                std::string_view targetName, std::string_view chipSize, std::string_view readAs,
                std::vector<std::uint8_t>& output) {
    Answer answer;
    const auto target = TargetNamed(targetName);
    if (!target) {
        answer.refusal = "cannot convert to \"" + std::string(targetName) + "\"";
        return answer;
    }
    std::optional<std::uint64_t> chip = 0;
    if (!chipSize.empty()) chip = ondrel::ParseShortSize(chipSize);
    if (!chip || (*chip != 0 && !ondrel::IsChipSize(*chip))) {
        answer.refusal = std::string(chipSize) + " is not a DS save chip size (" +
                         std::string(ondrel::kChipSizesInWords) + ")";
        return answer;
    }
    std::optional<ondrel::SourceKind> kind;
    if (!readAs.empty() && !(kind = ondrel::SourceKindNamed(readAs))) {
        answer.refusal = "cannot read a save as \"" + std::string(readAs) + "\"";
        return answer;
    }
    const ondrel::SavePlan plan = ondrel::PlanSave(name, {kind, *target, *chip});
    if (plan.fault.kind != ondrel::FaultKind::None) {
        answer.refusal =
            Worded(plan.fault, *target) +
            (plan.fault.kind == ondrel::FaultKind::NotNamedAsASave ? "; nothing written" : "");
        return answer;
    }
    answer.output = FileName(plan.outputPath);

    // The converter reads a file no further than its conversion looks.
    const std::uint64_t read = std::min<std::uint64_t>(size, ondrel::InputBound(plan.request));
    ondrel::Converted converted = ondrel::Convert(
        {ondrel::ByteSpan(bytes, static_cast<std::size_t>(read)), size}, plan.request);
    const ondrel::ConvertReport& report = converted.report;
    if (report.fault.kind != ondrel::FaultKind::None) {
        answer.refusal = Worded(report.fault, *target) + "; nothing written";
        return answer;
    }
    output = std::move(converted.bytes);
    // Worded as the converter's report, line for line.
    answer.lines.push_back(ondrel::Headline(name, answer.output, report));
    for (const std::string& note : report.notes) answer.lines.push_back("  " + note);
    answer.warnings = report.warnings;
    return answer;
}

}  // namespace

extern "C" {

// The most bytes a chosen file may have; the page refuses a larger one by its
// size, before reading it.
std::uint32_t ondrel_max_input_size(void) {
    return static_cast<std::uint32_t>(ondrel::kLargestSaveFile);
}

// Why a file of this many bytes is refused; valid until the next call.
const char* ondrel_too_large_text(double size) {
    static std::string text;
    text = ondrel::ByteCount(static_cast<std::uint64_t>(size)) +
           ", larger than any DS save with its header (" +
           ondrel::SizeInWords(ondrel::kLargestSaveFile) + " at most); nothing written";
    return text.c_str();
}

// Converts one file's bytes (the caller keeps them). target: "j8", "raw" or
// "dsv"; chipSize: "" for the save's own, or "512", "8K" ... "64M"; readAs: ""
// for the kind its name gives, or a kind's name ("nds-sav", "dat", "sav",
// "dsv", "duc", "nocash", "raw"). Free it with ondrel_result_free; null only
// when there was no memory even for the answer.
void* ondrel_convert(const std::uint8_t* bytes, std::uint32_t size, const char* fileName,
                     const char* target, const char* chipSize, const char* readAs) {
    auto* result = new (std::nothrow) Result;
    if (!result) return nullptr;
    try {
        result->json =
            Json(Answered(bytes, size, fileName, target, chipSize, readAs, result->bytes));
    } catch (const std::bad_alloc&) {
        result->bytes.clear();
        result->json.clear();
        Answer failed;
        failed.refusal = "not enough memory to convert it";
        result->json = Json(failed);
    }
    return result;
}

// {"ok":bool,"output":name,"lines":[...],"warnings":[...],"refusal":reason}
const char* ondrel_result_json(void* result) {
    return static_cast<Result*>(result)->json.c_str();
}

const std::uint8_t* ondrel_result_bytes(void* result) {
    return static_cast<Result*>(result)->bytes.data();
}

std::uint32_t ondrel_result_size(void* result) {
    return static_cast<std::uint32_t>(static_cast<Result*>(result)->bytes.size());
}

void ondrel_result_free(void* result) {
    delete static_cast<Result*>(result);
}

}  // extern "C"
