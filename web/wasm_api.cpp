// The browser page's way into the core: a save's bytes and the choices made
// on the page go in, the output's bytes and the report's lines come out. The
// page's script knows no save format; every rule, name and message it shows
// comes from here. Plain C functions, so the worker calls them with nothing
// but Emscripten's own glue.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/chip_size.h"
#include "core/convert.h"
#include "core/game_chips.h"
#include "core/game_code.h"
#include "core/kind_info.h"
#include "core/output_naming.h"
#include "core/portable_name.h"
#include "core/save_formats.h"
#include "core/save_image.h"
#include "core/save_plan.h"
#include "core/shown_name.h"
#include "core/source_kind.h"

namespace {

struct Result {
    std::string json;
    std::vector<std::uint8_t> bytes;
};

// What the page shows of one file: the converter's report lines and warnings,
// or why nothing was made.
struct Answer {
    std::string shown;  // the input's name as the report shows it
    std::string output;
    std::string download;  // the output's name in downloads and the zip
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
    json += ",\"shown\":";
    AppendJsonString(json, answer.shown);
    json += ",\"output\":";
    AppendJsonString(json, answer.refusal.empty() ? answer.output : "");
    json += ",\"download\":";
    AppendJsonString(json, answer.refusal.empty() ? answer.download : "");
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

// A fault in the page's words: the core's, and the choice on the page that
// keeps what would be lost.
std::string Worded(const ondrel::Fault& fault, ondrel::SaveTarget target) {
    static constexpr ondrel::FaultHints kControls{
        "choose Bare save or DeSmuME .dsv under Convert to",
        "choose ",
        " under Chip size",
        "choose Bare save under Read as to keep ",
        "choose Bare save under Read as to keep the file as it is",
        "choose its kind under Read as",
        true};
    return ondrel::WithHint(fault, target, kControls);
}

// The page's choices, checked: the target, the chip size (set aside for the
// J8 image, whose size is fixed, so that one chosen for a bare save earlier
// does not refuse every file), and the kind to read by.
struct Choices {
    ondrel::SaveChoices save;
    std::string refusal;
};

Choices ChoicesOf(std::string_view targetName, std::string_view chipSize, std::string_view readAs) {
    Choices choices;
    const auto target = TargetNamed(targetName);
    if (!target) {
        choices.refusal = "cannot convert to \"" + std::string(targetName) + "\"";
        return choices;
    }
    choices.save.target = *target;
    std::optional<std::uint64_t> chip = 0;
    if (!chipSize.empty()) chip = ondrel::ParseShortSize(chipSize);
    if (!chip || (*chip != 0 && !ondrel::IsChipSize(*chip))) {
        choices.refusal = std::string(chipSize) + " is not a DS save chip size (" +
                          std::string(ondrel::kChipSizesInWords) + ")";
        return choices;
    }
    choices.save.chipSize = *target == ondrel::SaveTarget::J8 ? 0 : *chip;
    if (!readAs.empty() && !(choices.save.kind = ondrel::SourceKindNamed(readAs)))
        choices.refusal = "cannot read a save as \"" + std::string(readAs) + "\"";
    return choices;
}

// The header of the game's ROM chosen with a save, and the ROM's name.
struct ChosenRom {
    std::span<const std::uint8_t> header;
    std::string_view name;
};

// Plans one file of its name as the converter does, then converts its first
// bytes (no fewer than the converter would read of it) and its size.

Answer Answered(const std::uint8_t* bytes, std::uint32_t length, std::uint64_t size,
                const std::string& name, std::string_view targetName, std::string_view chipSize,
                std::string_view readAs, const std::optional<ChosenRom>& rom,
                std::vector<std::uint8_t>& output) {
    Answer answer;
    answer.shown = ondrel::ShownName(name);
    Choices choices = ChoicesOf(targetName, chipSize, readAs);
    if (!choices.refusal.empty()) {
        answer.refusal = choices.refusal;
        return answer;
    }
    std::string gameWarning;
    if (rom) {
        const ondrel::RomHeader header = ondrel::ReadRomHeader(rom->header);
        const std::string problem = ondrel::RomProblem(header, rom->header.size());
        choices.save.game = header.code;
        if (!problem.empty())
            gameWarning = "its game's ROM, " + ondrel::ShownName(rom->name) + ", names no game (" +
                          problem + "); converted as if no game were named";
    }
    const ondrel::SaveTarget target = choices.save.target;
    const ondrel::SavePlan plan = ondrel::PlanSave(name, choices.save);
    if (plan.fault.kind != ondrel::FaultKind::None) {
        answer.refusal = Worded(plan.fault, target) + "; nothing written";
        return answer;
    }
    // A browser's file has a name and no folder: a backslash is part of it.
    answer.output = plan.outputPath;

    // The converter reads a file no further than its conversion looks, and
    // refuses one too large for any save by its size alone.
    const std::uint64_t read =
        ondrel::TooLargeToConvert(size, plan.request)
            ? 0
            : std::min<std::uint64_t>({length, size, ondrel::InputBound(plan.request)});
    ondrel::Converted converted = ondrel::Convert(
        {ondrel::ByteSpan(bytes, static_cast<std::size_t>(read)), size}, plan.request);
    const ondrel::ConvertReport& report = converted.report;
    if (report.fault.kind != ondrel::FaultKind::None) {
        answer.refusal = Worded(report.fault, target) + "; nothing written";
        return answer;
    }
    output = std::move(converted.bytes);
    // Worded as the converter's report, line for line.
    answer.lines.push_back(
        ondrel::Headline(ondrel::ShownName(name), ondrel::ShownName(answer.output), report));
    for (const std::string& note : report.notes) answer.lines.push_back("  " + note);
    if (!gameWarning.empty()) answer.warnings.push_back(gameWarning);
    answer.warnings.insert(answer.warnings.end(), report.warnings.begin(), report.warnings.end());
    // A download lands on whatever disk the browser saves to, and a zip is
    // opened anywhere: the name must be one every system keeps.
    answer.download = ondrel::PortableName(answer.output);
    if (answer.download != answer.output)
        answer.warnings.push_back("downloads as " + ondrel::ShownName(answer.download) + ": " +
                                  ondrel::ShownName(answer.output) +
                                  " is not a name every system can keep");
    return answer;
}

}  // namespace

constexpr const char* kOutOfMemory = "not enough memory to convert it; nothing written";

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

// The most bytes of a file of this size that a conversion with these
// choices looks at: the page reads no more of it (File.slice), as the
// converter reads no more. 0 when the choices, the name or the size alone
// refuse it before its bytes.
double ondrel_input_bound(const char* fileName, const char* target, const char* chipSize,
                          const char* readAs, double size) {
    const Choices choices = ChoicesOf(target, chipSize, readAs);
    if (!choices.refusal.empty()) return 0;
    const ondrel::SavePlan plan = ondrel::PlanSave(fileName, choices.save);
    if (plan.fault.kind != ondrel::FaultKind::None ||
        ondrel::TooLargeToConvert(static_cast<std::uint64_t>(size), plan.request))
        return 0;
    return static_cast<double>(ondrel::InputBound(plan.request));
}

// Why a file could not be converted for want of memory.
const char* ondrel_out_of_memory_text(void) {
    return kOutOfMemory;
}

// Converts a file from its first length bytes (the caller keeps them), no
// fewer than ondrel_input_bound asks for, and its whole size. target: "j8",
// "raw" or "dsv"; chipSize: "" for the save's own, or "512", "8K" ... "64M";
// readAs: "" for the kind its name gives, or a kind's name ("nds-sav", "dat",
// "sav", "dsv", "duc", "nocash", "raw"). Free it with ondrel_result_free;
// null only when there was no memory even for the answer.
// header, headerLength, romName: the first bytes of the game's ROM chosen
// with the save, and its name; none when headerLength and romName are empty.
void* ondrel_convert_part(const std::uint8_t* bytes, std::uint32_t length, double size,
                          const char* fileName, const char* target, const char* chipSize,
                          const char* readAs, const std::uint8_t* header,
                          std::uint32_t headerLength, const char* romName) {
    auto* result = new (std::nothrow) Result;
    if (!result) return nullptr;
    try {
        std::optional<ChosenRom> rom;
        if (headerLength > 0 || *romName != '\0') rom = ChosenRom{{header, headerLength}, romName};
        result->json = Json(Answered(bytes, length, static_cast<std::uint64_t>(size), fileName,
                                     target, chipSize, readAs, rom, result->bytes));
    } catch (const std::exception& failure) {
        // Out of memory, or a fault of the core's: the file is refused in
        // words, never left without an answer.
        result->bytes.clear();
        result->json.clear();
        Answer failed;
        failed.shown = ondrel::ShownName(fileName);
        failed.refusal = dynamic_cast<const std::bad_alloc*>(&failure)
                             ? std::string(kOutOfMemory)
                             : std::string(failure.what()) + "; nothing written";
        result->json = Json(failed);
    }
    return result;
}

// Converts one whole file's bytes: ondrel_convert_part of all of them.
void* ondrel_convert(const std::uint8_t* bytes, std::uint32_t size, const char* fileName,
                     const char* target, const char* chipSize, const char* readAs) {
    return ondrel_convert_part(bytes, size, size, fileName, target, chipSize, readAs, nullptr, 0,
                               "");
}

// The bytes of a ROM that tell its game: the most the page reads of one.
std::uint32_t ondrel_rom_header_size(void) {
    return static_cast<std::uint32_t>(ondrel::kRomHeaderSize);
}

// Whether a file is a game's ROM, by its name, and the name a save and the
// ROM of its game pair by: {"rom":bool,"stem":"Game" or null}. Valid until
// the next call.
const char* ondrel_file_role(const char* fileName) {
    static std::string json;
    const std::optional<std::string> rom = ondrel::RomStem(fileName);
    const std::optional<std::string> stem = rom ? rom : ondrel::SaveStem(fileName);
    json = std::string("{\"rom\":") + (rom ? "true" : "false") + ",\"stem\":";
    if (stem)
        AppendJsonString(json, *stem);
    else
        json += "null";
    json += '}';
    return json.c_str();
}

// A game's ROM chosen without a save, from its first bytes (headerLength of
// them, as many as ondrel_rom_header_size asks, or the whole of a shorter
// file): {"game":true,"ok":bool,"shown":name,"line":"game BKIE: 1 MiB
// flash","refusal":why it is no game}. Valid until the next call.
const char* ondrel_game_json(const std::uint8_t* header, std::uint32_t headerLength,
                             const char* fileName) {
    static std::string json;
    const ondrel::RomHeader rom = ondrel::ReadRomHeader({header, headerLength});
    const std::string problem = ondrel::RomProblem(rom, headerLength);
    json = std::string("{\"game\":true,\"ok\":") + (rom.code ? "true" : "false") + ",\"shown\":";
    AppendJsonString(json, ondrel::ShownName(fileName));
    json += ",\"line\":";
    AppendJsonString(json, rom.code
                               ? ondrel::GameInWords({*rom.code, ondrel::ChipOfGame(*rom.code)})
                               : std::string());
    json += ",\"refusal\":";
    AppendJsonString(json, problem);
    json += '}';
    return json.c_str();
}

// {"ok":bool,"shown":name,"output":name,"download":name,"lines":[...],"warnings":[...],"refusal":reason}
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
