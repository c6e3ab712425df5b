#include "core/chip_size.h"

namespace ondrel {
namespace {

constexpr std::uint64_t K = 1024;
constexpr std::uint64_t M = 1024 * K;

}  // namespace

std::string Counted(std::uint64_t count, std::string_view singular, std::string_view plural) {
    return std::to_string(count) + ' ' + std::string(count == 1 ? singular : plural);
}

std::string ByteCount(std::uint64_t count) {
    return Counted(count, "byte", "bytes");
}

std::string_view Agreeing(std::uint64_t count, std::string_view singular, std::string_view plural) {
    return count == 1 ? singular : plural;
}

std::string WithArticle(std::string_view words) {
    // A number is read with "an" when it is said from "eight", "eleven" or
    // "eighteen": 8, 80, 800, 8000; 11 and 18, and their thousands.
    const std::size_t digits = words.find_first_not_of("0123456789");
    const std::size_t length = digits == std::string_view::npos ? words.size() : digits;
    const bool an = (length > 0 && words[0] == '8') ||
                    (length % 3 == 2 && (words.substr(0, 2) == "11" || words.substr(0, 2) == "18"));
    return (an ? "an " : "a ") + std::string(words);
}

std::string SizeInWords(std::uint64_t size) {
    if (size >= M && size % M == 0) return std::to_string(size / M) + " MiB";
    if (size >= K && size % K == 0) return std::to_string(size / K) + " KiB";
    return ByteCount(size);
}

std::string ShortSize(std::uint64_t size) {
    if (size >= M && size % M == 0) return std::to_string(size / M) + "M";
    if (size >= K && size % K == 0) return std::to_string(size / K) + "K";
    return std::to_string(size);
}

std::optional<std::uint64_t> ParseShortSize(std::string_view text) {
    std::size_t digits = 0;
    std::uint64_t number = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        const unsigned digit = static_cast<unsigned>(text[digits] - '0');
        if (number > (UINT64_MAX - digit) / 10) return std::nullopt;
        number = number * 10 + digit;
    }
    if (digits == 0) return std::nullopt;
    const std::string_view suffix = text.substr(digits);
    int shift = 0;
    if (suffix == "K" || suffix == "k")
        shift = 10;
    else if (suffix == "M" || suffix == "m")
        shift = 20;
    else if (!suffix.empty())
        return std::nullopt;
    if (number > (UINT64_MAX >> shift)) return std::nullopt;
    return number << shift;
}

}  // namespace ondrel
