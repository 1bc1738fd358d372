#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "workbench/engine/threshold_grid.h"

namespace rice {
namespace {

TEST(ThresholdGrid, SizesForEveryComboPair) {
    // The combos offer 0.1 ... 1.0; each accepted pair gives (hi - lo) / 0.05 + 1 values.
    const char* items[] = {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1.0"};
    for (int a = 0; a < 10; ++a) {
        for (int b = a; b < 10; ++b) {
            double lo = std::stod(items[a]), hi = std::stod(items[b]);
            EXPECT_EQ(ThresholdGridCount(lo, hi), (b - a) * 2 + 1) << items[a] << " " << items[b];
        }
    }
}

TEST(ThresholdGrid, NamesAndValues) {
    struct Case { double lo1, hi1, lo2, hi2; int count; const char* first; const char* last; };
    const Case cases[] = {
        {0.1, 0.1, 0.1, 0.1, 1, "/m/s12_0.10_0.10.lan", "/m/s12_0.10_0.10.lan"},
        {0.1, 1.0, 0.1, 0.1, 19, "/m/s12_0.10_0.10.lan", "/m/s12_1.00_0.10.lan"},
        {0.3, 0.7, 0.3, 0.7, 81, "/m/s12_0.30_0.30.lan", "/m/s12_0.70_0.70.lan"},
        {0.1, 1.0, 0.1, 1.0, 361, "/m/s12_0.10_0.10.lan", "/m/s12_1.00_1.00.lan"},
    };
    for (const auto& c : cases) {
        GridPlan plan{{"/m/s12.shp"}, {"/cls/infos12_Merge.gsg"}, c.lo1, c.lo2,
                      ThresholdGridCount(c.lo1, c.hi1), ThresholdGridCount(c.lo2, c.hi2)};
        std::vector<GridStep> steps = GridSteps(plan);
        ASSERT_EQ(static_cast<int>(steps.size()), c.count);
        EXPECT_EQ(steps.front().output, c.first);
        EXPECT_EQ(steps.back().output, c.last);
        EXPECT_EQ(steps.front().input, "/m/s12.lan");
        EXPECT_EQ(steps.front().stats, "/cls/infos12_Merge.gsg");
    }
    std::vector<std::string> names;
    for (int k = 0; k < 19; ++k) names.push_back(ThresholdSuffix(ThresholdGridValue(0.1, k), 0));
    EXPECT_EQ(names[1], "_0.15_0.00");
    EXPECT_EQ(names[9], "_0.55_0.00");
    EXPECT_EQ(names[18], "_1.00_0.00");
    EXPECT_EQ(GridOutputPath("E:/maps/s12.shp", 0.15, 0.30), "E:/maps/s12_0.15_0.30.lan");
}

TEST(ThresholdGrid, OrderForTwoParcelFiles) {
    GridPlan plan{{"/a/shp/x.shp", "/b/y.shp", "/c/Z.SHP"}, {"/i/infox_Merge.gsg", "/i/infoy_Merge.gsg", "/i/infoZ_Merge.gsg"},
                  0.3, 0.3, 2, 2};
    std::vector<std::string> got;
    for (const GridStep& s : GridSteps(plan)) got.push_back(s.input + " > " + s.output);
    // Z.SHP has no clipped image of its own: it is left out of the whole grid.
    EXPECT_EQ(got, (std::vector<std::string>{
                       "/a/lan/x.lan > /a/shp/x_0.30_0.30.lan", "/b/y.lan > /b/y_0.30_0.30.lan",
                       "/a/lan/x.lan > /a/shp/x_0.30_0.35.lan", "/b/y.lan > /b/y_0.30_0.35.lan",
                       "/a/lan/x.lan > /a/shp/x_0.35_0.30.lan", "/b/y.lan > /b/y_0.35_0.30.lan",
                       "/a/lan/x.lan > /a/shp/x_0.35_0.35.lan", "/b/y.lan > /b/y_0.35_0.35.lan"}));
}

}  // namespace
}  // namespace rice
