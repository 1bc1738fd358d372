#include "workbench/engine/threshold_grid.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
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

int ThreadCount(int asked) {
    return asked > 0 ? asked : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

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
    std::optional<std::string> text = ReadWholeFile(step.stats, kMaxStatisticsTextBytes);
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
    int n = ThreadCount(threads);
    n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), std::max<std::size_t>(p.irows, 1)));
    if (p.icols == 0) {
        // No cells: nothing to classify, and no buffer to copy into.
    } else if (n <= 1) {
        worker();
    } else {
        std::vector<std::thread> pool;
        for (int t = 0; t < n; ++t) pool.emplace_back(worker);
        for (auto& t : pool) t.join();
    }
    return p;
}

// One output of a prepared image; `buffer` is the caller's (one per thread).
void WriteFlagged(const PreparedImage& p, std::uint16_t vi, std::uint16_t ui,
                  const std::string& path, std::vector<std::uint8_t>& buffer, MessageSink& sink) {
    buffer.resize(p.header.size() + p.nine.size());
    std::memcpy(buffer.data(), p.header.data(), p.header.size());
    if (!p.nine.empty()) std::memcpy(buffer.data() + p.header.size(), p.nine.data(), p.nine.size());
    for (std::size_t r = 0; r < p.irows; ++r) {
        std::uint8_t* flag = buffer.data() + p.header.size() + (r * 9 + 8) * p.icols;
        const std::uint16_t* fv = p.firstV.data() + r * p.icols;
        const std::uint16_t* fu = p.firstU.data() + r * p.icols;
        for (std::size_t c = 0; c < p.icols; ++c) flag[c] = vi >= fv[c] ? 2 : ui >= fu[c] ? 1 : 0;
    }
    StreamingFileWriter file;
    if (!file.Open(path)) {
        sink.ShowMessage("錯誤類型0003");
        return;
    }
    file.Write(buffer.data(), buffer.size());
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
    std::string s = "_";
    s += FixedText(v, 2);
    s += '_';
    s += FixedText(u, 2);
    return s;
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

std::size_t RunGridSteps(const std::vector<GridStep>& steps, MessageSink& sink,
                         const GridHooks& hooks, const GridRunOptions& options) {
    const std::vector<double> vs = SortedValues(steps, &GridStep::v);
    const std::vector<double> us = SortedValues(steps, &GridStep::u);
    auto admit = [&](std::size_t i) {
        if (hooks.record) hooks.record(steps[i]);
        return !hooks.canRun || hooks.canRun(steps[i]);
    };
    if (!options.fast || vs.size() >= kNever || us.size() >= kNever) {
        for (std::size_t i = 0; i < steps.size(); ++i) {
            if (!admit(i)) return i;
            const GridStep& s = steps[i];
            ClassifyMaximumLikelihood(s.input, s.stats, s.output, s.v, s.u, sink,
                                      ClassifyOptions{options.threads, 0});
        }
        return steps.size();
    }
    const int threads = ThreadCount(options.threads);
    const std::size_t batch = static_cast<std::size_t>(threads) * 2;
    std::map<std::pair<std::string, std::string>, PreparedImage> prepared;
    std::vector<const PreparedImage*> images(steps.size());
    std::vector<std::vector<std::uint8_t>> buffers(static_cast<std::size_t>(threads));
    for (std::size_t first = 0; first < steps.size();) {
        // Admit a batch in order; the images are classified when first met.
        std::size_t end = first;
        bool stopped = false;
        while (end < steps.size() && end - first < batch) {
            if (!admit(end)) {
                stopped = true;
                break;
            }
            auto key = std::make_pair(steps[end].input, steps[end].stats);
            auto it = prepared.find(key);
            if (it == prepared.end())
                it = prepared.emplace(key, Prepare(steps[end], vs, us, options.threads)).first;
            images[end] = &it->second;
            ++end;
        }
        // Write the batch in parallel; its messages are shown afterwards in step order.
        std::vector<RecordingSink> said(end - first);
        std::atomic<std::size_t> next{first};
        auto worker = [&](std::vector<std::uint8_t>& buffer) {
            for (std::size_t i; (i = next.fetch_add(1)) < end;) {
                const GridStep& s = steps[i];
                const PreparedImage& p = *images[i];
                RecordingSink& out = said[i - first];
                if (p.failure) {
                    out.ShowMessage(p.failure);
                    continue;
                }
                auto vi = static_cast<std::uint16_t>(std::lower_bound(vs.begin(), vs.end(), s.v) - vs.begin());
                auto ui = static_cast<std::uint16_t>(std::lower_bound(us.begin(), us.end(), s.u) - us.begin());
                WriteFlagged(p, vi, ui, s.output, buffer, out);
            }
        };
        const std::size_t n = std::min<std::size_t>(buffers.size(), end - first);
        if (n <= 1) {
            worker(buffers[0]);
        } else {
            std::vector<std::thread> pool;
            for (std::size_t t = 0; t < n; ++t) pool.emplace_back(worker, std::ref(buffers[t]));
            for (auto& t : pool) t.join();
        }
        for (RecordingSink& r : said)
            for (const std::string& m : r.messages) sink.ShowMessage(m);
        if (stopped) return end;
        first = end;
    }
    return steps.size();
}

}  // namespace rice
