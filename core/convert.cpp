#include "core/convert.h"

#include <algorithm>
#include <new>

#include "core/byte_notes.h"
#include "core/chip_size.h"
#include "core/dsv_format.h"
#include "core/kind_info.h"
#include "core/nocash_format.h"
#include "core/save_image.h"

namespace ondrel {
namespace {

bool IsBlank(std::uint8_t b) {
    return b == kBlankByte;
}

// Bytes of data: every byte that is not the blank 0xFF.
std::uint64_t DataIn(ByteSpan bytes) {
    return static_cast<std::uint64_t>(
        std::count_if(bytes.begin(), bytes.end(), [](std::uint8_t b) { return !IsBlank(b); }));
}

std::size_t EndOfData(ByteSpan save) {
    auto last =
        std::find_if(save.rbegin(), save.rend(), [](std::uint8_t b) { return !IsBlank(b); });
    return static_cast<std::size_t>(save.rend() - last);
}

// A *.nds.sav is a bare save; only the J8 image keeps its cart rule, which
// stops at 512 KiB.
bool KeepsCartRule(SourceKind kind, SaveTarget target) {
    return IsCartKind(kind) && (kind != SourceKind::NdsSav || target == SaveTarget::J8);
}

// What a *.sav or a *.srm really is, by its first and last bytes, when its
// name says it. RetroArch's *.srm is a bare save, or a .dsv under the
// emulator core that writes one.
SourceKind ReadAs(const InputBytes& input, const ConvertRequest& request) {
    const bool whole = input.head.size() == input.size;
    if (request.kind == SourceKind::Raw && request.byContent)
        return whole && EndsAsDsv(input.head) ? SourceKind::Dsv : SourceKind::Raw;
    if (request.kind != SourceKind::Sav || !request.byContent) return request.kind;
    if (BeginsAsNocash(input.head)) return SourceKind::Nocash;
    if (whole && EndsAsDsv(input.head)) return SourceKind::Dsv;
    return SourceKind::Sav;
}

// The one byte every byte of the bytes is, when they are all 0xFF or all
// 0x00: a save a game never wrote, or a file that is not a save at all.
std::optional<std::uint8_t> OnlyByte(ByteSpan bytes) {
    if (bytes.empty()) return std::nullopt;
    const std::uint8_t first = bytes.front();
    if (first != kBlankByte && first != 0x00) return std::nullopt;
    if (!std::all_of(bytes.begin(), bytes.end(), [first](std::uint8_t b) { return b == first; }))
        return std::nullopt;
    return first;
}

Fault Refusal(FaultKind kind, std::string problem, std::uint64_t lost = 0) {
    return Fault{kind, std::move(problem), lost, std::nullopt};
}

class Conversion {
public:
    Conversion(const InputBytes& input, const ConvertRequest& request, Converted& out)
        : input_(input), request_(request), out_(out), report_(out.report) {}

    void Run() {
        report_.readAs = ReadAs(input_, request_);
        if (!KeepsCartRule(report_.readAs, request_.target))
            FromFile();
        else if (request_.target == SaveTarget::J8)
            CartImage();  // which makes the report anew
        else
            CartSave();
        report_.game = request_.game;
        if (request_.game) WarnOfTheGame(*request_.game);
    }

private:
    // Where the output and the game's chip disagree, and a game the list
    // does not know or that keeps no save.
    void WarnOfTheGame(const SaveGame& game) {
        const std::string code(CodeText(game.code));
        if (!game.chip) {
            report_.warnings.push_back("game " + code +
                                       " is not in the list of DS games' save chips; its save is "
                                       "converted as if no game were named");
        } else if (game.chip->type == ChipType::None) {
            report_.warnings.push_back("game " + code +
                                       " keeps no save on its card, says the list of save chips; "
                                       "converted as if no game were named");
        } else if (request_.target == SaveTarget::J8 && game.chip->size > kSaveImageSize) {
            report_.warnings.push_back("game " + code + " has a " + ChipInWords(*game.chip) +
                                       " chip; a J8 save holds only the first 512 KiB of its save");
        } else if (request_.target != SaveTarget::J8 && request_.size != game.chip->size) {
            report_.warnings.push_back("the output is " + SizeInWords(request_.size) +
                                       ", but game " + code + " has a " + ChipInWords(*game.chip) +
                                       " chip");
        }
    }

