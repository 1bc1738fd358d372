#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>

#include "platform/core/files.h"
#include "workbench/engine/classifier.h"
#include "workbench/tests/engine/test_util.h"

namespace rice {
namespace {

using test::MakeHeader;
using test::MakeImage;
using test::ReadBytes;

// Plain cofactor expansion with a fresh minor per term.
double NaiveDeterminant(const Matrix& a, int n) {
    if (n <= 0) return 0;
    if (n == 1) return a[0][0];
    if (n == 2) return a[1][1] * a[0][0] - a[0][1] * a[1][0];
    double det = 0;
    for (int i = 0; i < n; ++i) {
        Matrix minor(n - 1, std::vector<double>(n - 1));
        for (int r = 1; r < n; ++r)
            for (int c = 0, mc = 0; c < n; ++c)
                if (c != i) minor[r - 1][mc++] = a[r][c];
        det += std::pow(-1.0, i + 2) * a[0][i] * NaiveDeterminant(minor, n - 1);
    }
    return det;
}

TEST(Matrix, DeterminantByCofactors) {
    EXPECT_EQ(MatrixDeterminant({{3}}, 1), 3);
    EXPECT_EQ(MatrixDeterminant({{1, 2}, {3, 4}}, 2), -2);
    Matrix m3 = {{6, 1, 1}, {4, -2, 5}, {2, 8, 7}};
    EXPECT_EQ(MatrixDeterminant(m3, 3), -306);
    EXPECT_EQ(m3, (Matrix{{6, 1, 1}, {4, -2, 5}, {2, 8, 7}}));
    EXPECT_EQ(MatrixDeterminant({{1, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 3, 0}, {0, 0, 0, 4}}, 4), 24);
    EXPECT_EQ(MatrixDeterminant({}, 0), 0);
    // Leading block only, and the very same rounding as expanding every minor anew.
    std::uint32_t seed = 12345;
    for (int n = 3; n <= 7; ++n) {
        Matrix a(n + 1, std::vector<double>(n + 1));
        for (auto& row : a)
            for (double& v : row) {
                seed = seed * 1664525u + 1013904223u;
                v = static_cast<double>(seed >> 8) / 16777216.0 * 200.0 - 100.0;
            }
        double fast = MatrixDeterminant(a, n), naive = NaiveDeterminant(a, n);
        EXPECT_EQ(std::memcmp(&fast, &naive, sizeof fast), 0) << n << ": " << fast << " " << naive;
    }
}

TEST(Matrix, InverseByGaussJordanWithoutRowExchanges) {
    auto inv = MatrixInverse({{4, 7}, {2, 6}}, 2);
    ASSERT_TRUE(inv);
    const double want[2][2] = {{0.6, -0.7}, {-0.2, 0.4}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) EXPECT_NEAR((*inv)[i][j], want[i][j], 1e-15);
    Matrix a = {{6, 1, 1}, {4, -2, 5}, {2, 8, 7}};
    auto ai = MatrixInverse(a, 3);
    ASSERT_TRUE(ai);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k) s += a[i][k] * (*ai)[k][j];
            EXPECT_NEAR(s, i == j ? 1 : 0, 1e-14);
        }
    EXPECT_EQ(MatrixInverse({{2}}, 1), (Matrix{{0.5}}));
    EXPECT_FALSE(MatrixInverse({{0, 1}, {1, 0}}, 2));  // invertible, but the first pivot is 0
    EXPECT_FALSE(MatrixInverse({{1, 2}, {2, 4}}, 2));  // singular
}

TEST(ClassifierExp, CloseToExpAndExactWhereItMatters) {
    EXPECT_EQ(ClassifierExp(0.0), 1.0);
    EXPECT_EQ(ClassifierExp(-746.5), 0.0);
    EXPECT_EQ(ClassifierExp(-1e300), 0.0);
    EXPECT_TRUE(std::isnan(ClassifierExp(std::numeric_limits<double>::quiet_NaN())));
    for (double x = -745.0; x <= 0; x += 0.37) {
        double want = std::exp(x), got = ClassifierExp(x);
        if (want < std::numeric_limits<double>::min()) {
            EXPECT_NEAR(got, want, 2 * std::numeric_limits<double>::denorm_min()) << x;
        } else {
            EXPECT_NEAR(got, want, 4e-16 * want) << x;
        }
    }
}

