#include "core/format_converter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <new>
#include <optional>

#include "core/byte_notes.h"
#include "core/chip_size.h"
#include "core/save_formats.h"

namespace ondrel {
namespace {

// An M3 *.dat: the save's 256 KiB and 1 KiB of the cart's own.
constexpr std::uint64_t kM3FileSize = 257 * 1024;

// What a *.sav really is, by its first and last bytes; the stream is left at
// its start. A stream that cannot be sought is taken as it is named.
SourceKind KindOfSav(std::FILE* input, std::error_code& error) {
    SourceKind kind = SourceKind::Sav;
    errno = 0;
    std::array<std::uint8_t, kNocashNameSize> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), input);
    std::array<std::uint8_t, kDsvTagSize> tail{};
    if (BeginsAsNocash(std::span(head.data(), got)))
        kind = SourceKind::Nocash;
    else if (std::fseek(input, -static_cast<long>(tail.size()), SEEK_END) == 0 &&
             std::fread(tail.data(), 1, tail.size(), input) == tail.size() && EndsAsDsv(tail))
        kind = SourceKind::Dsv;
    if (std::ferror(input) || std::fseek(input, 0, SEEK_SET) != 0) error = LastStreamError(EIO);
    return kind;
}

// The whole input, up to one byte more than limit.
std::error_code ReadWhole(const InputFile& input, std::uint64_t limit,
                          std::vector<std::uint8_t>& bytes) {
    // One more than the size the system gives, so that a whole read ends short.
    bytes.resize(static_cast<std::size_t>(
        std::min(std::max(input.size + 1, std::uint64_t{1} << 16), limit + 1)));
    std::size_t have = 0;
    while (true) {
        errno = 0;
        have += std::fread(bytes.data() + have, 1, bytes.size() - have, input.stream);
        if (have < bytes.size() || bytes.size() > limit) break;
        bytes.resize(
            static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size() * 2, limit + 1)));
    }
    bytes.resize(have);
    return std::ferror(input.stream) ? LastStreamError(EIO) : std::error_code{};
}

// Bytes of data: every byte that is not the blank 0xFF.
std::size_t EndOfData(std::span<const std::uint8_t> save) {
    auto last =
        std::find_if(save.rbegin(), save.rend(), [](std::uint8_t b) { return b != kBlankByte; });
    return static_cast<std::size_t>(save.rend() - last);
}

}  // namespace

std::error_code FormatConverter::Make(const InputFile& input, const ConvertJob& job,
                                      std::vector<std::uint8_t>& output,
                                      ConvertOutcome& outcome) const {
    auto made = std::make_shared<MadeReport>();
    outcome.made = made;
    made->readAs = job.kind;
    if (job.kind == SourceKind::Sav && byContent_ && input.regular) {
        std::error_code error;
        made->readAs = KindOfSav(input.stream, error);
        if (error) return error;
    }
    // A *.nds.sav is a bare save; only the J8 image keeps its cart rule,
    // which stops at 512 KiB.
    const bool cartRule = IsCartKind(made->readAs) &&
                          (made->readAs != SourceKind::NdsSav || target_ == SaveTarget::J8);
    try {
        if (!cartRule) return FromFile(input, output, outcome, *made);
        return target_ == SaveTarget::J8 ? FromCartSave(input, output, outcome, *made)
                                         : FromCartFile(input, output, outcome, *made);
    } catch (const std::bad_alloc&) {
        // A 32-bit process may not find room for the largest saves.
        output.clear();
        made->problem = "not enough memory to convert it";
        return {};
    }
}

// A cart's save, read by its rule into the J8 image: the image is the J8
// output as the dialog makes it.
std::error_code FormatConverter::FromCartSave(const InputFile& input,
                                              std::vector<std::uint8_t>& output,
                                              ConvertOutcome& outcome, MadeReport& made) const {
    ReadCartImage(input, made.readAs, output, outcome);
    if (outcome.load.readError) return outcome.load.readError;
    ReportCartRule(outcome.inputSize, outcome.load, made);
    if (outcome.load.bytesRead < kSaveImageSize) {
        made.notes.push_back(
            "output " + ByteRange(outcome.load.bytesRead, kSaveImageSize - outcome.load.bytesRead) +
            " added: padding (0xFF)");
    }
    return {};
}