    // A save that holds nothing is converted, but the user may have taken
    // the wrong file.
    void WarnIfBlank(ByteSpan save, ByteSpan movedStart = {}) {
        const std::optional<std::uint8_t> only = OnlyByte(save);
        if (!only || (!movedStart.empty() && OnlyByte(movedStart) != only)) return;
        report_.warnings.push_back(std::string("holds no data (every byte is ") +
                                   (*only == kBlankByte ? "0xFF" : "0x00") +
                                   "): a fresh save, or the wrong file?");
    }

    // What a cart's rule took from the input, and whether carts write its size.
    void ReportCartRule(const CartTake& load) {
        const ByteCounts counts = CountBytes(input_.size, load);
        report_.used = counts.used;
        report_.dropped = counts.dropped;
        report_.notes = ByteNotes(report_.readAs, input_.size, load);
        const SourceKindInfo& info = InfoOf(report_.readAs);
        if (!info.isCartSize(input_.size)) {
            report_.warnings.push_back(ByteCount(input_.size) + " is not a size " +
                                       std::string(info.name) + " carts make (" +
                                       std::string(info.cartSizes) + "); converted anyway");
        }
    }

    // The J8 image of a cart's save, as the dialog makes it, and what the
    // rule did in words.
    void CartImage() {
        out_ = MakeCartImage(input_, request_);
        const CartTake load = ApplyCartRule(report_.readAs, input_);
        ReportCartRule(load);
        WarnIfBlank(
            input_.head.first(load.bodyBytes),
            input_.head.subspan(load.trailerBytes > 0 ? kSaveImageSize : 0, load.trailerBytes));
        if (load.bodyBytes < kSaveImageSize) {
            report_.notes.push_back("output " +
                                    ByteRange(load.bodyBytes, kSaveImageSize - load.bodyBytes) +
                                    " added: padding (0xFF)");
        }
    }

    // A *.dat or *.sav made into a bare save or a .dsv. What the J8 image
    // would leave behind (bytes past the rule, data a *.sav's moved start
    // would overwrite) has no place to go here: refused, unless it is blank.
    void CartSave() {
        const bool dat = report_.readAs == SourceKind::Dat;
        const std::uint64_t size = input_.size;
        const CartTake load = ApplyCartRule(report_.readAs, input_);
        const std::uint64_t ruleReads =
            dat ? CartRuleOf(SourceKind::Dat)->fileBytes : kSaveImageSize + load.trailerBytes;
        const std::string kindName(InfoOf(report_.readAs).name);
        if (size > ruleReads) {
            report_.fault =
                Refusal(FaultKind::PastCartRule,
                        ByteRange(ruleReads, size - ruleReads) + " " +
                            std::string(Agreeing(size - ruleReads, "lies", "lie")) + " past what " +
                            WithArticle(kindName) + " save holds and would be dropped",
                        size - ruleReads);
            return;
        }
        const ByteSpan file = input_.head;
        // An M3 writes 1 KiB after the save's 256 KiB; only the J8 image,
        // which the M3's rule makes, drops it whatever it holds.
        if (const std::uint64_t lost =
                dat && size > kDatReadSize ? DataIn(file.subspan(kDatReadSize)) : 0) {
            report_.fault = Refusal(FaultKind::DataInDatTail,
                                    ByteCount(lost) + " of data (not 0xFF) in " +
                                        ByteRange(kDatReadSize, size - kDatReadSize) +
                                        ", past the 256 KiB a dat save is read up to, would be "
                                        "dropped",
                                    lost);
            return;
        }
        // A *.sav whose start was moved behind its body keeps that body's
        // first bytes blank; data there would be overwritten by the start
        // moved back.
        if (const std::uint64_t lost =
                load.trailerBytes > kBlankProbeSize
                    ? DataIn(file.subspan(kBlankProbeSize, load.trailerBytes - kBlankProbeSize))
                    : 0) {
            report_.fault = Refusal(FaultKind::FrontOverwritten,
                                    ByteCount(lost) + " of data (not 0xFF) in " +
                                        ByteRange(0, load.trailerBytes) +
                                        " would be overwritten by the save's start moved there "
                                        "from " +
                                        ByteRange(kSaveImageSize, load.trailerBytes),
                                    lost);
            return;
        }
        if (load.bodyBytes == 0) {
            report_.fault = Refusal(FaultKind::Empty, "holds no save: 0 bytes");
            return;
        }
        ReportCartRule(load);
        if (load.trailerBytes == 0) return Fit(file.first(load.bodyBytes), true);
        // The save as the rule lays it out: its start moved back to the front.
        std::vector<std::uint8_t> save(file.begin(), file.begin() + load.bodyBytes);
        std::copy_n(file.begin() + kSaveImageSize, load.trailerBytes, save.begin());
        Fit(save, true);
    }

