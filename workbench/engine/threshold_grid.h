#pragma once
// The threshold grid: both classification thresholds swept in steps of 0.05, one classified
// image per parcel file and threshold pair, written beside the parcel file.
#include <functional>
#include <string>
#include <vector>

#include "platform/core/message_sink.h"

namespace rice {

// Values from lo to hi in steps of 0.05: integer part of (10 hi - 10 lo) x 2 + 1.
int ThresholdGridCount(double lo, double hi);
// k x 0.05 + lo.
double ThresholdGridValue(double lo, int k);
// "_%1.2f_%1.2f" of the pair.
std::string ThresholdSuffix(double v, double u);
// The parcel path up to its last ".", the pair's suffix, ".lan".
std::string GridOutputPath(const std::string& parcelPath, double v, double u);

struct GridStep {
    std::string input;   // the parcel file's clipped image
    std::string stats;   // its merge-info path
    std::string output;  // GridOutputPath
    double v = 0;
    double u = 0;
};

struct GridPlan {
    std::vector<std::string> parcels;    // parcel shapefile paths, list order
    std::vector<std::string> statistics; // merge-info path of each parcel file
    double lo1 = 0, lo2 = 0;
    int p = 0, q = 0;  // grid sizes of the first and the second threshold
};

// Every step in run order: first threshold outermost, parcel files innermost. Parcel files
// whose path holds no lower-case "shp" have no clipped image of their own and are left out.
std::vector<GridStep> GridSteps(const GridPlan& plan);

struct GridRunOptions {
    // true: each clipped image is classified once and only the flag band is derived per
    // pair; false: the plain run, one full classification per step (the reference).
    bool fast = true;
    int threads = 0;  // 0: all cores
};

struct GridHooks {
    std::function<void(const GridStep&)> record;  // before each step
    std::function<bool(const GridStep&)> canRun;  // false: the run stops before this step
};

// Classifies the steps in order, with the classifier's messages in the order one
// classification per step would show them. Returns the index of the step at which canRun
// stopped the run (every earlier step is then written), or steps.size(). The fast path admits
// the steps first, classifies each image once, then writes the outputs in parallel, each in
// one piece; what is on disk when it returns is the same.
std::size_t RunGridSteps(const std::vector<GridStep>& steps, MessageSink& sink,
                         const GridHooks& hooks, const GridRunOptions& options = {});

}  // namespace rice
