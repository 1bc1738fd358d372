#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/core/files.h"
#include "platform/testing/temp_folder.h"
#include "texture/lib/fractal_lib.h"
#include "test_util.h"

using namespace rice;
using texture_test::ReadText;
using rice::testing::TempFolder;

namespace {

// The triangular-prism estimate of one window, all in double precision.
void ReferenceFractal(const std::vector<double>& z, unsigned n, double& r2, double& D) {
    std::vector<double> xs, ys;
    for (unsigned p = 1; p < n; p *= 2) {
        double h = p * std::sqrt(2.0) / 2, area = 0;
        for (unsigned q = 0; q + p < n; q += p)
            for (unsigned r = 0; r + p < n; r += p) {
                double a = z[q + r * n], b = z[q + (r + p) * n], c = z[q + p + (r + p) * n], d = z[q + p + r * n];
                double e = (a + b + c + d) / 4;
                auto len = [](double u, double v) { return std::sqrt(u * u + v * v); };
                auto heron = [](double x, double y, double w) {
                    double s = (x + y + w) / 2;
                    return std::sqrt(std::fabs(s * (s - x) * (s - y) * (s - w)));
                };
                double ab = len(a - b, p), bc = len(b - c, p), cd = len(c - d, p), ad = len(a - d, p);
                double ae = len(a - e, h), be = len(b - e, h), ce = len(c - e, h), de = len(d - e, h);
                area += heron(ab, be, ae) + heron(bc, ce, be) + heron(cd, de, ce) + heron(ad, ae, de);
            }
        xs.push_back(std::log(double(p) * p));
        ys.push_back(std::log(area));
    }
    double mx = 0, my = 0;
    for (size_t i = 0; i < xs.size(); ++i) {
        mx += xs[i] / xs.size();
        my += ys[i] / ys.size();
    }
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < xs.size(); ++i) {
        sxy += (xs[i] - mx) * (ys[i] - my);
        sxx += (xs[i] - mx) * (xs[i] - mx);
        syy += (ys[i] - my) * (ys[i] - my);
    }
    double r = sxy / std::sqrt(sxx * syy);
    r2 = r * r;
    D = 2 - sxy / sxx;
}

void Fill(FRACTAL_MATRIX& m, unsigned n, const std::vector<unsigned>& cells) {
    m.resize(n, n);
    for (unsigned i = 0; i < n * n; ++i) m.at(i % n, i / n) = cells[i];
}

}  // namespace

TEST(Fractal, StepStructureOfAFlatWindow) {
    for (unsigned n : {5u, 9u, 17u}) {
        FRACTAL_MATRIX m;
        Fill(m, n, std::vector<unsigned>(n * n, 7));
        MW_MATRIX<unsigned int> w(m, n, n);
        std::vector<float> area, step2;
        prism_surface_area(m, w, area, step2);
        std::vector<float> steps;
        for (unsigned p = 1; p < n; p *= 2) steps.push_back(float(p * p));
        EXPECT_EQ(step2, steps) << n;
        for (float a : area) EXPECT_NEAR(a, float((n - 1) * (n - 1)), 1e-3 * n) << n;
    }
    // Window 5: steps 1, 2, 4 with 16, 4 and 1 cells; each cell of side p is p² on a flat surface.
    EXPECT_NEAR(prism_cell_area(3, 3, 3, 3, 4), 16.0f, 1e-4);
    EXPECT_NEAR(prism_cell_area(3, 3, 3, 3, 1), 1.0f, 1e-6);
}

