#include "workbench/engine/threshold_grid.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <thread>

#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "workbench/engine/classifier.h"
#include "workbench/engine/clip.h"
#include "workbench/engine/lan_image.h"
#include "workbench/engine/text_fields.h"

namespace rice {
namespace {

constexpr std::uint16_t kNever = 0xFFFF;

// One clipped image classified once: bands 1 to 8 of every line in place, band 9 filled per
// pair. For each cell the first grid index whose threshold flags it: a cell gets 2 at the
// v index i when i >= firstV (V[i] > pBest), else 1 at the u index j when j >= firstU.
struct PreparedImage {
    const char* failure = nullptr;  // the classifier's message for every step of this image
    LanHeaderBytes header{};
    std::size_t icols = 0, irows = 0;
    std::vector<std::uint8_t> nine;
    std::vector<std::uint16_t> firstV, firstU;
};

PreparedImage Prepare(const GridStep& step, const std::vector<double>& vs,
                      const std::vector<double>& us, int threads) {
    PreparedImage p;
    std::optional<LanImage> image = ReadLanImage(step.input);
    if (!image) return p.failure = "錯誤類型0001", p;
    std::optional<std::string> text = ReadWholeFile(step.stats);
    std::optional<ClassStatistics> stats;
    if (text) stats = ReadClassStatistics(*text);
    std::optional<ClassifierModel> model;
    if (stats) model = PrepareClassifier(*stats, image->header.nbands);
    if (!model) return p.failure = "錯誤類型0002", p;
    LanHeader out = image->header;
    out.nbands = 9;
    if (!LanHeaderIsReadable(out)) return p.failure = "錯誤類型0003", p;
    p.header = EncodeLanHeader(out);
    p.icols = static_cast<std::size_t>(out.icols);
    p.irows = static_cast<std::size_t>(out.irows);
    p.nine.assign(p.irows * 9 * p.icols, 0);
    p.firstV.assign(p.irows * p.icols, kNever);
    p.firstU.assign(p.irows * p.icols, kNever);

    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        LineClassification lc;
        ClassifierScratch scratch;
        for (std::size_t r; (r = next.fetch_add(1)) < p.irows;) {
            ClassifyLine(*model, image->lines[r].data(), static_cast<int>(p.icols), lc, scratch);
            std::memcpy(p.nine.data() + r * 9 * p.icols, lc.bands.data(), 8 * p.icols);
            for (std::size_t c = 0; c < p.icols; ++c) {
                if (lc.bands[c] == 0) continue;  // background: flag 0 at every pair
                double diff = lc.pRice[c] - lc.pNonrice[c];
                if (diff < 0) diff = -diff;
                std::size_t at = r * p.icols + c;
                p.firstV[at] = static_cast<std::uint16_t>(
                    std::upper_bound(vs.begin(), vs.end(), lc.pBest[c]) - vs.begin());
                p.firstU[at] = static_cast<std::uint16_t>(
                    std::upper_bound(us.begin(), us.end(), diff) - us.begin());
            }
        }
    };
    int n = threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), std::max<std::size_t>(p.irows, 1)));
    if (n <= 1) {
        worker();
    } else {
        std::vector<std::thread> pool;
        for (int t = 0; t < n; ++t) pool.emplace_back(worker);
        for (auto& t : pool) t.join();
    }
    return p;
}

void WriteFlagged(PreparedImage& p, std::uint16_t vi, std::uint16_t ui, const std::string& path,
                  MessageSink& sink) {
    for (std::size_t r = 0; r < p.irows; ++r) {
        std::uint8_t* flag = p.nine.data() + (r * 9 + 8) * p.icols;
        const std::uint16_t* fv = p.firstV.data() + r * p.icols;
        const std::uint16_t* fu = p.firstU.data() + r * p.icols;
        for (std::size_t c = 0; c < p.icols; ++c) flag[c] = vi >= fv[c] ? 2 : ui >= fu[c] ? 1 : 0;
    }
    StreamingFileWriter file;
    if (!file.Open(path)) {
        sink.ShowMessage("錯誤類型0003");
        return;
    }
    file.Write(p.header.data(), p.header.size());
    file.Write(p.nine.data(), p.nine.size());
    if (!file.Commit()) sink.ShowMessage("錯誤類型0003");
}

std::vector<double> SortedValues(const std::vector<GridStep>& steps, double GridStep::*field) {
    std::vector<double> values;
    for (const GridStep& s : steps) values.push_back(s.*field);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

}  // namespace

int ThresholdGridCount(double lo, double hi) {
    double steps = (10 * hi - 10 * lo) * 2 + 1;
    return steps < 0 ? 0 : static_cast<int>(steps);
}

double ThresholdGridValue(double lo, int k) { return k * 0.05 + lo; }

std::string ThresholdSuffix(double v, double u) {
    return "_" + FixedText(v, 2) + "_" + FixedText(u, 2);
}

std::string GridOutputPath(const std::string& parcelPath, double v, double u) {
    size_t dot = parcelPath.rfind('.');
    std::string stem = dot == std::string::npos ? parcelPath : parcelPath.substr(0, dot);
    return stem + ThresholdSuffix(v, u) + ".lan";
}

std::vector<GridStep> GridSteps(const GridPlan& plan) {
    std::vector<GridStep> steps;
    for (int k = 0; k < plan.p; ++k) {
        double v = ThresholdGridValue(plan.lo1, k);
        for (int m = 0; m < plan.q; ++m) {
            double u = ThresholdGridValue(plan.lo2, m);
            for (size_t i = 0; i < plan.parcels.size(); ++i) {
                const std::string& parcel = plan.parcels[i];
                std::optional<std::string> clipped = ClippedLanPath(parcel);
                if (!clipped) continue;
                steps.push_back({*clipped,
                                 i < plan.statistics.size() ? plan.statistics[i] : std::string(),
                                 GridOutputPath(parcel, v, u), v, u});
            }
        }
    }
    return steps;
}

void RunGridSteps(const std::vector<GridStep>& steps, MessageSink& sink,
                  const std::function<void(const GridStep&)>& beforeStep,
                  const GridRunOptions& options) {
    const std::vector<double> vs = SortedValues(steps, &GridStep::v);
    const std::vector<double> us = SortedValues(steps, &GridStep::u);
    const bool fast = options.fast && vs.size() < kNever && us.size() < kNever;
    std::map<std::pair<std::string, std::string>, PreparedImage> prepared;
    for (const GridStep& step : steps) {
        beforeStep(step);
        if (!fast) {
            ClassifyMaximumLikelihood(step.input, step.stats, step.output, step.v, step.u, sink,
                                      ClassifyOptions{options.threads, 0});
            continue;
        }
        auto key = std::make_pair(step.input, step.stats);
        auto it = prepared.find(key);
        if (it == prepared.end())
            it = prepared.emplace(key, Prepare(step, vs, us, options.threads)).first;
        PreparedImage& p = it->second;
        if (p.failure) {
            sink.ShowMessage(p.failure);
            continue;
        }
        auto vi = static_cast<std::uint16_t>(std::lower_bound(vs.begin(), vs.end(), step.v) - vs.begin());
        auto ui = static_cast<std::uint16_t>(std::lower_bound(us.begin(), us.end(), step.u) - us.begin());
        WriteFlagged(p, vi, ui, step.output, sink);
    }
}

}  // namespace rice