// A *.dat or *.sav made into a bare save or a .dsv: the cart's rule applied
// to the file in memory. What the J8 image would leave behind (bytes past the
// rule, data a *.sav's moved start would overwrite) has no place to go here:
// refused, unless it is blank.
std::error_code FormatConverter::FromCartFile(const InputFile& input,
                                              std::vector<std::uint8_t>& output,
                                              ConvertOutcome& outcome, MadeReport& made) const {
    const bool dat = made.readAs == SourceKind::Dat;
    const std::uint64_t limit = dat ? kM3FileSize : kSaveImageSize + kTrailerSize;
    std::vector<std::uint8_t> file;
    if (std::error_code error = ReadWhole(input, limit, file)) return error;
    // Read to its end, the file is what was read; longer, it is at least as
    // long as the system says.
    const std::uint64_t size = file.size() > limit && input.regular
                                   ? std::max<std::uint64_t>(input.size, file.size())
                                   : file.size();
    outcome.inputSize = size;

    LoadReport load;
    load.bytesRead = static_cast<std::size_t>(
        std::min<std::uint64_t>(size, dat ? kDatReadSize : kSaveImageSize));
    if (!dat && size > kSaveImageSize && size != kDatReadSize &&
        std::all_of(file.begin(), file.begin() + kBlankProbeSize,
                    [](std::uint8_t b) { return b == kBlankByte; }))
        load.trailerBytes =
            static_cast<std::size_t>(std::min<std::uint64_t>(size - kSaveImageSize, kTrailerSize));
    const std::uint64_t ruleReads = dat ? kM3FileSize : kSaveImageSize + load.trailerBytes;
    const std::string kindName(InfoOf(made.readAs).name);
    if (size > ruleReads) {
        const std::string past = input.regular ? ByteRange(ruleReads, size - ruleReads)
                                               : "bytes from " + std::to_string(ruleReads) + " on";
        made.problem = past + " " + std::string(Agreeing(size - ruleReads, "lies", "lie")) +
                       " past what " + WithArticle(kindName) +
                       " save holds and would be dropped (--kind raw keeps them)";
        return {};
    }
    const auto data = [&file](std::uint64_t first, std::uint64_t end) {
        return static_cast<std::uint64_t>(
            std::count_if(file.begin() + static_cast<std::ptrdiff_t>(first),
                          file.begin() + static_cast<std::ptrdiff_t>(end),
                          [](std::uint8_t b) { return b != kBlankByte; }));
    };
    // An M3 writes 1 KiB after the save's 256 KiB; only the J8 image, which
    // the M3's rule makes, drops it whatever it holds.
    if (const std::uint64_t lost = dat && size > kDatReadSize ? data(kDatReadSize, size) : 0) {
        made.problem = ByteCount(lost) + " of data (not 0xFF) in " +
                       ByteRange(kDatReadSize, size - kDatReadSize) +
                       ", past the 256 KiB a dat save is read up to, would be dropped (--kind "
                       "raw keeps them)";
        return {};
    }
    // A *.sav whose start was moved behind its body keeps that body's first
    // bytes blank; data there would be overwritten by the start moved back.
    if (const std::uint64_t lost =
            load.trailerBytes ? data(kBlankProbeSize, load.trailerBytes) : 0) {
        made.problem =
            ByteCount(lost) + " of data (not 0xFF) in " + ByteRange(0, load.trailerBytes) +
            " would be overwritten by the save's start moved there from " +
            ByteRange(kSaveImageSize, load.trailerBytes) + " (--kind raw keeps the file as it is)";
        return {};
    }
    if (load.bytesRead == 0) {
        made.problem = "holds no save: 0 bytes";
        return {};
    }
    file.resize(load.bytesRead + (load.trailerBytes ? kTrailerSize : 0));
    std::copy_n(file.begin() + kSaveImageSize, load.trailerBytes, file.begin());
    ReportCartRule(size, load, made);
    Fit(std::span(file.data(), load.bytesRead), output, made, true);
    return {};
}

// What a cart's rule took from an input of this size, and whether carts
// write such a size.
void FormatConverter::ReportCartRule(std::uint64_t size, const LoadReport& load,
                                     MadeReport& made) const {
    const ByteCounts counts = CountBytes(size, load);
    made.used = counts.used;
    made.dropped = counts.dropped;
    made.notes = ByteNotes(made.readAs, size, load);
    const SourceKindInfo& info = InfoOf(made.readAs);
    if (!info.isCartSize(size)) {
        made.warnings.push_back(ByteCount(size) + " is not a size " + std::string(info.name) +
                                " carts make (" + std::string(info.cartSizes) +
                                "); converted anyway");
    }
}

