// Texture computations on a 512 x 512 8-bit image: fast paths against the plain algorithms.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/core/message_sink.h"
#include "texture/lib/cross_diagonal.h"
#include "texture/lib/fractal_lib.h"
#include "texture/lib/glcm.h"
#include "texture/lib/run_options.h"
#include "texture/lib/variogram_lib.h"

using namespace rice;

namespace {

void RandomImage(MATRIX<unsigned int>& m, unsigned size) {
    m.resize(size, size);
    std::mt19937 gen(42);
    std::uniform_int_distribution<unsigned> dist(0, 255);
    for (unsigned y = 0; y < size; ++y)
        for (unsigned x = 0; x < size; ++x) m.at(x, y) = dist(gen);
    m.set_decimal(3);
}

std::string OutputBase() {
    std::string folder = (std::filesystem::temp_directory_path() / "rice_texture_bench").string();
    std::filesystem::create_directories(folder);
    return folder + "/out";
}

const COMPUTATE_FUNCTION kFeatures[6] = {&contrast, &entropy, &dissimilarity, &energy, &homogeneity, &correlation};

// The six features, each into its own result grid of the image's size.
std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX> SixFeaturePairs(
    const MATRIX<unsigned int>& image, MATRIX<float> (&results)[6]) {
    std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX> pairs;
    for (int f = 0; f < 6; ++f) {
        results[f].resize(image.size_of_x(), image.size_of_y());
        results[f].clear();
        pairs.emplace_back(kFeatures[f], &results[f]);
    }
    return pairs;
}

// state.range(0): image size; range(1): 1 for the plain algorithm; range(2): threads (0 all).
TEXTURE_RUN_OPTIONS OptionsOf(const benchmark::State& state) {
    return {state.range(1) != 0, static_cast<unsigned>(state.range(2))};
}

// The image and the six features' grids of a run measured by state's ranges.
struct SixFeatureRun {
    explicit SixFeatureRun(const benchmark::State& state) : options(OptionsOf(state)) {
        RandomImage(image, static_cast<unsigned>(state.range(0)));
        pairs = SixFeaturePairs(image, results);
    }
    SixFeatureRun(const SixFeatureRun&) = delete;  // pairs point into results
    SixFeatureRun& operator=(const SixFeatureRun&) = delete;

