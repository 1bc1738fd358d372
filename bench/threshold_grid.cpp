// The threshold grid for one parcel file: a clipped image of 500 x 500 cells, 4 bands, 40
// classes, 19 x 19 threshold pairs (361 classified images), against one classification of
// the same image and against a plain writer of the same files.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "platform/core/message_sink.h"
#include "workbench/engine/classifier.h"
#include "workbench/engine/lan_image.h"
#include "workbench/engine/threshold_grid.h"

namespace {

constexpr int kSide = 500, kBands = 4, kClasses = 40;

struct Sheet {
    std::string dir, parcel, lan, stats;
    Sheet() {
        dir = (std::filesystem::temp_directory_path() / "rice-bench-grid").string();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        parcel = dir + "/s12.shp";  // only its name matters: the clip is already there
        lan = dir + "/s12.lan";
        stats = dir + "/infos12_Merge.gsg";
        std::mt19937 rng(11);
        std::vector<std::vector<double>> means(kClasses);
        std::string text = std::to_string(kClasses) + "\r\n" + std::to_string(kBands) + "\r\n";
        std::uniform_real_distribution<double> mean(40, 200), off(-6, 6);
        for (auto& m : means) {
            for (int b = 0; b < kBands; ++b) m.push_back(mean(rng));
            for (double v : m) text += std::to_string(v) + "\r\n";
            for (int r = 0; r < kBands; ++r) {
                for (int c = 0; c < kBands; ++c)
                    text += std::to_string(r == c ? 60 + 10 * off(rng) + 60 : off(rng)) + " ";
                text += "\r\n";
            }
        }
        rice::WriteFileAtomic(stats, text);
        rice::LanHeader h;
        h.identifier = {'H', 'E', 'A', 'D', '7', '4'};
        h.nbands = kBands;
        h.icols = kSide;
        h.irows = kSide;
        h.xcell = h.ycell = 10;
        rice::LanImage img = rice::LanImage::Blank(h);
        std::normal_distribution<double> noise(0, 9);
        std::uniform_int_distribution<int> pick(0, kClasses - 1);
        for (int r = 0; r < kSide; ++r) {
            auto line = img.lines[static_cast<size_t>(r)];
            for (int c = 0; c < kSide; ++c) {
                const auto& m = means[static_cast<size_t>(pick(rng))];
                for (int b = 0; b < kBands; ++b)
                    line[static_cast<size_t>(b * kSide + c)] =
                        static_cast<std::uint8_t>(std::clamp(m[static_cast<size_t>(b)] + noise(rng), 1.0, 255.0));
            }
        }
        rice::WriteLanImage(lan, img);
    }
    ~Sheet() { std::filesystem::remove_all(dir); }
    std::vector<rice::GridStep> Steps() const {
        rice::GridPlan plan{{parcel}, {stats}, 0.1, 0.1, 19, 19};
        return rice::GridSteps(plan);
    }
};

Sheet& TheSheet() {
    static Sheet sheet;
    return sheet;
}

void BM_OneClassification(benchmark::State& state) {
    Sheet& s = TheSheet();
    rice::SilentSink sink;
    for (auto _ : state)
        rice::ClassifyMaximumLikelihood(s.lan, s.stats, s.dir + "/one.lan", 0.3, 0.2, sink,
                                        rice::ClassifyOptions{static_cast<int>(state.range(0)), 0});
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_OneClassification)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WholeGrid(benchmark::State& state) {
    Sheet& s = TheSheet();
    std::vector<rice::GridStep> steps = s.Steps();
    rice::SilentSink sink;
    const bool fast = state.range(0) != 0;
    for (auto _ : state) rice::RunGridSteps(steps, sink, {}, {fast, 0});
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(steps.size()) * kSide * kSide);
}
BENCHMARK(BM_WholeGrid)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
// The plain run, one full classification per pair, for comparison.
BENCHMARK(BM_WholeGrid)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: a plain writer putting the same 361 files (one output's bytes each) into the
// same folder, one after the other, through the same atomic writer.
void BM_PlainWriteOfTheGridsFiles(benchmark::State& state) {
    Sheet& s = TheSheet();
    std::vector<rice::GridStep> steps = s.Steps();
    rice::SilentSink sink;
    rice::RunGridSteps(steps, sink, {}, {true, 0});
    const std::optional<std::string> bytes = rice::ReadWholeFile(steps[0].output);
    if (!bytes) {
        state.SkipWithError("no grid output to copy");
        return;
    }
    for (auto _ : state) {
        for (const rice::GridStep& step : steps) {
            rice::StreamingFileWriter file;
            if (!file.Open(step.output) || !file.Write(bytes->data(), bytes->size()) || !file.Commit())
                state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(steps.size() * bytes->size()));
}
BENCHMARK(BM_PlainWriteOfTheGridsFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
