#include "core/save_plan.h"

#include "core/chip_size.h"
#include "core/game_chips.h"
#include "core/kind_info.h"
#include "core/output_naming.h"

namespace ondrel {

SavePlan PlanSave(std::string_view path, const SaveChoices& choices) {
    SavePlan plan;
    const std::optional<Classification> recognised = ClassifyForTarget(path, choices.target);
    // A *.sav is read as what its bytes are unless the user named the kind.
    plan.request = {choices.kind.value_or(recognised ? recognised->kind : SourceKind::NdsSav),
                    !choices.kind, choices.target, choices.chipSize, std::nullopt};
    if (choices.game) {
        const SaveGame game{*choices.game, ChipOfGame(*choices.game)};
        plan.request.game = game;
        // Emulators and loaders take the chip from a bare save's length: the
        // game's own, unless the user chose another.
        if (choices.chipSize == 0 && choices.target != SaveTarget::J8 && game.chip &&
            game.chip->size != 0)
            plan.request.size = game.chip->size;
    }
    plan.outputPath =
        recognised ? recognised->outputPath : UnrecognisedOutput(path, choices.target);
    if (choices.chipSize != 0 && choices.target == SaveTarget::J8)
        plan.fault = {FaultKind::ChipSizeForJ8,
                      "a J8 save is 512 KiB; a chip size is for a bare save or a .dsv", 0,
                      std::nullopt};
    else if (!choices.kind && !recognised)
        plan.fault = {FaultKind::NotNamedAsASave,
                      "not named as a save (*.nds.sav, *.dat, *.sav, *.dsv, *.duc, *.dss or "
                      "*.srm)",
                      0, std::nullopt};
    return plan;
}

std::string Headline(std::string_view input, std::string_view output, const ConvertReport& report) {
    return std::string(input) + " -> " + std::string(output) + " (" +
           std::string(SourceKindName(report.readAs)) + ", " +
           Counted(report.used, "byte", "bytes") + " used / " + std::to_string(report.dropped) +
           " dropped)" + (report.game ? ", " + GameInWords(*report.game) : "");
}

}  // namespace ondrel
