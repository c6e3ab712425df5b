// Convert alone, on saves made in memory: no file, no disk. The same program
// built natively and as WebAssembly (run under node) tells what the page's
// core costs against the converter's, in one run of each.
//
//   convert_bytes_bench [ROUNDS]
//
// Prints, per case, the median time of one conversion over ROUNDS (default
// 200), and the sum of the medians.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/convert.h"
#include "core/dsv_format.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t K = 1024;

Bytes Pattern(std::size_t size, std::size_t blankFront = 0) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = i < blankFront ? 0xFF : static_cast<std::uint8_t>((i * 7) ^ (i >> 8) * 13);
    return bytes;
}

Bytes Appended(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Case {
    const char* name;
    Bytes file;
    ondrel::ConvertRequest request;
};

std::vector<Case> Cases() {
    using ondrel::SaveTarget;
    using ondrel::SourceKind;
    const Bytes save64K = Pattern(64 * K);
    const auto footer = ondrel::DsvFooter(64 * K);
    Bytes nocash = Pattern(0x50);
    const char* name = "NocashGbaBackupMediaSavDataFile\x1A";
    std::copy(name, name + 32, nocash.begin());
    std::fill(nocash.begin() + 32, nocash.begin() + 0x40, 0);
    const std::uint8_t method[] = {'S', 'R', 'A', 'M', 1, 0, 0, 0, 5, 0, 0, 0, 0, 0, 8, 0};
    std::copy(std::begin(method), std::end(method), nocash.begin() + 0x40);
    // 512 KiB of 0x11 in eight runs of 65,535 and one of 8: 0x80, byte, count.
    for (int i = 0; i < 8; ++i) nocash.insert(nocash.end(), {0x80, 0x11, 0xFF, 0xFF});
    nocash.insert(nocash.end(), {0x88, 0x11, 0x00});
    nocash[0x48] = static_cast<std::uint8_t>(nocash.size() - 0x50);
    return {
        {"nds.sav 256K to J8", Pattern(256 * K), {SourceKind::NdsSav}},
        {"dat 257K to J8", Pattern(257 * K), {SourceKind::Dat}},
        {"sav 520K to J8, start moved", Pattern(520 * K, 8 * K), {SourceKind::Sav, true}},
        {"sav 520K to raw", Pattern(520 * K, 8 * K), {SourceKind::Sav, true, SaveTarget::Raw}},
        {"dsv 64K to J8",
         Appended(save64K, Bytes(footer.begin(), footer.end())),
         {SourceKind::Dsv}},
        {"raw 64K to dsv", save64K, {SourceKind::Raw, false, SaveTarget::Dsv}},
        {"nocash packed 512K to raw", nocash, {SourceKind::Nocash, false, SaveTarget::Raw}},
    };
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    double total = 0;
    for (const Case& c : Cases()) {
        std::vector<double> times;
        std::size_t outputBytes = 0;
        for (int i = 0; i < rounds; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const ondrel::Converted converted = ondrel::Convert({c.file, c.file.size()}, c.request);
            times.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                    .count());
            outputBytes = converted.bytes.size();
            if (converted.report.fault.kind != ondrel::FaultKind::None) {
                std::printf("%s: refused: %s\n", c.name, converted.report.fault.problem.c_str());
                return 1;
            }
        }
        std::nth_element(times.begin(), times.begin() + rounds / 2, times.end());
        const double median = times[static_cast<std::size_t>(rounds / 2)];
        total += median;
        std::printf("%-30s %9.1f us  (%zu bytes out)\n", c.name, median, outputBytes);
    }
    std::printf("%-30s %9.1f us\n", "sum of medians", total);
    return 0;
}
