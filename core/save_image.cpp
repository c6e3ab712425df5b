#include "core/save_image.h"

#include <algorithm>
#include <cerrno>

namespace ondrel {
namespace {

std::size_t ReadInto(std::FILE* input, std::uint8_t* to, std::size_t count, LoadReport& report) {
    errno = 0;
    std::size_t got = std::fread(to, 1, count, input);
    if (got < count && std::ferror(input) && !report.readError)
        report.readError = LastStreamError(EIO);
    return got;
}

// Position queries return long; a file too large for it simply has a length
// that is not kDatReadSize, which is all the trailer rule asks. A stream that
// can be sought to its end but not back to its start cannot be read from its
// start: that is a failed read, not an empty save.
long InputLength(std::FILE* input, LoadReport& report) {
    if (std::fseek(input, 0, SEEK_END) != 0) return -1;
    long length = std::ftell(input);
    errno = 0;
    if (std::fseek(input, 0, SEEK_SET) != 0) report.readError = LastStreamError(EIO);
    return length;
}

bool FrontIsBlank(ImageBytes image) {
    return std::all_of(image.begin(), image.begin() + kBlankProbeSize,
                       [](std::uint8_t b) { return b == kBlankByte; });
}

}  // namespace

std::error_code LastStreamError(int fallback) {
    return std::error_code(errno != 0 ? errno : fallback, std::generic_category());
}

LoadReport LoadSaveImage(std::FILE* input, SourceKind kind, ImageBytes image) {
    LoadReport report;
    switch (kind) {
        case SourceKind::NdsSav:
            report.bytesRead = ReadInto(input, image.data(), kSaveImageSize, report);
            break;
        case SourceKind::Dat:
            report.bytesRead = ReadInto(input, image.data(), kDatReadSize, report);
            break;
        case SourceKind::Sav: {
            // Some carts write a blank 8 KiB header and put the save's first
            // 8 KiB after the 512 KiB body; a 256 KiB file never has one.
            long length = InputLength(input, report);
            if (report.readError) break;
            report.bytesRead = ReadInto(input, image.data(), kSaveImageSize, report);
            if (FrontIsBlank(image) && length != static_cast<long>(kDatReadSize) &&
                !report.readError) {
                report.trailerBytes = ReadInto(input, image.data(), kTrailerSize, report);
            }
            break;
        }
        case SourceKind::Dsv:
        case SourceKind::Duc:
        case SourceKind::Nocash:
        case SourceKind::Raw:
            // Read whole with their headers by save_formats.h, never by a cart's rule.
            report.readError = std::make_error_code(std::errc::invalid_argument);
            break;
    }
    return report;
}

std::error_code StoreSaveImage(std::FILE* output, const SaveImage& image) {
    return StoreBytes(output, image);
}

std::error_code StoreBytes(std::FILE* output, std::span<const std::uint8_t> bytes) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), output) != bytes.size())
        return LastStreamError(EIO);
    return {};
}

}  // namespace ondrel