    // An emulator's, an Action Replay's or a bare save, read whole.
    void FromFile() {
        if (input_.size > kLargestSaveFile || input_.head.size() < input_.size) {
            report_.fault =
                Refusal(FaultKind::TooLarge, ByteCount(input_.size) +
                                                 ", larger than any DS save with its header (" +
                                                 SizeInWords(kLargestSaveFile) + " at most)");
            return;
        }
        const ByteSpan file = input_.head;
        FoundSave found = FindSave(report_.readAs, file);
        if (!found.problem.empty()) {
            report_.fault = Refusal(FaultKind::NotOfItsKind, std::move(found.problem));
            return;
        }
        const ByteSpan save = found.Save(file);
        if (save.empty()) {
            report_.fault = Refusal(FaultKind::Empty, "holds no save: 0 bytes");
            return;
        }
        report_.used = found.storedBytes;
        report_.dropped = file.size() - found.storedBytes;
        if (found.headerBytes > 0)
            report_.notes.push_back(ByteRange(0, found.headerBytes) +
                                    " dropped: " + std::string(found.header));
        if (found.packed)
            report_.notes.push_back(ByteRange(found.headerBytes, found.storedBytes) +
                                    " unpacked into " + ByteCount(save.size()));
        if (found.trailerBytes > 0)
            report_.notes.push_back(
                ByteRange(found.headerBytes + found.storedBytes, found.trailerBytes) +
                " dropped: " + std::string(found.trailer));
        if (!IsChipSize(save.size())) {
            report_.warnings.push_back(ByteCount(save.size()) +
                                       " is not the size of a DS save chip (" +
                                       std::string(kChipSizesInWords) + "); converted anyway");
        }
        Fit(save, !found.packed);
    }

