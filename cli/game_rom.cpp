#include "cli/game_rom.h"

#include <cctype>
#include <system_error>

#include "cli/report.h"
#include "core/output_naming.h"
#include "platform/file_io.h"

namespace ondrel::cli {

RomGame ReadRomGame(const std::string& path) {
    RomGame game;
    if (IsReservedDeviceName(path)) {
        game.problem = "not a regular file";
        return game;
    }
    std::error_code error;
    const InputFile input = OpenInputFile(path, error);
    if (!input.IsOpen()) {
        game.problem = ReasonText(error);
        return game;
    }
    InputBuffer head;
    std::uint64_t size = 0;
    if ((error = ReadInput(input, kRomHeaderSize, kRomHeaderSize, head, size))) {
        game.problem = ReasonText(error);
        return game;
    }
    const RomHeader header = ReadRomHeader(head);
    // Not a DS game (a problem), or one whose code no list knows (a warning).
    (header.dsGame ? game.noCode : game.problem) = RomProblem(header, size);
    game.code = header.code;
    return game;
}

std::optional<std::string> RomBeside(const std::string& savePath) {
    const std::optional<std::string> stem = SaveStem(savePath);
    if (!stem || savePath == "-") return std::nullopt;
    for (const std::string_view suffix : kRomSuffixes) {
        std::string upper(suffix);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (const std::string& spelled : {std::string(suffix), upper}) {
            // Only a regular file is a ROM: not a folder, a pipe, or a device
            // such as con.nds, which Windows opens in every folder.
            const std::string rom = *stem + spelled;
            std::error_code error;
            if (IsReservedDeviceName(rom)) continue;
            if (FollowLinks(rom, error).kind == PathKind::Regular && !error) return rom;
        }
    }
    return std::nullopt;
}

}  // namespace ondrel::cli
