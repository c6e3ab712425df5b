// ondrel-convert: converts DS saves of flash carts, emulators and Action
// Replay into J8 save images, bare saves or .dsv files from a shell.

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch.h"
#include "cli/report.h"
#include "core/chip_size.h"
#include "core/game_code.h"
#include "core/kind_info.h"
#include "core/source_kind.h"
#include "platform/file_io.h"

namespace {

using ondrel::cli::kProgram;
constexpr int kUsageError = 2;

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    return ::_isatty(::_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) != 0;
#endif
}

// What each option with a value takes, in the words of its usage errors.
struct Takes {
    const char* option;
    std::string what;
};

std::string KindChoices() {
    std::string choices;
    const auto kinds = ondrel::SourceKinds();
    for (std::size_t i = 0; i < kinds.size(); ++i)
        choices += (i == 0                  ? ""
                    : i + 1 == kinds.size() ? " or "
                                            : ", ") +
                   std::string(kinds[i].optionName);
    return choices;
}

const std::vector<Takes>& OptionsTaking() {
    static const std::vector<Takes> table = {
        {"--kind", "one kind: " + KindChoices()},
        {"--to", "one of j8, raw or dsv"},
        {"--size",
         "one chip size in bytes, or with K or M: 512, 8K, 32K, 64K, 128K, 256K, "
         "512K, 1M ... 64M"},
        {"--game", "one ROM: the game's .nds, .dsi or .srl file"},
        {"--game-code", "one game code: four letters or digits, as BKIE"},
        {"--output", "one PATH (- for standard output)"},
        {"--output-dir", "one folder"},
    };
    return table;
}

std::string WhatItTakes(const std::string& option) {
    for (const Takes& takes : OptionsTaking())
        if (option == takes.option) return takes.what;
    return "no value";
}

// A usage error in the program's words: the option, what went wrong, and
// what the option takes.
CLI::ValidationError Misused(const std::string& option, const std::string& problem) {
    return CLI::ValidationError(option, problem + "; it takes " + WhatItTakes(option));
}

// The option a parser's error is about, by the name it starts with.
std::string OptionOf(const CLI::App& app, const std::string& what) {
    for (const CLI::Option* option : app.get_options())
        for (const std::string& name : option->get_lnames())
            if (what.rfind("--" + name, 0) == 0) return "--" + name;
    return {};
}

// The flag that a word before "--" gives a value, in any spelling
// ("--force=no", "-q=3", "-qf=1"), by its long name; empty for none. The
// parser would turn --force off for "--force=no" and take "-q=3" for an
// option "-=3": a flag takes no value at all. The value of an option that
// takes one is skipped as the parser takes it: the next word, or the rest of
// a group of short options.
std::string FlagGivenAValue(const CLI::App& app, char** first, char** last) {
    auto named = [&app](const std::string& name, bool isShort) -> const CLI::Option* {
        for (const CLI::Option* option : app.get_options()) {
            const auto& names = isShort ? option->get_snames() : option->get_lnames();
            if (std::find(names.begin(), names.end(), name) != names.end()) return option;
        }
        return nullptr;
    };
    for (char** word = first; word != last; ++word) {
        const std::string_view arg(*word);
        if (arg.size() < 2 || arg[0] != '-') continue;
        if (arg[1] == '-') {
            const std::size_t equals = arg.find('=');
            const CLI::Option* option = named(std::string(arg.substr(2, equals - 2)), false);
            if (!option) continue;
            if (option->get_expected_max() == 0 && equals != std::string_view::npos)
                return option->get_name();
            if (option->get_expected_max() != 0 && equals == std::string_view::npos &&
                word + 1 != last)
                ++word;
            continue;
        }
        for (std::size_t i = 1; i < arg.size(); ++i) {
            const CLI::Option* option = named(std::string(1, arg[i]), true);
            if (!option) break;
            if (option->get_expected_max() != 0) {
                if (i + 1 == arg.size() && word + 1 != last) ++word;
                break;
            }
            if (i + 1 < arg.size() && arg[i + 1] == '=') return option->get_name();
        }
    }
    return {};
}

// The names of standard output as a file: through them the system opens
// what the shell connected, which may be a pipe that has no name to follow
// ("pipe:[1234]") or a file the shell just made. They are taken as "-".
bool NamesStandardOutput(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    return path == "/dev/stdout" || path == "/dev/fd/1" || path == "/proc/self/fd/1";
#endif
}

}  // namespace

