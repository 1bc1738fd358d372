#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "workbench/engine/lan_image.h"
#include "workbench/engine/threshold_grid.h"
#include "workbench/tests/engine/test_util.h"

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

// Six classes over four bands, spread so that the flags change across the grid.
std::string GridStatistics() {
    std::string t = "6\r\n4\r\n";
    for (int k = 0; k < 6; ++k) {
        for (int b = 0; b < 4; ++b) t += std::to_string(60 + 15 * k + 4 * b) + "\r\n";
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) t += (r == c ? std::to_string(90 + 20 * k) : std::string("7.5")) + " ";
            t += "\r\n";
        }
    }
    return t;
}

class GridRunTest : public testing::TempFolderTest {
protected:
    // Runs the plan's steps; returns every message and every step seen, in order.
    std::vector<std::string> Run(const GridPlan& plan, bool fast, size_t stopAt = SIZE_MAX) {
        RecordingSink sink;
        std::vector<std::string> seen;
        std::vector<GridStep> steps = GridSteps(plan);
        GridHooks hooks{[&](const GridStep& s) { seen.push_back("step " + s.output); },
                        [&](const GridStep& s) { return &s != &steps[std::min(stopAt, steps.size() - 1)] || stopAt == SIZE_MAX; }};
        size_t stopped = RunGridSteps(steps, sink, hooks, {fast, fast ? 3 : 1});
        seen.push_back("stopped at " + std::to_string(stopped));
        for (auto& m : sink.messages) seen.push_back(m);
        return seen;
    }
};

TEST_F(GridRunTest, FastRunGivesThePlainRunsBytesAndMessages) {
    LanImage img = test::MakeImage(test::MakeHeader(4, 37, 23), [](int r, int b, int c) {
        if ((r * 37 + c) % 11 == 0) return 0;  // background
        return 50 + (r * 7 + c * 13 + b * 29) % 110;
    });
    ASSERT_TRUE(WriteLanImage(Path("a.lan"), img));
    ASSERT_TRUE(WriteLanImage(Path("c.lan"), img));
    ASSERT_TRUE(WriteFileAtomic(Path("stats.gsg"), GridStatistics()));
    ASSERT_TRUE(WriteFileAtomic(Path("bad.gsg"), "2 4 1 2"));
    // a: fine; b: no clipped image (every pair "錯誤類型0001"); c: unusable statistics;
    // a again: classified twice into the same names, as listed.
    GridPlan plan{{Path("a.shp"), Path("b.shp"), Path("c.shp"), Path("a.shp")},
                  {Path("stats.gsg"), Path("stats.gsg"), Path("bad.gsg"), Path("stats.gsg")},
                  0.2, 0.0, 9, 5};
    std::vector<std::string> plain = Run(plan, false);
    std::vector<std::string> plainFiles;
    std::vector<std::string> plainBytes;
    for (const GridStep& s : GridSteps(plan)) {
        plainFiles.push_back(s.output);
        plainBytes.push_back(test::ReadBytes(s.output));
    }
    for (const std::string& f : plainFiles) std::remove(f.c_str());
    std::vector<std::string> fast = Run(plan, true);
    EXPECT_EQ(fast, plain);
    size_t differing = 0;
    for (size_t i = 0; i < plainFiles.size(); ++i) {
        EXPECT_TRUE(test::ReadBytes(plainFiles[i]) == plainBytes[i]) << plainFiles[i];
        if (i > 0 && plainBytes[i] != plainBytes[0]) ++differing;
    }
    EXPECT_EQ(plainBytes[0].size(), 128u + 9 * 37 * 23);
    EXPECT_GT(differing, 20u);  // the thresholds do change the flags
    EXPECT_EQ(std::count(plain.begin(), plain.end(), "錯誤類型0001"), 45);
    EXPECT_EQ(std::count(plain.begin(), plain.end(), "錯誤類型0002"), 45);

    // Stopped before step 13: the same steps are written either way.
    for (const std::string& f : plainFiles) std::remove(f.c_str());
    std::vector<std::string> plainStop = Run(plan, false, 13);
    std::vector<std::string> onDisk;
    for (const std::string& f : plainFiles) onDisk.push_back(test::ReadBytes(f));
    for (const std::string& f : plainFiles) std::remove(f.c_str());
    EXPECT_EQ(Run(plan, true, 13), plainStop);
    EXPECT_NE(std::find(plainStop.begin(), plainStop.end(), "stopped at 13"), plainStop.end());
    for (size_t i = 0; i < plainFiles.size(); ++i)
        EXPECT_TRUE(test::ReadBytes(plainFiles[i]) == onDisk[i]) << plainFiles[i];
    EXPECT_FALSE(FileExists(plainFiles[16]));  // a.shp at the fifth pair
}

}  // namespace
}  // namespace rice