struct Cls {
    std::vector<double> mean;
    std::vector<std::vector<double>> cov;
};

std::string StatsText(const std::vector<Cls>& classes) {
    std::ostringstream t;
    t << classes.size() << "\r\n" << classes[0].mean.size() << "\r\n";
    for (const auto& c : classes) {
        for (double m : c.mean) t << m << " \r\n";
        for (const auto& row : c.cov) {
            for (double v : row) t << v << " ";
            t << "\r\n";
        }
    }
    return t.str();
}

std::vector<Cls> OneBand(std::initializer_list<std::pair<double, double>> meanVar) {
    std::vector<Cls> out;
    for (auto [m, v] : meanVar) out.push_back({{m}, {{v}}});
    return out;
}

// The kernels this machine runs; each must give the reference's bytes.
const std::vector<ClassifierKernel> kKernels = [] {
    std::vector<ClassifierKernel> out;
    for (auto k : {ClassifierKernel::kPortable, ClassifierKernel::kAvx2, ClassifierKernel::kAvx512})
        if (ClassifierKernelAvailable(k)) out.push_back(k);
    return out;
}();

class ClassifyTest : public testing::TempFolderTest {
protected:
    // A one-band, one-line image of the given cells.
    std::string OneLine(const std::vector<int>& cells, int nbands = 1) {
        LanHeader h = MakeHeader(nbands, static_cast<int>(cells.size()), 1, 500, 900, 10, 10);
        h.reserved32[0] = 0x77;
        LanImage img = MakeImage(h, [&](int, int b, int c) { return b == 0 ? cells[c] : 200 + c; });
        std::string path = Path("in" + std::to_string(n_++) + ".lan");
        EXPECT_TRUE(WriteLanImage(path, img));
        return path;
    }
    std::string Stats(const std::string& text) {
        std::string path = Path("stats" + std::to_string(n_++) + ".txt");
        EXPECT_TRUE(WriteFileAtomic(path, text));
        return path;
    }
    int n_ = 0;
};

