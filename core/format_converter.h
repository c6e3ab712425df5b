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
    // length rounded up to a chip size.
    FormatConverter(SaveTarget target, std::uint64_t size) : target_(target), size_(size) {}

    // Overridables
    // A *.sav that begins with the no$gba header or ends with the .dsv
    // footer's tag is read as that. Every byte that is not 0xFF reaches the
    // output, or nothing does: a save with data past the output's size is a
    // problem, not a shorter save.
    std::error_code Make(const InputFile& input, const ConvertJob& job,
                         std::vector<std::uint8_t>& output, ConvertOutcome& outcome) const override;

private:
    std::error_code FromCartSave(const InputFile& input, std::vector<std::uint8_t>& output,
                                 ConvertOutcome& outcome, MadeReport& made) const;
    std::error_code FromFile(const InputFile& input, std::vector<std::uint8_t>& output,
                             ConvertOutcome& outcome, MadeReport& made) const;
    void Fit(std::span<const std::uint8_t> save, std::vector<std::uint8_t>& output,
             MadeReport& made) const;

    SaveTarget target_;
    std::uint64_t size_;
};

}  // namespace ondrel
