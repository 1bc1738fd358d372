#include "workbench/engine/threshold_grid.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

#include "platform/core/files.h"
#include "platform/core/large_buffer.h"
#include "platform/core/parallel.h"
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
    bool outputFails = false;       // no output of it can be written: each step names its own
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
    if (!LanHeaderIsReadable(out)) return p.outputFails = true, p;
    p.header = EncodeLanHeader(out);
    p.icols = static_cast<std::size_t>(out.icols);
    p.irows = static_cast<std::size_t>(out.irows);
    p.nine.assign(p.irows * 9 * p.icols, 0);
    p.firstV.assign(p.irows * p.icols, kNever);
    p.firstU.assign(p.irows * p.icols, kNever);

    // No columns: nothing to classify, and no buffer to write into.
    ParallelFor(p.icols == 0 ? 0 : p.irows, static_cast<unsigned>(std::max(threads, 0)), [&]() -> std::function<void(std::size_t)> {
        auto lc = std::make_shared<LineClassification>();
        return [&, lc](std::size_t r) {
            std::uint8_t* line = p.nine.data() + r * 9 * p.icols;
            ClassifyLineInto(*model, image->lines[r].data(), static_cast<int>(p.icols), line, *lc);
            for (std::size_t c = 0; c < p.icols; ++c) {
                if (line[c] == 0) continue;  // background: flag 0 at every pair
                double diff = lc->pRice[c] - lc->pNonrice[c];
                if (diff < 0) diff = -diff;
                const std::size_t at = r * p.icols + c;
                p.firstV[at] = static_cast<std::uint16_t>(
                    std::upper_bound(vs.begin(), vs.end(), lc->pBest[c]) - vs.begin());
                p.firstU[at] = static_cast<std::uint16_t>(
                    std::upper_bound(us.begin(), us.end(), diff) - us.begin());
            }
        };
    });
    return p;
}

// A whole output file in memory, reused from step to step: bands 1 to 8 are copied in once
// per image, and only the flag rows are rewritten for each pair. In large pages, as each
// thread has one.
struct OutputBuffer {
    const PreparedImage* image = nullptr;
    LargeBuffer bytes;
};

// One output of a prepared image, written in one piece.
void WriteFlagged(const PreparedImage& p, std::uint16_t vi, std::uint16_t ui,
                  const std::string& path, OutputBuffer& buffer, MessageSink& sink) {
    if (buffer.image != &p) {
        if (buffer.bytes.size() != p.header.size() + p.nine.size())
            buffer.bytes = LargeBuffer(p.header.size() + p.nine.size());
        std::memcpy(buffer.bytes.data(), p.header.data(), p.header.size());
        if (!p.nine.empty()) std::memcpy(buffer.bytes.data() + p.header.size(), p.nine.data(), p.nine.size());
        buffer.image = &p;
    }
    // Without branches and with the sizes held locally (a byte store may alias anything), so
    // the loop runs in vectors.
    const std::size_t cols = p.icols, rows = p.irows;
    std::uint8_t* const cells = buffer.bytes.data() + p.header.size();
    for (std::size_t r = 0; r < rows; ++r) {
        std::uint8_t* flag = cells + (r * 9 + 8) * cols;
        const std::uint16_t* fv = p.firstV.data() + r * cols;
        const std::uint16_t* fu = p.firstU.data() + r * cols;
        for (std::size_t c = 0; c < cols; ++c) {
            const unsigned two = vi >= fv[c], one = ui >= fu[c];
            flag[c] = static_cast<std::uint8_t>((two << 1) | (one & ~two));
        }
    }
    StreamingFileWriter file;
    if (!file.Open(path)) {
        sink.ShowMessage(OutputFailedMessage(path));
        return;
    }
    file.Write(buffer.bytes.data(), buffer.bytes.size());
    if (!file.Commit()) sink.ShowMessage(OutputFailedMessage(path));
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
    // Admit the steps in order, as the plain run would before each, up to a refusal; the
    // images are classified when first met.
    std::size_t admitted = 0;
    while (admitted < steps.size() && admit(admitted)) ++admitted;
    std::map<std::pair<std::string, std::string>, PreparedImage> prepared;
    std::vector<const PreparedImage*> images(admitted);
    for (std::size_t i = 0; i < admitted; ++i) {
        auto key = std::make_pair(steps[i].input, steps[i].stats);
        auto it = prepared.find(key);
        if (it == prepared.end()) it = prepared.emplace(key, Prepare(steps[i], vs, us, options.threads)).first;
        images[i] = &it->second;
    }
    // Every output written in one piece, several at a time; the messages are shown afterwards
    // in step order.
    std::vector<RecordingSink> said(admitted);
    ParallelFor(admitted, static_cast<unsigned>(std::max(options.threads, 0)),
                [&]() -> std::function<void(std::size_t)> {
                    auto buffer = std::make_shared<OutputBuffer>();
                    return [&, buffer](std::size_t i) {
                        const GridStep& s = steps[i];
                        const PreparedImage& p = *images[i];
                        if (p.failure || p.outputFails) {
                            said[i].ShowMessage(p.outputFails ? OutputFailedMessage(s.output) : p.failure);
                            return;
                        }
                        auto vi = static_cast<std::uint16_t>(std::lower_bound(vs.begin(), vs.end(), s.v) - vs.begin());
                        auto ui = static_cast<std::uint16_t>(std::lower_bound(us.begin(), us.end(), s.u) - us.begin());
                        WriteFlagged(p, vi, ui, s.output, *buffer, said[i]);
                    };
                });
    for (RecordingSink& r : said)
        for (const std::string& m : r.messages) sink.ShowMessage(m);
    if (admitted < steps.size()) return admitted;
    return steps.size();
}

}  // namespace rice