int main(int argc, char** argv) {
    ondrel::cli::Options options;
    CLI::App app(
        "Converts Nintendo DS saves into J8 save images of 524288 bytes, bare saves or .dsv\n"
        "files. The kind of each INPUT comes from its name: *.nds.sav (SC, Acekard), *.dat\n"
        "(M3), *.sav (DSLink, EZ-Flash4, EWIN2, J8; no$gba by its header; .dsv by its\n"
        "footer), *.dsv (DeSmuME), *.duc and *.dss (Action Replay), *.srm (RetroArch: bare,\n"
        "or .dsv by its footer). Outputs are named NAME.sav, or NAME.j8.sav or NAME.raw.sav\n"
        "for a *.sav, and NAME.dsv (NAME.new.dsv for a *.dsv). A bare save or .dsv is its\n"
        "game's chip size when the game is known: by --game-code, by --game, or by a ROM\n"
        "beside the save (NAME.nds, .dsi or .srl); else the size comes from the save's\n"
        "length. Only a cart save's J8 image keeps the cart's rule; elsewhere no byte that\n"
        "is not 0xFF is dropped to fit. An existing file is never replaced without --force.\n"
        "After --, every argument is an INPUT, even one that begins with -.",
        kProgram);
    app.set_version_flag("--version", std::string(kProgram) + " " ONDREL_VERSION);
    // INPUT is checked after the parse, so that an unknown option is named
    // rather than taken for a missing INPUT.
    app.add_option("INPUT", options.inputs,
                   "Save files to convert (- for standard input, with --kind and --output)");
    app.allow_extras();

    // Values are taken as text and checked here, so that every usage error
    // is worded by this program; each option is given at most once.
    std::string kindName, targetName = "j8", sizeText, gameCodeText;
    auto* kindOption = app.add_option("--kind", kindName,
                                      "Read every input by this kind's rule, whatever its name "
                                      "(raw: the\n"
                                      "whole file is the save); other names are written to "
                                      "NAME.j8.sav,\n"
                                      "NAME.raw.sav or NAME.dsv")
                           ->option_text("nds-sav|dat|sav|dsv|duc|nocash|raw");
    auto* targetOption = app.add_option("--to", targetName,
                                        "Write a J8 image (the default), the bare save at its "
                                        "chip size, or\n"
                                        "the save with the footer of a .dsv")
                             ->option_text("j8|raw|dsv");
    auto* sizeOption =
        app.add_option("--size", sizeText,
                       "The chip size of a raw or dsv output: 512, 8K, 32K, 64K, 128K, ... 64M\n"
                       "(default: the game's chip; without a game, the save's own size rounded\n"
                       "up to a chip size)")
            ->option_text("SIZE");
    auto* gameOption =
        app.add_option("--game", options.gameRom,
                       "The game's ROM (.nds, .dsi or .srl; only its header is read): every\n"
                       "INPUT is a save of that game, and a raw or dsv output its chip's size")
            ->option_text("ROM");
    auto* gameCodeOption =
        app.add_option("--game-code", gameCodeText,
                       "The game of every INPUT by its code, the four letters or digits at\n"
                       "0x0C of its ROM's header (BKIE), in place of --game")
            ->option_text("CODE");
    auto* outputOption =
        app.add_option("-o,--output", options.output,
                       "Write the one INPUT's image to PATH (- for standard output)")
            ->option_text("PATH");
    auto* outputDirOption = app.add_option("--output-dir", options.outputDir,
                                           "Write the images under their derived names into DIR")
                                ->option_text("DIR");
    app.add_flag("-f,--force", options.force, "Replace existing files, the input itself included");
    app.add_flag("-q,--quiet", options.quiet, "Print no line per converted file");
    const auto takingAValue = {kindOption,     targetOption, sizeOption,     gameOption,
                               gameCodeOption, outputOption, outputDirOption};
    for (CLI::Option* option : takingAValue)
        option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);

    // After "--" every argument is an input, as for any command; the parser
    // sees only what comes before it.
    char** const end = argv + argc;
    char** const dashes =
        std::find_if(argv + 1, end, [](const char* a) { return a == std::string_view("--"); });
    try {
        if (const std::string flag = FlagGivenAValue(app, argv + 1, dashes); !flag.empty())
            throw CLI::ValidationError(flag, "takes no value");
        app.parse(static_cast<int>(dashes - argv), argv);
        if (!app.remaining().empty()) {
            const std::string first = app.remaining().front();
            if (first.size() > 1 && first[0] == '-')
                throw CLI::ValidationError(
                    first, "no such option (an INPUT that begins with - goes after --)");
            throw CLI::ValidationError(first, "not expected here");
        }
        if (dashes != end) options.inputs.insert(options.inputs.end(), dashes + 1, end);
        for (CLI::Option* option : takingAValue) {
            if (option->count() > 1) throw Misused(option->get_name(), "given more than once");
        }
        if (gameOption->count() > 0 && gameCodeOption->count() > 0)
            throw CLI::ValidationError("--game-code", "cannot be given with --game");
        if (gameOption->count() > 0 && options.gameRom.empty())
            throw Misused("--game", "an empty path");
        if (gameCodeOption->count() > 0) {
            options.gameCode = ondrel::GameCodeNamed(gameCodeText);
            if (!options.gameCode)
                throw Misused("--game-code", "'" + gameCodeText + "' is no game code");
        }
        if (outputOption->count() > 0 && outputDirOption->count() > 0)
            throw CLI::ValidationError("--output", "cannot be given with --output-dir");
        if (options.inputs.empty())
            throw CLI::ValidationError("INPUT", "none given; name the save files to convert");
        if (!options.output.empty() && options.inputs.size() != 1)
            throw CLI::ValidationError("--output", "names the output of exactly one INPUT");
        if (outputOption->count() > 0 && options.output.empty())
            throw Misused("--output", "an empty path");
        if (outputDirOption->count() > 0 && options.outputDir.empty())
            throw Misused("--output-dir", "an empty path");
        if (kindOption->count() > 0) {
            std::string lower = kindName;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            options.kind = ondrel::SourceKindNamed(lower);
            if (!options.kind) throw Misused("--kind", "'" + kindName + "' is no kind");
        }
        std::string target = targetName;
        std::transform(target.begin(), target.end(), target.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (target != "j8" && target != "raw" && target != "dsv")
            throw Misused("--to", "'" + targetName + "' is no output");
        options.target = target == "raw"   ? ondrel::SaveTarget::Raw
                         : target == "dsv" ? ondrel::SaveTarget::Dsv
                                           : ondrel::SaveTarget::J8;
        const bool fromStandardInput =
            std::find(options.inputs.begin(), options.inputs.end(), "-") != options.inputs.end();
        if (fromStandardInput && (!options.kind || options.output.empty()))
            throw CLI::ValidationError("-", "standard input needs --kind and --output");
        if (sizeOption->count() > 0) {
            const std::optional<std::uint64_t> size = ondrel::ParseShortSize(sizeText);
            if (!size) throw Misused("--size", "'" + sizeText + "' is no size");
            if (!ondrel::IsChipSize(*size))
                throw CLI::ValidationError(
                    "--size", ondrel::ByteCount(*size) + " is not a DS save chip size (" +
                                  std::string(ondrel::kChipSizesInWords) + ")");
            if (options.target == ondrel::SaveTarget::J8)
                throw CLI::ValidationError("--size",
                                           "needs --to raw or --to dsv; a J8 save is 512K");
            options.size = *size;
        }
        if (NamesStandardOutput(options.output)) options.output = "-";
        if (options.output == "-" && IsTerminal(stdout))
            throw CLI::ValidationError(
                "--output", "standard output is a terminal; an image is never written to one");
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ValidationError& e) {
        std::cerr << kProgram << ": " << e.what() << "\n"
                  << "Try '" << kProgram << " --help' for more information.\n";
        return kUsageError;
    } catch (const CLI::ParseError& e) {
        // The parser's own complaints: an option without its value, or a
        // flag given one.
        const std::string option = OptionOf(app, e.what());
        std::cerr << kProgram << ": "
                  << (option.empty() ? "the command line is not understood"
                      : WhatItTakes(option) == "no value"
                          ? option + ": takes no value"
                          : option + ": needs a value; it takes " + WhatItTakes(option))
                  << "\n"
                  << "Try '" << kProgram << " --help' for more information.\n";
        return kUsageError;
    }
    ondrel::RemoveTemporariesOnInterrupt();
#ifdef SIGPIPE
    // A reader that went away is a failed write of the report, not a death.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // With the image on standard output, the report goes with the errors.
    int status =
        ondrel::cli::ConvertAll(options, options.output == "-" ? std::cerr : std::cout, std::cerr);
    // A report that could not be written is a failure too (a full disk, a
    // closed pipe): the user cannot see what happened.
    if (!std::cout.flush()) {
        std::cerr << kProgram << ": standard output: write error\n";
        status = 1;
    }
    if (!std::cerr.flush()) status = 1;
    return status;
}
