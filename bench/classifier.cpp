// Classifying a 4000 x 4000 image of fields with 40 classes (20 rice, 20 non-rice), 4 bands
// and 7 bands: the whole classification run (source read, clip, classification), the file
// path alone (read, classify in parallel blocks, write) and the lines in memory.
#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/core/files.h"
#include "platform/core/message_sink.h"
#include "platform/core/parallel.h"
#include "samples/lan_samples.h"
#include "workbench/engine/classifier.h"
#include "workbench/engine/clip.h"

namespace {

struct Data {
    std::string dir, image, stats, output;
};

const Data& Prepare(int bands) {
    static std::map<int, Data> made;
    auto it = made.find(bands);
    if (it != made.end()) return it->second;
    Data d;
    d.dir = (std::filesystem::temp_directory_path() /
             ("rice-bench-classifier-" + std::to_string(bands))).string();
    std::filesystem::create_directories(d.dir);
    d.image = d.dir + "/image.lan";
    d.stats = d.dir + "/classes.txt";
    d.output = d.dir + "/classified.lan";
    auto classes = samples::MakeSpectralClasses(bands, 20, 20, 5);
    samples::FieldImageSpec spec;
    spec.icols = 4000;
    spec.irows = 4000;
    spec.bands = bands;
    spec.fieldCols = 40;
    spec.fieldRows = 32;
    spec.noDataWedge = 0.05;
    rice::WriteLanImage(d.image, samples::MakeFieldImage(spec, classes).image);
    rice::WriteFileAtomic(d.stats, samples::ClassStatisticsText(classes));
    return made.emplace(bands, d).first->second;
}

void BM_Classify(benchmark::State& state) {
    const int bands = static_cast<int>(state.range(0));
    const Data& d = Prepare(bands);
    rice::ClassifyOptions options;
    options.threads = static_cast<int>(state.range(1));
    rice::SilentSink sink;
    int cells = 0;
    for (auto _ : state) {
        cells = rice::ClassifyMaximumLikelihood(d.image, d.stats, d.output, 0.5, 0.2, sink, options);
        benchmark::DoNotOptimize(cells);
    }
    state.SetItemsProcessed(state.iterations() * 4000LL * 4000LL);
    state.counters["classified"] = cells;
}

// The classification run as the workbench does it for one parcel file covering the whole
// image: read the source, clip it to the parcel file's box, classify the clip, write the nine
// bands.
void BM_ClassificationRun(benchmark::State& state) {
    const Data& d = Prepare(4);
    const std::string parcel = d.dir + "/sheet.shp";
    const std::string clipped = d.dir + "/sheet.lan";
    SHPHandle shp = SHPCreate(parcel.c_str(), SHPT_POLYGON);
    const double x0 = 250000, y1 = 2655000, x1 = x0 + 4000 * 10, y0 = y1 - 4000 * 10;
    double xs[] = {x0, x0, x1, x1, x0}, ys[] = {y0, y1, y1, y0, y0};
    SHPObject* box = SHPCreateSimpleObject(SHPT_POLYGON, 5, xs, ys, nullptr);
    SHPWriteObject(shp, -1, box);
    SHPDestroyObject(box);
    SHPClose(shp);
    rice::SilentSink sink;
    int cells = 0;
    for (auto _ : state) {
        {
            std::optional<rice::LanImage> source = rice::ReadLanImage(d.image);
            rice::ClipLanToParcels(*source, parcel, sink);
        }
        cells = rice::ClassifyMaximumLikelihood(clipped, d.stats, d.output, 0.37, 0.3, sink);
        benchmark::DoNotOptimize(cells);
    }
    state.SetItemsProcessed(state.iterations() * 4000LL * 4000LL);
    state.counters["classified"] = cells;
}

// The cell work alone: lines already in memory, no file read or written, split over threads.
void BM_ClassifyLinesInMemory(benchmark::State& state) {
    const int bands = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const Data& d = Prepare(bands);
    static std::map<int, rice::LanImage> images;
    if (!images.count(bands)) images.emplace(bands, *rice::ReadLanImage(d.image));
    const rice::LanImage& image = images.at(bands);
    auto stats = rice::ReadClassStatistics(*rice::ReadWholeFile(d.stats));
    auto model = rice::PrepareClassifier(*stats, bands);
    for (auto _ : state) {
        rice::ParallelFor(image.lines.size(), static_cast<unsigned>(threads),
                          [&]() -> std::function<void(std::size_t)> {
                              auto line = std::make_shared<rice::LineClassification>();
                              return [&, line](std::size_t r) {
                                  rice::ClassifyLine(*model, image.lines[r].data(), image.header.icols, *line);
                                  benchmark::DoNotOptimize(line->bands.data());
                              };
                          });
    }
    state.SetItemsProcessed(state.iterations() * 4000LL * 4000LL);
}

const int kCores = static_cast<int>(rice::ThreadCount(0, 1u << 20));

}  // namespace

BENCHMARK(BM_ClassifyLinesInMemory)->Args({4, 1})->Args({4, kCores})->Args({7, kCores})
    ->ArgNames({"bands", "threads"})->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_ClassificationRun)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

BENCHMARK(BM_Classify)->Args({4, 1})->Args({4, kCores})->Args({7, kCores})
    ->ArgNames({"bands", "threads"})->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

BENCHMARK_MAIN();
