#pragma once

// The command-line converter's reading and writing: a save of any kind it
// knows, made into the J8 image, the bare save at a chip size, or a .dsv.
// Apart from conversion.cpp so that the dialog, which only makes J8 images
// of cart saves, carries none of it.

#include <cstdint>

#include "core/conversion.h"

namespace ondrel {

class FormatConverter : public OutputMaker {
public:
    // size: the output's chip size for Raw and Dsv; 0 for the save's own
    // length rounded up to a chip size. byContent: a *.sav that begins with
    // the no$gba header or ends with the .dsv footer's tag is read as that
    // (not when the user named the kind).
    FormatConverter(SaveTarget target, std::uint64_t size, bool byContent)
        : target_(target), size_(size), byContent_(byContent) {}

    // Overridables
    // Every byte that is not 0xFF reaches the output, or nothing does: a save
    // with data past the output's size is a problem, not a shorter save. Only
    // the J8 image of a cart's save keeps the cart's rule, which drops what
    // lies past the image (and says so).
    std::error_code Make(const InputFile& input, const ConvertJob& job,
                         std::vector<std::uint8_t>& output, ConvertOutcome& outcome) const override;

private:
    std::error_code FromCartSave(const InputFile& input, std::vector<std::uint8_t>& output,
                                 ConvertOutcome& outcome, MadeReport& made) const;
    std::error_code FromCartFile(const InputFile& input, std::vector<std::uint8_t>& output,
                                 ConvertOutcome& outcome, MadeReport& made) const;
    void ReportCartRule(std::uint64_t size, const LoadReport& load, MadeReport& made) const;
    std::error_code FromFile(const InputFile& input, std::vector<std::uint8_t>& output,
                             ConvertOutcome& outcome, MadeReport& made) const;
    // stored: the save's bytes are the input's, so blank ones left out count
    // as dropped.
    void Fit(std::span<const std::uint8_t> save, std::vector<std::uint8_t>& output,
             MadeReport& made, bool stored) const;

    SaveTarget target_;
    std::uint64_t size_;
    bool byContent_;
};

}  // namespace ondrel