    MATRIX<unsigned int> image;
    const TEXTURE_RUN_OPTIONS options;
    MATRIX<float> results[6];
    std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX> pairs;
};

void GlcmFourDirections(benchmark::State& state) {
    SixFeatureRun run(state);
    GLCM_PROBABILITY_MATRIX_N_S n_s;
    GLCM_PROBABILITY_MATRIX_E_W e_w;
    GLCM_PROBABILITY_MATRIX_NE_SW ne_sw;
    GLCM_PROBABILITY_MATRIX_NW_SE nw_se;
    for (auto _ : state) {
        for (GLCM_PROBABILITY_MATRIX* g : std::initializer_list<GLCM_PROBABILITY_MATRIX*>{&n_s, &e_w, &ne_sw, &nw_se})
            g->compute(run.image, run.pairs, 7, 1, run.options);
        benchmark::DoNotOptimize(run.results[0].data());
    }
}

// As the GLCM form runs it: each direction computed while the six grids (three decimals) of
// the one before are formatted and written side by side; 24 files in all. range(0): threads
// (0 all).
void GlcmFormFourDirectionsWritten(benchmark::State& state) {
    MATRIX<unsigned int> image;
    RandomImage(image, 512);
    const unsigned threads = static_cast<unsigned>(state.range(0));
    MATRIX<float> results[2][6];
    std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX> pairs[2] = {SixFeaturePairs(image, results[0]),
                                                                           SixFeaturePairs(image, results[1])};
    for (auto& set : results)
        for (auto& r : set) r.set_decimal(3);
    GLCM_PROBABILITY_MATRIX_N_S n_s;
    GLCM_PROBABILITY_MATRIX_E_W e_w;
    GLCM_PROBABILITY_MATRIX_NE_SW ne_sw;
    GLCM_PROBABILITY_MATRIX_NW_SE nw_se;
    GLCM_PROBABILITY_MATRIX* directions[] = {&n_s, &e_w, &ne_sw, &nw_se};
    SilentSink sink;
    const std::string base = OutputBase();
    for (auto _ : state) {
        std::vector<GRID_FILE> pending;
        for (int d = 0; d < 4; ++d) {
            const int set = d % 2;
            write_files(pending, sink, threads,
                        [&] { directions[d]->compute(image, pairs[set], 7, 1, {false, threads}); });
            pending.clear();
            for (int f = 0; f < 6; ++f)
                pending.emplace_back(&results[set][f], base + "_glcm_" + std::to_string(d) + "_" + std::to_string(f) + ".txt");
        }
        write_files(pending, sink, threads);
    }
}

void CrossDiagonalBothCodings(benchmark::State& state) {
    SixFeatureRun run(state);
    for (auto _ : state) {
        CROSS_DIAGONAL_PROBABILITY_MATRIX_3_LEVEL().compute(run.image, run.pairs, run.options);
        CROSS_DIAGONAL_PROBABILITY_MATRIX_2_LEVEL().compute(run.image, run.pairs, run.options);
        benchmark::DoNotOptimize(run.results[0].data());
    }
}

// Direct variogram, MW 17, h 13, four directions and their average, grids written.
void VariogramMw17H13(benchmark::State& state) {
    MATRIX<unsigned int> image;
    RandomImage(image, static_cast<unsigned>(state.range(0)));
    const TEXTURE_RUN_OPTIONS options = OptionsOf(state);
    DIRECTION_OPTION all;
    all.set_direction(true, true, true, true);
    all.set_average(true);
    SilentSink sink;
    std::string base = OutputBase();
    for (auto _ : state) direct_variogram(image, 17, all, base, 13, sink, options);
}

// Fractal dimension, window 17, both grids written.
void FractalWindow17(benchmark::State& state) {
    MATRIX<unsigned int> image;
    RandomImage(image, static_cast<unsigned>(state.range(0)));
    const TEXTURE_RUN_OPTIONS options = OptionsOf(state);
    SilentSink sink;
    std::string base = OutputBase();
    for (auto _ : state) fractal_dimension(image, base + "_r.txt", base + "_df.txt", 17, 17, sink, options);
}

// One 512 x 512 result grid written with three decimals.
void WriteGrid(benchmark::State& state) {
    MATRIX<float> grid;
    grid.resize(512, 512);
    std::mt19937 gen(1);
    std::uniform_real_distribution<float> dist(0, 1000);
    for (unsigned y = 0; y < 512; ++y)
        for (unsigned x = 0; x < 512; ++x) grid.at(x, y) = dist(gen);
    grid.set_decimal(3);
    SilentSink sink;
    std::string base = OutputBase();
    for (auto _ : state) grid.write_file(base + "_grid.txt", sink);
}

}  // namespace

BENCHMARK(WriteGrid)->Unit(benchmark::kMillisecond)->UseRealTime();
// Fast path, all threads and one thread; the dense reference on a 128 x 128 crop (the full
// image takes minutes) so that both can be compared on the same input too.
BENCHMARK(GlcmFourDirections)->Args({512, 0, 0})->Args({512, 0, 1})->Args({128, 0, 1})->Args({128, 1, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GlcmFormFourDirectionsWritten)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CrossDiagonalBothCodings)->Args({512, 0, 0})->Args({512, 0, 1})->Args({512, 1, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(VariogramMw17H13)->Args({512, 0, 0})->Args({512, 0, 1})->Args({512, 1, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(FractalWindow17)->Args({512, 0, 0})->Args({512, 0, 1})->Args({512, 1, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
// The dense GLCM on the whole image, run only when asked for by name.
BENCHMARK(GlcmFourDirections)->Name("GlcmDenseFullImage")->Args({512, 1, 1})->Iterations(1)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
