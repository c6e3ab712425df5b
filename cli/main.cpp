// ondrel-convert: converts DS saves of flash carts, emulators and Action
// Replay into J8 save images, bare saves or .dsv files from a shell.

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <CLI/CLI.hpp>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/report.h"
#include "core/chip_size.h"
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

}  // namespace

int main(int argc, char** argv) {
    ondrel::cli::Options options;
    CLI::App app(
        "Converts Nintendo DS saves into J8 save images of 524288 bytes, bare saves or .dsv\n"
        "files. The kind of each INPUT comes from its name: *.nds.sav (SC, Acekard), *.dat\n"
        "(M3), *.sav (DSLink, EZ-Flash4, EWIN2; no$gba by its header; .dsv by its footer),\n"
        "*.dsv (DeSmuME), *.duc and *.dss (Action Replay). Outputs are named NAME.sav, or\n"
        "NAME.j8.sav or NAME.raw.sav for a *.sav, and NAME.dsv (NAME.new.dsv for a *.dsv).\n"
        "Only a cart save's J8 image keeps the cart's rule; elsewhere no byte that is not\n"
        "0xFF is dropped to fit. An existing file is never replaced without --force.",
        kProgram);
    app.set_version_flag("--version", std::string(kProgram) + " " ONDREL_VERSION);
    // INPUT is checked after the parse, so that an unknown option is named
    // rather than taken for a missing INPUT.
    app.add_option("INPUT", options.inputs,
                   "Save files to convert (- for standard input, with --kind and --output)");
    app.allow_extras();

    // Each kind by its option name, and by the name the reports print.
    std::vector<std::string> kindNames;
    std::string kindChoices;
    for (const ondrel::SourceKindInfo& kind : ondrel::SourceKinds()) {
        kindNames.emplace_back(kind.optionName);
        if (kind.name != kind.optionName) kindNames.emplace_back(kind.name);
        kindChoices += (kindChoices.empty() ? "" : "|") + std::string(kind.optionName);
    }
    std::string kindName;
    app.add_option("--kind", kindName,
                   "Read every input by this kind's rule, whatever its name (raw: the\n"
                   "whole file is the save); other names are written to NAME.j8.sav,\n"
                   "NAME.raw.sav or NAME.dsv")
        ->transform(CLI::IsMember(kindNames, CLI::ignore_case))
        ->option_text(kindChoices);
    std::string targetName = "j8";
    app.add_option("--to", targetName,
                   "Write a J8 image (the default), the bare save at its chip size, or\n"
                   "the save with the footer of a .dsv")
        ->transform(CLI::IsMember({"j8", "raw", "dsv"}, CLI::ignore_case))
        ->option_text("j8|raw|dsv");
    auto* sizeOption =
        app.add_option("--size", options.size,
                       "The chip size of a raw or dsv output: 512, 8K, 32K, 64K, 128K, ... 64M\n"
                       "(default: the save's own size, rounded up to a chip size)")
            ->transform(CLI::AsSizeValue(false))
            ->option_text("SIZE");
    auto* outputOption =
        app.add_option("-o,--output", options.output,
                       "Write the one INPUT's image to PATH (- for standard output)")
            ->option_text("PATH");
    app.add_option("--output-dir", options.outputDir,
                   "Write the images under their derived names into DIR")
        ->option_text("DIR")
        ->excludes(outputOption);
    app.add_flag("-f,--force", options.force, "Replace existing files, the input itself included");
    app.add_flag("-q,--quiet", options.quiet, "Print no line per converted file");

    try {
        app.parse(argc, argv);
        if (!app.remaining().empty()) throw CLI::ExtrasError(app.remaining());
        if (options.inputs.empty()) throw CLI::RequiredError("INPUT");
        if (!options.output.empty() && options.inputs.size() != 1)
            throw CLI::ValidationError("--output", "names the output of exactly one INPUT");
        if (outputOption->count() > 0 && options.output.empty())
            throw CLI::ValidationError("--output", "needs a path");
        const bool fromStandardInput =
            std::find(options.inputs.begin(), options.inputs.end(), "-") != options.inputs.end();
        if (fromStandardInput && (kindName.empty() || options.output.empty()))
            throw CLI::ValidationError("-", "standard input needs --kind and --output");
        options.target = targetName == "raw"   ? ondrel::SaveTarget::Raw
                         : targetName == "dsv" ? ondrel::SaveTarget::Dsv
                                               : ondrel::SaveTarget::J8;
        if (sizeOption->count() > 0 && !ondrel::IsChipSize(options.size))
            throw CLI::ValidationError("--size", sizeOption->as<std::string>() +
                                                     " bytes is not a DS save chip size (" +
                                                     std::string(ondrel::kChipSizesInWords) + ")");
        if (sizeOption->count() > 0 && options.target == ondrel::SaveTarget::J8)
            throw CLI::ValidationError("--size", "needs --to raw or --to dsv; a J8 save is 512K");
        if (options.output == "-" && IsTerminal(stdout))
            throw CLI::ValidationError("--output", "- would write the image to a terminal");
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << kProgram << ": " << e.what() << "\n"
                  << "Try '" << kProgram << " --help' for more information.\n";
        return kUsageError;
    }
    if (!kindName.empty()) options.kind = ondrel::SourceKindNamed(kindName);
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