// Flat and planar windows are decided on the grey values: a window of size 2^k + 1 whose
// values lie on a plane has the same area at every step and no slope to fit (D 2, r² 0, never
// NaN); any other window is fitted, however little it departs from the plane.
TEST(Fractal, OnlyExactlyPlanarWindowsGiveDimensionTwo) {
    struct Case {
        const char* name;
        unsigned n;
        unsigned (*z)(unsigned x, unsigned y);
        bool planar;
    };
    const Case cases[] = {
        {"flat 5", 5, [](unsigned, unsigned) { return 9u; }, true},
        {"flat 9", 9, [](unsigned, unsigned) { return 0u; }, true},
        {"flat 33", 33, [](unsigned, unsigned) { return 200u; }, true},
        {"plane 9", 9, [](unsigned x, unsigned y) { return 3 * x + 2 * y; }, true},
        {"plane 17", 17, [](unsigned x, unsigned y) { return x + 5 * y; }, true},
        {"falling plane 17", 17, [](unsigned x, unsigned y) { return 200 - 7 * x + y; }, true},
        {"plane 65", 65, [](unsigned x, unsigned y) { return 3 * x + 2 * y; }, true},
        {"plane 129", 129, [](unsigned x, unsigned y) { return x + y; }, true},
        {"flat 129, one cell +3", 129, [](unsigned x, unsigned y) { return x == 40 && y == 70 ? 103u : 100u; }, false},
        {"flat 129, one cell +6", 129, [](unsigned x, unsigned y) { return x == 64 && y == 64 ? 106u : 100u; }, false},
        {"flat 129, one cell +1", 129, [](unsigned x, unsigned y) { return x == 1 && y == 2 ? 1u : 0u; }, false},
        {"plane 129, one cell off", 129, [](unsigned x, unsigned y) { return x + y + (x == 9 && y == 9); }, false},
        {"flat 33, corner +1", 33, [](unsigned x, unsigned y) { return x == 32 && y == 32 ? 8u : 7u; }, false},
        {"flat 7 (steps tile unlike)", 7, [](unsigned, unsigned) { return 4u; }, false},
    };
    TempFolder folder("fractal");
    for (const auto& c : cases) {
        std::vector<unsigned> cells(c.n * c.n);
        for (unsigned i = 0; i < c.n * c.n; ++i) cells[i] = c.z(i % c.n, i / c.n);
        std::string out[2];
        float r2 = -1, D = -1;
        for (bool plain : {true, false}) {
            FRACTAL_MATRIX m;
            Fill(m, c.n, cells);
            m.set_format("");
            RecordingSink sink;
            ASSERT_TRUE(fractal_dimension(m, folder / "r.txt", folder / "d.txt", c.n, c.n, sink, {plain, 2}));
            out[plain] = ReadText(folder / "r.txt") + ReadText(folder / "d.txt");
            MATRIX<float> r_grid, d_grid;
            ASSERT_EQ(r_grid.read_file(folder / "r.txt", c.n, c.n, sink), 1);
            ASSERT_EQ(d_grid.read_file(folder / "d.txt", c.n, c.n, sink), 1);
            r2 = r_grid.at(c.n / 2, c.n / 2);
            D = d_grid.at(c.n / 2, c.n / 2);
        }
        EXPECT_EQ(out[0], out[1]) << c.name;
        EXPECT_TRUE(std::isfinite(r2) && std::isfinite(D)) << c.name;
        if (c.planar) {
            EXPECT_EQ(r2, 0.0f) << c.name;
            EXPECT_EQ(D, 2.0f) << c.name;
        } else {
            EXPECT_FALSE(r2 == 0.0f && D == 2.0f) << c.name << ": stored as flat";
        }
    }
    // Areas whose logarithms come out equal leave nothing to fit: never 0 / 0.
    std::vector<float> area = {64, 64, 64}, step2 = {1, 4, 16};
    float r2, D;
    fractal_regression(area, step2, r2, D);
    EXPECT_EQ(r2, 0.0f);
    EXPECT_EQ(D, 2.0f);
}