// An emulator's, an Action Replay's or a bare save, read whole.
std::error_code FormatConverter::FromFile(const InputFile& input, std::vector<std::uint8_t>& output,
                                          ConvertOutcome& outcome, MadeReport& made) const {
    if (input.regular && input.size > kLargestSaveFile) {
        outcome.inputSize = input.size;
        made.problem = ByteCount(input.size) + ", larger than any DS save with its header (" +
                       SizeInWords(kLargestSaveFile) + " at most)";
        return {};
    }
    std::vector<std::uint8_t> file;
    if (std::error_code error = ReadWhole(input, kLargestSaveFile, file)) return error;
    outcome.inputSize = file.size();
    if (file.size() > kLargestSaveFile) {
        made.problem = "more than " + SizeInWords(kLargestSaveFile) +
                       ", larger than any DS save with its header";
        return {};
    }
    FoundSave found = FindSave(made.readAs, file);
    const std::span<const std::uint8_t> save = found.Save(file);
    if (found.problem.empty() && save.empty()) found.problem = "holds no save: 0 bytes";
    if (!found.problem.empty()) {
        made.problem = std::move(found.problem);
        return {};
    }

    made.used = found.storedBytes;
    made.dropped = file.size() - found.storedBytes;
    if (found.headerBytes > 0)
        made.notes.push_back(ByteRange(0, found.headerBytes) +
                             " dropped: " + std::string(found.header));
    if (found.packed)
        made.notes.push_back(ByteRange(found.headerBytes, found.storedBytes) + " unpacked into " +
                             ByteCount(save.size()));
    if (found.trailerBytes > 0)
        made.notes.push_back(ByteRange(found.headerBytes + found.storedBytes, found.trailerBytes) +
                             " dropped: " + std::string(found.trailer));
    if (!IsChipSize(save.size())) {
        made.warnings.push_back(ByteCount(save.size()) + " is not the size of a DS save chip (" +
                                std::string(kChipSizesInWords) + "); converted anyway");
    }
    Fit(save, output, made, !found.packed);
    return {};
}

// The save at the output's size: blank bytes past it dropped, or blank bytes
// added; data past it is a problem.
void FormatConverter::Fit(std::span<const std::uint8_t> save, std::vector<std::uint8_t>& output,
                          MadeReport& made, bool stored) const {
    const std::uint64_t capacity = target_ == SaveTarget::J8 ? kSaveImageSize
                                   : size_ != 0              ? size_
                                                : ChipHolding(save.size()).value_or(kLargestChip);
    const std::size_t end = EndOfData(save);
    if (end > capacity) {
        const auto lost = static_cast<std::uint64_t>(
            std::count_if(save.begin() + static_cast<std::ptrdiff_t>(capacity), save.end(),
                          [](std::uint8_t b) { return b != kBlankByte; }));
        const std::optional<std::uint64_t> holder = ChipHolding(end);
        const bool j8 = target_ == SaveTarget::J8;
        made.problem =
            ByteCount(lost) + " of data (not 0xFF) " + std::string(Agreeing(lost, "lies", "lie")) +
            " past " +
            (j8 ? std::string("the 512 KiB of a J8 save") : "the first " + SizeInWords(capacity)) +
            " and would be lost; " +
            (!holder ? "no DS save chip holds more than " + SizeInWords(kLargestChip)
                     : WithArticle(SizeInWords(*holder)) + " save holds them (" +
                           (j8 ? std::string("--to raw or --to dsv")
                               : "--size " + SizeOption(*holder)) +
                           ")");
        return;
    }
    const std::size_t kept =
        static_cast<std::size_t>(std::min<std::uint64_t>(save.size(), capacity));
    output.reserve(capacity + (target_ == SaveTarget::Dsv ? kDsvFooterSize : 0));
    output.assign(save.begin(), save.begin() + static_cast<std::ptrdiff_t>(kept));
    output.resize(capacity, kBlankByte);
    if (stored) {
        // The blank bytes left out were input bytes the output does not use.
        made.used -= save.size() - kept;
        made.dropped += save.size() - kept;
    }
    if (save.size() > capacity)
        made.notes.push_back("save " + ByteRange(capacity, save.size() - capacity) +
                             " dropped: all 0xFF");
    else if (save.size() < capacity)
        made.notes.push_back("output " + ByteRange(save.size(), capacity - save.size()) +
                             " added: padding (0xFF)");
    if (target_ == SaveTarget::Dsv) {
        const auto footer = DsvFooter(capacity);
        output.insert(output.end(), footer.begin(), footer.end());
        made.notes.push_back("output " + ByteRange(capacity, kDsvFooterSize) +
                             " added: the DeSmuME footer");
    }
}

}  // namespace ondrel
