#include "workbench/engine/threshold_grid.h"

#include "platform/core/paths.h"
#include "workbench/engine/clip.h"
#include "workbench/engine/text_fields.h"

namespace rice {

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

}  // namespace rice