TEST(Fractal, FiveByFiveWindowsAgainstDoublePrecision) {
    const std::vector<std::vector<unsigned>> windows = {
        {0, 10, 20, 30, 40, 5, 9, 200, 3, 0, 255, 0, 255, 0, 255, 1, 2, 3, 4, 5, 90, 80, 70, 60, 50},
        {12, 14, 13, 15, 12, 11, 10, 16, 18, 17, 12, 12, 13, 14, 15, 20, 21, 19, 18, 17, 16, 15, 14, 13, 12},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    TempFolder folder("fractal");
    for (const auto& cells : windows) {
        double r2, D;
        ReferenceFractal(std::vector<double>(cells.begin(), cells.end()), 5, r2, D);
        for (bool plain : {true, false}) {
            FRACTAL_MATRIX m;
            Fill(m, 5, cells);
            m.set_format("");
            RecordingSink sink;
            ASSERT_TRUE(fractal_dimension(m, folder / "r.txt", folder / "d.txt", 5, 5, sink, {plain, 1}));
            MATRIX<float> r_grid, d_grid;
            ASSERT_EQ(r_grid.read_file(folder / "r.txt", 5, 5, sink), 1);
            ASSERT_EQ(d_grid.read_file(folder / "d.txt", 5, 5, sink), 1);
            // Single-precision Heron on needle-like triangles costs a few digits.
            EXPECT_NEAR(r_grid.at(2, 2), r2, 1e-3);
            EXPECT_NEAR(d_grid.at(2, 2), D, 1e-3);
            for (unsigned i = 0; i < 25; ++i)
                if (i != 12) {
                    EXPECT_EQ(r_grid.at(i % 5, i / 5), 0.0f);
                    EXPECT_EQ(d_grid.at(i % 5, i / 5), 0.0f);
                }
        }
    }
}

TEST(Fractal, WritesRSquaredFirstThenDimension) {
    TempFolder folder("fractal");
    FRACTAL_MATRIX m;
    Fill(m, 5, {0, 10, 20, 30, 40, 5, 9, 200, 3, 0, 255, 0, 255, 0, 255, 1, 2, 3, 4, 5, 90, 80, 70, 60, 50});
    m.set_decimal(3);
    RecordingSink sink;
    ASSERT_TRUE(fractal_dimension(m, folder / "r.txt", folder / "d.txt", 5, 5, sink));
    std::string r = ReadText(folder / "r.txt");
    EXPECT_EQ(r.substr(0, 32), "0.000 0.000 0.000 0.000 0.000 \r\n");
    // One name for both: the dimension grid is written last and stays.
    ASSERT_TRUE(fractal_dimension(m, folder / "same.txt", folder / "same.txt", 5, 5, sink));
    EXPECT_EQ(ReadText(folder / "same.txt"), ReadText(folder / "d.txt"));
    EXPECT_NE(r, ReadText(folder / "d.txt"));

    std::string bad = folder / "missing/r.txt";
    EXPECT_FALSE(fractal_dimension(m, bad, folder / "d2.txt", 5, 5, sink));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], "檔案不能開啟 : " + bad);
    EXPECT_FALSE(FileExists(folder / "d2.txt"));
}

TEST(Fractal, WindowBelowFiveStopsOnTheRegressionCheck) {
    FRACTAL_MATRIX m;
    Fill(m, 5, std::vector<unsigned>(25, 1));
    TempFolder folder("fractal");
    for (bool plain : {true, false}) {
        RecordingSink sink;
        std::string err = texture_test::StopsWith(
            [&] { fractal_dimension(m, folder / "r", folder / "d", 3, 3, sink, {plain, 1}); });
        EXPECT_EQ(err, "Assertion failed: area.size() >= 3, file fractal_lib, line 84\n");
    }
}

TEST(Fractal, FastPathMatchesThePlainLoop) {
    TempFolder folder("fractal");
    struct Case {
        unsigned w, h, window, levels, seed;
        unsigned (*z)(unsigned x, unsigned y);  // in place of random cells when given
    };
    // Flat and planar patches with a few raised cells: windows decided flat beside fitted ones.
    auto patches = [](unsigned x, unsigned y) -> unsigned {
        unsigned v = x < 20 ? 50 : y < 15 ? 2 * x + 3 * y : 300 - 4 * y;
        return v + ((x == 30 && y == 8) || (x == 5 && y == 30) ? 3 : 0);
    };
    const Case cases[] = {{21, 19, 5, 256, 1, nullptr}, {20, 18, 9, 256, 2, nullptr},
                          {19, 23, 17, 256, 3, nullptr}, {14, 14, 7, 4, 4, nullptr},
                          {40, 36, 9, 0, 5, patches},    {40, 36, 5, 0, 6, patches},
                          {40, 36, 17, 0, 7, patches},   {40, 36, 7, 0, 8, patches}};
    for (const auto& c : cases) {
        FRACTAL_MATRIX m;
        if (c.z) {
            m.resize(c.w, c.h);
            for (unsigned y = 0; y < c.h; ++y)
                for (unsigned x = 0; x < c.w; ++x) m.at(x, y) = c.z(x, y);
        } else {
            texture_test::FillRandom(m, c.w, c.h, c.levels, c.seed);
        }
        m.set_format("");
        std::string out[3];
        const TEXTURE_RUN_OPTIONS modes[3] = {{true, 1}, {false, 1}, {false, 4}};
        for (int k = 0; k < 3; ++k) {
            RecordingSink sink;
            ASSERT_TRUE(fractal_dimension(m, folder / "r.txt", folder / "d.txt", c.window, c.window, sink, modes[k]));
            out[k] = ReadText(folder / "r.txt") + ReadText(folder / "d.txt");
        }
        EXPECT_EQ(out[0], out[1]) << "seed " << c.seed;
        EXPECT_EQ(out[1], out[2]) << "seed " << c.seed;
    }
}
