// One conversion of each kind against the floor of one plain read and one
// plain write of the same bytes, and against that floor made durable (flush,
// sync and rename, as the conversion does), in the same run on the same disk.

#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "jobs/save_jobs.h"

namespace {

namespace fs = std::filesystem;
using ondrel::SourceKind;

struct Files {
    fs::path folder = fs::temp_directory_path() / ("ondrel-bench-" + std::to_string(::getpid()));
    Files() { fs::create_directories(folder); }
    ~Files() { fs::remove_all(folder); }

    fs::path Input(std::size_t size, bool blankFront) {
        fs::path path = folder / ("in-" + std::to_string(size) + (blankFront ? "b" : ""));
        std::vector<char> bytes(size, 0x11);
        if (blankFront) std::fill(bytes.begin(), bytes.begin() + 16, '\xFF');
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(size));
        return path;
    }
};

Files& TheFiles() {
    static Files files;
    return files;
}

struct Case {
    SourceKind kind;
    std::size_t size;
    bool blankFront;
};

// 256K SC save, 257K M3 save, 520K DSLink save with its trailer moved.
constexpr Case kCases[] = {
    {SourceKind::NdsSav, 256 * 1024, false},
    {SourceKind::Dat, 257 * 1024, false},
    {SourceKind::Sav, 520 * 1024, true},
};

void BM_Convert(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const std::string in = TheFiles().Input(c.size, c.blankFront).string();
    const std::string out = (TheFiles().folder / "out.sav").string();
    for (auto _ : state) {
        auto outcome = ondrel::RunSaveJob(in, out, c.kind);
        if (outcome.status != ondrel::JobStatus::Converted)
            state.SkipWithError("conversion failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ondrel::kSaveImageSize));
}
BENCHMARK(BM_Convert)->DenseRange(0, 2)->ArgName("kind")->Unit(benchmark::kMicrosecond);

// One read of the input and one write of a 512 KiB image, nothing else.
void PlainCopy(const std::string& in, const std::string& out, bool durable) {
    static std::vector<char> buffer(ondrel::kSaveImageSize);
    std::FILE* input = std::fopen(in.c_str(), "rb");
    benchmark::DoNotOptimize(std::fread(buffer.data(), 1, buffer.size(), input));
    std::fclose(input);
    const std::string target = durable ? out + ".tmp" : out;
    std::FILE* output = std::fopen(target.c_str(), "wb");
    std::fwrite(buffer.data(), 1, buffer.size(), output);
    if (durable) {
        std::fflush(output);
        ::fsync(::fileno(output));
    }
    std::fclose(output);
    if (durable) std::rename(target.c_str(), out.c_str());
}

void BM_PlainReadWrite(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const std::string in = TheFiles().Input(c.size, c.blankFront).string();
    const std::string out = (TheFiles().folder / "plain.sav").string();
    for (auto _ : state) PlainCopy(in, out, state.range(1) != 0);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ondrel::kSaveImageSize));
}
BENCHMARK(BM_PlainReadWrite)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"kind", "durable"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
