// SPDX-License-Identifier: GPL-3.0-or-later
// `--spd` over every SPD image the project ships, in one process: reading and parsing each file,
// the decode, the checksum and the text. The per-module figure is the time one file costs.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "report/spd_files.h"
#include "spd/spd_image.h"

namespace {

std::vector<std::string> ShippedImages() {
    std::vector<std::string> files;
    for (const char* dir : {ZM_TESTDATA_DIR "/spd", ZM_MACHINES_DIR "/data/spd"})
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.path().extension() == ".bin" || entry.path().extension() == ".txt")
                files.push_back(entry.path().string());
    return files;
}

// `--spd FILE...` over the files in one process, with the time per module as a counter.
void RunSpdFiles(benchmark::State& state, const std::vector<std::string>& files) {
    for (auto _ : state) {
        std::ostringstream out, err;
        benchmark::DoNotOptimize(zm::app::RunSpdFiles(files, false, out, err));
    }
    state.counters["modules"] = static_cast<double>(files.size());
    state.counters["per_module"] = benchmark::Counter(
        static_cast<double>(files.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SpdFilesAllShippedImages(benchmark::State& state) {
    RunSpdFiles(state, ShippedImages());
}
BENCHMARK(BM_SpdFilesAllShippedImages)->Unit(benchmark::kMicrosecond);

// The decode alone (images already in memory), as --spd runs it.
void BM_SpdDecodeAllShippedImages(benchmark::State& state) {
    std::vector<zm::spd::SpdImage> images;
    for (const std::string& file : ShippedImages())
        if (auto load = zm::spd::ReadSpdImageFile(file); load.image) images.push_back(*load.image);
    for (auto _ : state)
        for (const zm::spd::SpdImage& image : images)
            benchmark::DoNotOptimize(zm::spd::DecodeImageReport(image));
    state.counters["per_module"] = benchmark::Counter(
        static_cast<double>(images.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SpdDecodeAllShippedImages)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// The shipped DDR4 and DDR5 images, repeated up to 200 modules.
std::vector<std::string> Ddr45Files() {
    std::vector<std::string> kinds;
    for (const std::string& file : ShippedImages()) {
        const auto load = zm::spd::ReadSpdImageFile(file);
        if (load.image && load.image->format == "binary" &&
            (load.image->bytes[2] == 0x0C || load.image->bytes[2] == 0x12))
            kinds.push_back(file);
    }
    std::vector<std::string> files;
    for (std::size_t i = 0; !kinds.empty() && files.size() < 200; ++i)
        files.push_back(kinds[i % kinds.size()]);
    return files;
}

// 200 DDR4/DDR5 modules through `--spd FILE...` in one process: file, decode, text.
void BM_SpdFiles200Ddr45(benchmark::State& state) {
    RunSpdFiles(state, Ddr45Files());
}
BENCHMARK(BM_SpdFiles200Ddr45)->Unit(benchmark::kMillisecond);

}  // namespace
