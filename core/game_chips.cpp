#include "core/game_chips.h"

#include <cstddef>
#include <iterator>

#include "core/chip_size.h"

namespace ondrel {
namespace {

#include "game_chip_table.inc"

static_assert(sizeof kGameCodes - 1 == 4 * kGameCount, "four characters a game");
static_assert(std::size(kGameChipBytes) == kGameCount, "one chip a game");

}  // namespace

std::optional<GameChip> ChipOfGame(const GameCode& code) {
    // The codes are in ascending order (the table's script refuses a list
    // that is not): searched by halves.
    std::size_t low = 0, high = kGameCount;
    const std::string_view wanted = CodeText(code);
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const std::string_view at(kGameCodes + 4 * middle, 4);
        if (at == wanted) {
            const std::uint8_t byte = kGameChipBytes[middle];
            const unsigned shift = byte & 0x1F;
            return GameChip{shift == 0 ? 0 : std::uint64_t{1} << shift,
                            static_cast<ChipType>(byte >> 5)};
        }
        if (at < wanted)
            low = middle + 1;
        else
            high = middle;
    }
    return std::nullopt;
}

std::string ChipInWords(const GameChip& chip) {
    static constexpr std::string_view kTypeNames[] = {"no save chip", "EEPROM", "EEPROM or FRAM",
                                                      "flash", "NAND"};
    const std::string_view type = kTypeNames[static_cast<std::size_t>(chip.type)];
    if (chip.type == ChipType::None) return std::string(type);
    // "512-byte EEPROM": a size in bytes is read as one word before a noun.
    const std::string size =
        chip.size < 1024 ? std::to_string(chip.size) + "-byte" : SizeInWords(chip.size);
    return size + " " + std::string(type);
}

std::string GameInWords(const SaveGame& game) {
    return "game " + std::string(CodeText(game.code)) + ": " +
           (game.chip ? ChipInWords(*game.chip) : "not in the list of save chips");
}

std::string_view KnownGameCodes() {
    return {kGameCodes, 4 * kGameCount};
}

}  // namespace ondrel