TEST_F(ClassifyTest, OneBandTable) {
    using Bytes = std::vector<int>;
    struct Case {
        const char* what;
        std::vector<Cls> stats;
        int cell;
        double v, u;
        Bytes want;  // the nine bands
    };
    const auto A = OneBand({{50, 100}, {150, 100}});
    const auto B = OneBand({{50, 1}, {150, 1}, {250, 1}});      // odd K: one rice class
    const auto C = OneBand({{100, 100}, {100, 100}, {100, 100}, {100, 100}});
    const Case cases[] = {
        {"background", A, 0, 0.6, 0.5, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"at a mean", A, 50, 0.6, 0.5, {1, 255, 2, 0, 2, 0, 255, 0, 0}},
        {"truncated, not rounded", A, 75, 0.6, 0.5, {1, 254, 2, 0, 2, 0, 254, 0, 0}},
        {"exact tie of two", A, 100, 0.6, 0.5, {2, 127, 1, 127, 2, 0, 127, 127, 2}},
        {"tie below v is 2 before u", A, 100, 0.6, 0.9, {2, 127, 1, 127, 2, 0, 127, 127, 2}},
        {"tie at v, inside u", A, 100, 0.5, 0.5, {2, 127, 1, 127, 2, 0, 127, 127, 1}},
        {"runner-up barely there", A, 150, 0.6, 0.5, {2, 255, 1, 0, 2, 0, 0, 255, 0}},
        {"others underflow: K second and third", B, 150, 0.5, 0.5, {2, 255, 3, 0, 3, 0, 0, 255, 0}},
        {"last class alone", B, 250, 0.5, 0.5, {3, 255, 3, 0, 3, 0, 0, 255, 0}},
        {"rice class alone", B, 50, 0.5, 0.5, {1, 255, 3, 0, 3, 0, 255, 0, 0}},
        {"four-way tie", C, 100, 0.25, 0, {4, 63, 3, 63, 2, 63, 63, 63, 0}},
        {"four-way tie just below v", C, 100, 0.2500001, 0, {4, 63, 3, 63, 2, 63, 63, 63, 2}},
        {"four-way tie, u above the difference", C, 100, 0.25, 1e-9, {4, 63, 3, 63, 2, 63, 63, 63, 1}},
        {"preview thresholds", A, 100, 0, 0, {2, 127, 1, 127, 2, 0, 127, 127, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string in = OneLine({c.cell});
        std::string stats = Stats(StatsText(c.stats));
        for (int path = 0; path <= static_cast<int>(kKernels.size()); ++path) {
            RecordingSink sink;
            std::string out = Path("out.lan");
            ClassifyOptions opt;
            if (path > 0) opt.kernel = kKernels[path - 1];
            int count = path == 0 ? ClassifyMaximumLikelihoodReference(in, stats, out, c.v, c.u, sink)
                                  : ClassifyMaximumLikelihood(in, stats, out, c.v, c.u, sink, opt);
            EXPECT_TRUE(sink.messages.empty());
            EXPECT_EQ(count, c.cell == 0 ? 0 : 1);
            std::string bytes = ReadBytes(out);
            ASSERT_EQ(bytes.size(), 128u + 9);
            Bytes got;
            for (int b = 0; b < 9; ++b) got.push_back(static_cast<std::uint8_t>(bytes[128 + b]));
            EXPECT_EQ(got, c.want) << (path == 0 ? "reference" : "kernel " + std::to_string(path));
            // The header is the input's with only the band count changed.
            std::string inBytes = ReadBytes(in);
            std::string header = inBytes.substr(0, 128);
            header[8] = 9;
            EXPECT_EQ(bytes.substr(0, 128), header);
        }
    }
}

TEST_F(ClassifyTest, FlagBoundariesAtTheComputedProbabilities) {
    auto model = PrepareClassifier(*ReadClassStatistics(StatsText(OneBand({{50, 100}, {150, 100}}))), 1);
    ASSERT_TRUE(model);
    const std::uint8_t cell[] = {80};
    LineClassification line;
    ClassifyLine(*model, cell, 1, line);
    const double pb = line.pBest[0], diff = std::fabs(line.pRice[0] - line.pNonrice[0]);
    ASSERT_GT(pb, 0.5);
    ASSERT_LT(pb, 1.0);
    struct Case { double v, u; int flag; };
    const Case cases[] = {
        {pb, 0, 0},                       // p equal to v is not flagged
        {std::nextafter(pb, 1.0), 0, 2},
        {0, diff, 0},                     // a difference equal to u is not flagged
        {0, std::nextafter(diff, 1.0), 1},
        {std::nextafter(pb, 1.0), 1, 2},  // 2 is tested first
    };
    std::string in = OneLine({80});
    std::string stats = Stats(StatsText(OneBand({{50, 100}, {150, 100}})));
    for (const auto& c : cases) {
        EXPECT_EQ(ThresholdFlag(line.pBest[0], line.pRice[0], line.pNonrice[0], c.v, c.u), c.flag);
        RecordingSink sink;
        ASSERT_EQ(ClassifyMaximumLikelihoodReference(in, stats, Path("o.lan"), c.v, c.u, sink), 1);
        EXPECT_EQ(ReadBytes(Path("o.lan"))[128 + 8], c.flag) << c.v << " " << c.u;
    }
}

TEST_F(ClassifyTest, UsesTheSmallerBandCount) {
    const std::vector<int> cells = {0, 40, 90, 130, 255};
    // Extra image bands are skipped (and do not make band 1's zero cells classified).
    std::string one = OneLine(cells, 1), three = OneLine(cells, 3);
    std::string stats1 = Stats(StatsText(OneBand({{50, 100}, {150, 100}})));
    RecordingSink sink;
    EXPECT_EQ(ClassifyMaximumLikelihood(one, stats1, Path("one.lan"), 0.5, 0.2, sink), 4);
    EXPECT_EQ(ClassifyMaximumLikelihood(three, stats1, Path("three.lan"), 0.5, 0.2, sink), 4);
    EXPECT_EQ(ReadBytes(Path("one.lan")), ReadBytes(Path("three.lan")));
    // Statistics with more bands use their leading means and covariance entries only; the
    // full 3 x 3 blocks here are singular.
    std::vector<Cls> wide = {
        {{50, 1, 2}, {{100, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
        {{150, 3, 4}, {{100, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
    };
    EXPECT_EQ(ClassifyMaximumLikelihood(one, Stats(StatsText(wide)), Path("wide.lan"), 0.5, 0.2, sink), 4);
    EXPECT_EQ(ReadBytes(Path("wide.lan")), ReadBytes(Path("one.lan")));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ClassifyTest, RefusedInputsShowTheirCodeAndWriteNothing) {
    const std::string good = "2 1 50 100 150 100";
    struct Case { const char* what; std::string stats; };
    const Case statsCases[] = {
        {"empty", ""},
        {"no class", "0 1"},
        {"too many classes", "256 1 " + good.substr(4)},
        {"negative classes", "-2 1 50 100 150 100"},
        {"no band", "2 0 50 100 150 100"},
        {"counts not integers", "2.5 1 50 100 150 100"},
        {"counts not numbers", "two 1 50 100 150 100"},
        {"ends early", "2 1 50 100 150"},
        {"counts far beyond the text", "255 2000000000 1 2 3"},
        {"not a number", "2 1 50 100 150 abc"},
        {"half a number", "2 1 50 100 150 100x"},
        {"not finite", "2 1 50 nan 150 100"},
        {"infinite", "2 1 50 inf 150 100"},
        {"overflowing number", "2 1 50 1e999 150 100"},
        {"singular block", "2 1 50 0 150 100"},
        {"zero pivot", "2 2 50 50 0 1 1 0 150 150 100 0 0 100"},
    };
    std::string in = OneLine({60, 140});
    for (const auto& c : statsCases) {
        RecordingSink sink;
        EXPECT_EQ(ClassifyMaximumLikelihood(in, Stats(c.stats), Path("o.lan"), 0.5, 0.5, sink), 0) << c.what;
        EXPECT_EQ(sink.messages, std::vector<std::string>{"錯誤類型0002"}) << c.what;
        EXPECT_FALSE(FileExists(Path("o.lan"))) << c.what;
    }
    std::string stats = Stats(good);
    LanHeaderBytes bad = EncodeLanHeader(MakeHeader(0, 2, 1));
    ASSERT_TRUE(WriteFileAtomic(Path("bad.lan"), std::string(bad.begin(), bad.end()) + "ab"));
    struct FileCase { const char* what; std::string in, stats, out, message; };
    const FileCase fileCases[] = {
        {"missing input", Path("none.lan"), stats, Path("o.lan"), "錯誤類型0001"},
        {"unreadable header", Path("bad.lan"), stats, Path("o.lan"), "錯誤類型0001"},
        {"missing statistics", in, Path("none.txt"), Path("o.lan"), "錯誤類型0002"},
        {"missing output folder", in, stats, Path("no/o.lan"), "錯誤類型0003" + Path("no/o.lan")},
    };
    for (const auto& c : fileCases) {
        RecordingSink sink;
        EXPECT_EQ(ClassifyMaximumLikelihood(c.in, c.stats, c.out, 0.5, 0.5, sink), 0) << c.what;
        EXPECT_EQ(sink.messages, std::vector<std::string>{c.message}) << c.what;
        EXPECT_FALSE(FileExists(c.out)) << c.what;
    }
    // Numbers after the last class are ignored; a short image classifies as background.
    RecordingSink sink;
    EXPECT_EQ(ClassifyMaximumLikelihood(in, Stats(good + " 7 8 9"), Path("o.lan"), 0.5, 0.5, sink), 2);
    LanHeaderBytes tall = EncodeLanHeader(MakeHeader(1, 2, 3));
    ASSERT_TRUE(WriteFileAtomic(Path("short.lan"), std::string(tall.begin(), tall.end()) + "\x3C\x8C\x3C"));
    EXPECT_EQ(ClassifyMaximumLikelihood(Path("short.lan"), stats, Path("s.lan"), 0.5, 0.5, sink), 3);
    EXPECT_EQ(ReadBytes(Path("s.lan")).size(), 128u + 3 * 9 * 2);
    EXPECT_TRUE(sink.messages.empty());
}

// Classes spread over the value range with varied, correlated covariances.
std::vector<Cls> ManyClasses(int K, int B, std::uint32_t seed) {
    std::vector<Cls> out;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 8) / 16777216.0;
    };
    for (int k = 0; k < K; ++k) {
        Cls c;
        c.cov.assign(B, std::vector<double>(B, 0));
        for (int b = 0; b < B; ++b) c.mean.push_back(20 + 200 * next());
        // Rows filled in place: GCC 12 at -O3 takes the delete of a copied temporary row for a
        // free of a pointer into the heap block (-Wfree-nonheap-object).
        std::vector<std::vector<double>> l(B);
        for (auto& row : l) row.assign(B, 0);
        for (int i = 0; i < B; ++i)
            for (int j = 0; j <= i; ++j) l[i][j] = i == j ? 2 + 12 * next() : 6 * next() - 3;
        for (int i = 0; i < B; ++i)
            for (int j = 0; j < B; ++j)
                for (int m = 0; m < B; ++m) c.cov[i][j] += l[i][m] * l[j][m];
        out.push_back(c);
    }
    return out;
}

TEST_F(ClassifyTest, ParallelBlocksAndManyThresholdsMatchTheReference) {
    struct Case { int bands, classes, cols, rows, threads; };
    const Case cases[] = {{4, 40, 333, 61, 4}, {7, 9, 130, 23, 3}, {2, 1, 50, 5, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bands);
        std::uint32_t seed = 99;
        auto rnd = [&] {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 16) % 256);
        };
        LanHeader h = MakeHeader(c.bands, c.cols, c.rows);
        // Smooth fields, some noise and a background corner.
        LanImage img = MakeImage(h, [&](int r, int b, int col) {
            if (r < 3 && col < 10) return 0;
            return (40 * b + r * 3 + col + rnd() % 24) % 256;
        });
        ASSERT_TRUE(WriteLanImage(Path("img.lan"), img));
        std::string stats = Stats(StatsText(ManyClasses(c.classes, c.bands, 7)));
        RecordingSink sink;
        int ref = ClassifyMaximumLikelihoodReference(Path("img.lan"), stats, Path("ref.lan"), 0.6, 0.3, sink);
        ClassifyOptions opt;
        opt.threads = c.threads;
        opt.linesPerBlock = 7;  // several blocks, the last one short
        int fast = ClassifyMaximumLikelihood(Path("img.lan"), stats, Path("fast.lan"), 0.6, 0.3, sink, opt);
        EXPECT_EQ(ref, c.cols * c.rows - 30);
        EXPECT_EQ(fast, ref);
        EXPECT_EQ(ReadBytes(Path("fast.lan")), ReadBytes(Path("ref.lan")));

        std::vector<ThresholdOutput> outs = {{Path("m0.lan"), 0.6, 0.3}, {Path("m1.lan"), 0, 0},
                                             {Path("m2.lan"), 0.9, 0.05}};
        auto counts = ClassifyMaximumLikelihoodMany(Path("img.lan"), stats, outs, sink, opt);
        EXPECT_EQ(counts, std::vector<int>(3, ref));
        EXPECT_EQ(ReadBytes(Path("m0.lan")), ReadBytes(Path("ref.lan")));
        for (int i = 1; i < 3; ++i) {
            ClassifyMaximumLikelihoodReference(Path("img.lan"), stats, Path("single.lan"), outs[i].v, outs[i].u, sink);
            EXPECT_EQ(ReadBytes(outs[i].path), ReadBytes(Path("single.lan"))) << i;
        }
        EXPECT_TRUE(sink.messages.empty());
    }
}

// Class sets that reach every shortcut of the kernels and every case where they must give
// way: exact ties between identical classes, classes so far apart that every other
// probability underflows, fewer than three classes, an odd count, band counts without a
// kernel of their own, cells far from every class and discriminants that overflow.
TEST_F(ClassifyTest, EveryKernelGivesTheReferencesBytes) {
    auto twins = ManyClasses(20, 4, 5);
    for (int k = 0; k < 20; k += 3) twins[k + 1] = twins[k];  // ties within a half
    twins[12] = twins[2];                                   // and across the halves
    std::vector<Cls> apart;
    for (int k = 0; k < 6; ++k) {
        Cls c = ManyClasses(1, 3, 40 + k)[0];
        for (double& m : c.mean) m = 20 + 40 * k;
        for (auto& row : c.cov)
            for (double& v : row) v /= 40;
        apart.push_back(c);
    }
    struct Case { const char* what; std::vector<Cls> classes; int bands; };
    const Case cases[] = {
        {"forty classes", ManyClasses(40, 4, 3), 4},
        {"identical classes", twins, 4},
        {"classes far apart", apart, 3},
        {"one class", ManyClasses(1, 2, 8), 2},
        {"two classes", ManyClasses(2, 2, 9), 2},
        {"three classes", ManyClasses(3, 5, 10), 5},
        {"odd count", ManyClasses(7, 6, 11), 6},
        {"nine bands", ManyClasses(12, 9, 12), 9},
        // Variances so small that far cells' discriminants overflow to minus infinity, for some
        // classes and for all of them (the reference then meets probabilities that are not
        // numbers).
        {"some discriminants infinite", OneBand({{50, 1e-305}, {120, 100}, {60, 1e-305}, {200, 100}}), 1},
        {"every discriminant infinite", OneBand({{50, 1e-305}, {51, 1e-305}, {60, 1e-305}}), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::uint32_t seed = 5;
        auto rnd = [&] {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 16) % 256);
        };
        const int cols = 203, rows = 9;  // not a multiple of any lane count
        LanHeader h = MakeHeader(c.bands, cols, rows);
        LanImage img = MakeImage(h, [&](int r, int b, int col) {
            if (r == 0 && col % 5 == 0) return 0;                     // background among cells
            if (r == 1) return (col * 37 + b * 91) % 256;             // anywhere in the cube
            const Cls& near = c.classes[static_cast<std::size_t>(col) % c.classes.size()];
            return std::clamp(static_cast<int>(near.mean[b]) + rnd() % 9 - 4, 1, 255);
        });
        ASSERT_TRUE(WriteLanImage(Path("img.lan"), img));
        std::string stats = Stats(StatsText(c.classes));
        RecordingSink sink;
        ClassifyMaximumLikelihoodReference(Path("img.lan"), stats, Path("ref.lan"), 0.6, 0.1, sink);
        const std::string want = ReadBytes(Path("ref.lan"));
        ASSERT_EQ(want.size(), 128u + 9u * cols * rows);
        for (ClassifierKernel k : kKernels) {
            ClassifyOptions opt;
            opt.kernel = k;
            opt.threads = 2;
            ClassifyMaximumLikelihood(Path("img.lan"), stats, Path("fast.lan"), 0.6, 0.1, sink, opt);
            EXPECT_EQ(ReadBytes(Path("fast.lan")), want) << static_cast<int>(k);
        }
        EXPECT_TRUE(sink.messages.empty());
    }
}

TEST_F(ClassifyTest, ManyShowsWhatSeparateCallsWould) {
    std::string in = OneLine({60, 140});
    std::string stats = Stats("2 1 50 100 150 100");
    std::vector<ThresholdOutput> outs = {{Path("a.lan"), 0.5, 0.5}, {Path("no/b.lan"), 0.5, 0.5},
                                         {Path("c.lan"), 0.1, 0.1}};
    RecordingSink sink;
    EXPECT_EQ(ClassifyMaximumLikelihoodMany(in, stats, outs, sink), (std::vector<int>{2, 0, 2}));
    EXPECT_EQ(sink.messages, std::vector<std::string>{"錯誤類型0003" + Path("no/b.lan")});
    RecordingSink missing;
    EXPECT_EQ(ClassifyMaximumLikelihoodMany(Path("none.lan"), stats, outs, missing), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(missing.messages, std::vector<std::string>(3, "錯誤類型0001"));
}

}  // namespace
}  // namespace rice