    // The save at the output's size: blank bytes past it dropped, or blank
    // bytes added; data past it is a fault. stored: the save's bytes are the
    // input's, so blank ones left out count as dropped.
    void Fit(ByteSpan save, bool stored) {
        const SaveTarget target = request_.target;
        const std::uint64_t capacity = target == SaveTarget::J8 ? kSaveImageSize
                                       : request_.size != 0
                                           ? request_.size
                                           : ChipHolding(save.size()).value_or(kLargestChip);
        const std::size_t end = EndOfData(save);
        const std::optional<GameChip> chip = request_.game ? request_.game->chip : std::nullopt;
        const bool gamesChip = target != SaveTarget::J8 && chip && chip->size == capacity;
        if (end > capacity) {
            const std::uint64_t lost = DataIn(save.subspan(capacity));
            const std::optional<std::uint64_t> holder = ChipHolding(end);
            // Past a game's chip, where the data lies too: the user may
            // have named the wrong game.
            const std::string past =
                target == SaveTarget::J8 ? std::string("past the 512 KiB of a J8 save")
                : gamesChip ? "in " + ByteRange(capacity, end - capacity) + " past the " +
                                  ChipInWords(*chip) + " chip of game " +
                                  std::string(CodeText(request_.game->code))
                            : "past the first " + SizeInWords(capacity);
            report_.fault = Refusal(
                FaultKind::DataPastOutput,
                ByteCount(lost) + " of data (not 0xFF) " +
                    std::string(Agreeing(lost, "lies", "lie")) + " " + past +
                    " and would be lost; " +
                    (holder ? WithArticle(SizeInWords(*holder)) + " save holds " +
                                  std::string(Agreeing(lost, "it", "them"))
                            : "no DS save chip holds more than " + SizeInWords(kLargestChip)),
                lost);
            report_.fault.holder = holder;
            return;
        }
        const std::size_t kept =
            static_cast<std::size_t>(std::min<std::uint64_t>(save.size(), capacity));
        auto& output = out_.bytes;
        output.reserve(capacity + (target == SaveTarget::Dsv ? kDsvFooterSize : 0));
        // Filled first, then copied: one fill of the whole output is a plain
        // memset everywhere, where growing it with 0xFF is not in wasm.
        output.assign(capacity, kBlankByte);
        std::copy_n(save.begin(), kept, output.begin());
        if (stored) {
            report_.used -= save.size() - kept;
            report_.dropped += save.size() - kept;
        }
        if (save.size() > capacity)
            report_.notes.push_back("save " + ByteRange(capacity, save.size() - capacity) +
                                    " dropped: all 0xFF");
        else if (save.size() < capacity)
            report_.notes.push_back("output " + ByteRange(save.size(), capacity - save.size()) +
                                    " added: padding (0xFF)");
        if (target == SaveTarget::Dsv) {
            const auto footer = DsvFooter(capacity);
            output.insert(output.end(), footer.begin(), footer.end());
            report_.notes.push_back("output " + ByteRange(capacity, kDsvFooterSize) +
                                    " added: the DeSmuME footer");
        }
        if (target != SaveTarget::J8 && request_.size == 0) {
            const std::string why = !request_.game
                                        ? "no game was named (the game's ROM gives its chip's size)"
                                    : !chip ? "game " + std::string(CodeText(request_.game->code)) +
                                                  " is not in the list of save chips"
                                            : "game " + std::string(CodeText(request_.game->code)) +
                                                  " keeps no save on its card";
            report_.notes.push_back("output size " + SizeInWords(capacity) +
                                    ", from the save's length, as " + why);
        }
        WarnIfBlank(save);
    }

    const InputBytes& input_;
    const ConvertRequest& request_;
    Converted& out_;
    ConvertReport& report_;
};

}  // namespace

Converted Convert(const InputBytes& input, const ConvertRequest& request) {
    Converted out;
    try {
        Conversion(input, request, out).Run();
    } catch (const std::bad_alloc&) {
        // A 32-bit process, or a page's memory, may not find room for the
        // largest saves.
        out.report.fault = Refusal(FaultKind::OutOfMemory, "not enough memory to convert it");
    }
    if (out.report.fault.kind != FaultKind::None) std::vector<std::uint8_t>().swap(out.bytes);
    return out;
}

std::string WithHint(const Fault& fault, SaveTarget target, const FaultHints& hints) {
    std::string hint;
    switch (fault.kind) {
        case FaultKind::DataPastOutput:
            if (!fault.holder) return fault.problem;
            hint = target == SaveTarget::J8
                       ? std::string(hints.otherTarget)
                       : std::string(hints.sizeBefore) +
                             (hints.sizesInWords ? SizeInWords : ShortSize)(*fault.holder) +
                             std::string(hints.sizeAfter);
            break;
        case FaultKind::PastCartRule:
        case FaultKind::DataInDatTail:
            hint = std::string(hints.keepBytes) + std::string(Agreeing(fault.lost, "it", "them"));
            break;
        case FaultKind::NotNamedAsASave:
            return fault.problem + "; " + std::string(hints.chooseKind);
        case FaultKind::FrontOverwritten:
            hint = hints.keepFile;
            break;
        default:
            return fault.problem;
    }
    return fault.problem + " (" + hint + ")";
}

}  // namespace ondrel
