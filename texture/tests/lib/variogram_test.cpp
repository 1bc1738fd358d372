#include <gtest/gtest.h>

#include <string>

#include "platform/core/files.h"
#include "platform/testing/temp_folder.h"
#include "texture/lib/variogram_lib.h"
#include "test_util.h"

using namespace rice;
using texture_test::ReadText;
using rice::testing::TempFolder;

namespace {

DIRECTION_OPTION Directions(bool n_s, bool e_w, bool ne_sw, bool nw_se, bool average) {
    DIRECTION_OPTION o;
    o.set_direction(n_s, e_w, ne_sw, nw_se);
    o.set_average(average);
    return o;
}

float CentreOf(const std::string& path, unsigned w, unsigned h) {
    MATRIX<float> m;
    RecordingSink sink;
    EXPECT_EQ(m.read_file(path, w, h, sink), 1) << path;
    return m.at(w / 2, h / 2);
}

void Ramp(VARIOGRAM_MATRIX& m, unsigned size) {
    m.resize(size, size);
    for (unsigned y = 0; y < size; ++y)
        for (unsigned x = 0; x < size; ++x) m.at(x, y) = y;
    m.set_decimal(3);
}

}  // namespace

TEST(Variogram, RampBand) {
    TempFolder folder("variogram");
    VARIOGRAM_MATRIX a;
    Ramp(a, 3);
    RecordingSink sink;
    ASSERT_TRUE(direct_variogram(a, 3, Directions(true, true, true, true, false), folder / "v", 1, sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(ReadText(folder / "v_e_w.txt"), "0.000 0.000 0.000 \r\n0.000 0.000 0.000 \r\n0.000 0.000 0.000 \r\n");
    EXPECT_EQ(ReadText(folder / "v_n_s.txt"), "0.000 0.000 0.000 \r\n0.000 0.500 0.000 \r\n0.000 0.000 0.000 \r\n");
    EXPECT_EQ(CentreOf(folder / "v_nw_se.txt", 3, 3), 0.5f);
    EXPECT_EQ(CentreOf(folder / "v_ne_sw.txt", 3, 3), 0.5f);
    EXPECT_FALSE(FileExists(folder / "v_avg.txt"));

    // Lags 1 and 2 on a 5 x 5 ramp: (0.5 + 2) / 2, their mean and not their sum.
    VARIOGRAM_MATRIX b;
    Ramp(b, 5);
    ASSERT_TRUE(direct_variogram(b, 5, Directions(true, false, false, false, false), folder / "h2", 2, sink));
    EXPECT_EQ(CentreOf(folder / "h2_n_s.txt", 5, 5), 1.25f);
    ASSERT_TRUE(madogram(b, 5, Directions(true, false, false, false, false), folder / "m2", 2, sink));
    EXPECT_EQ(CentreOf(folder / "m2_n_s.txt", 5, 5), 0.75f);  // (1/2 + 2/2) / 2
}

TEST(Variogram, AverageOfTheSelectedDirectionsOnly) {
    TempFolder folder("variogram");
    VARIOGRAM_MATRIX a;
    Ramp(a, 3);
    a.at(2, 0) = 7;
    RecordingSink sink;
    ASSERT_TRUE(direct_variogram(a, 3, Directions(true, true, false, false, true), folder / "v", 1, sink));
    EXPECT_FALSE(FileExists(folder / "v_ne_sw.txt"));
    EXPECT_FALSE(FileExists(folder / "v_nw_se.txt"));
    float e_w = CentreOf(folder / "v_e_w.txt", 3, 3), n_s = CentreOf(folder / "v_n_s.txt", 3, 3);
    MATRIX<float> avg;
    avg.resize(3, 3);
    RecordingSink s2;
    ASSERT_EQ(avg.read_file(folder / "v_avg.txt", 3, 3, s2), 1);
    EXPECT_NEAR(avg.at(1, 1), (e_w + n_s) / 2, 1e-3);

    // Average asked for with no direction: nothing to average, no file.
    ASSERT_TRUE(direct_variogram(a, 3, Directions(false, false, false, false, true), folder / "none", 1, sink));
    EXPECT_FALSE(FileExists(folder / "none_avg.txt"));
    EXPECT_TRUE(sink.messages.empty());
}

TEST(Variogram, TwoBandStatistics) {
    TempFolder folder("variogram");
    VARIOGRAM_MATRIX ramp, zero, rnd;
    Ramp(ramp, 3);
    zero.resize(3, 3);
    zero.clear();
    zero.set_decimal(3);
    texture_test::FillRandom(rnd, 7, 7, 256, 5);
    rnd.set_decimal(4);
    RecordingSink sink;
    DIRECTION_OPTION n_s = Directions(true, false, false, false, false);
    // Pseudo-cross compares band A at the first cell with band B at the lagged one.
    ASSERT_TRUE(pseudo_cross_variogram(ramp, zero, 3, n_s, folder / "p_ab", 1, sink));
    ASSERT_TRUE(pseudo_cross_variogram(zero, ramp, 3, n_s, folder / "p_ba", 1, sink));
    EXPECT_EQ(CentreOf(folder / "p_ab_n_s.txt", 3, 3), 0.25f);  // (0 0 0 1 1 1)² / 12
    EXPECT_EQ(CentreOf(folder / "p_ba_n_s.txt", 3, 3), 1.25f);  // (1 1 1 2 2 2)² / 12
    ASSERT_TRUE(cross_madogram(ramp, zero, 3, n_s, folder / "c", 1, sink));
    EXPECT_EQ(CentreOf(folder / "c_n_s.txt", 3, 3), 0.0f);

    // One band as both bands: both two-band statistics equal the direct variogram.
    DIRECTION_OPTION all = Directions(true, true, true, true, true);
    ASSERT_TRUE(direct_variogram(rnd, 5, all, folder / "d", 2, sink));
    ASSERT_TRUE(cross_madogram(rnd, rnd, 5, all, folder / "x", 2, sink));
    ASSERT_TRUE(pseudo_cross_variogram(rnd, rnd, 5, all, folder / "q", 2, sink));
    for (const char* s : {"_e_w.txt", "_n_s.txt", "_ne_sw.txt", "_nw_se.txt", "_avg.txt"}) {
        EXPECT_EQ(ReadText(folder / "x" + s), ReadText(folder / "d" + s)) << s;
        EXPECT_EQ(ReadText(folder / "q" + s), ReadText(folder / "d" + s)) << s;
    }
}

TEST(Variogram, RefusesBadLagsAndReportsUnwritableFiles) {
    TempFolder folder("variogram");
    VARIOGRAM_MATRIX a;
    Ramp(a, 5);
    DIRECTION_OPTION all = Directions(true, true, true, true, true);
    struct Case {
        int h;
        const char* message;
    };
    const Case cases[] = {{0, "h值必須大於等於1"}, {-3, "h值必須大於等於1"}, {5, "h值必須小於moveing window大小"}};
    for (const auto& c : cases) {
        RecordingSink sink;
        EXPECT_FALSE(direct_variogram(a, 5, all, folder / "v", c.h, sink));
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0], c.message);
        EXPECT_FALSE(FileExists(folder / "v_e_w.txt"));
    }
    RecordingSink sink;
    std::string base = folder / "missing/v";
    EXPECT_FALSE(direct_variogram(a, 3, all, base, 1, sink));
    ASSERT_EQ(sink.messages.size(), 1u);  // the run stops at the first file
    EXPECT_EQ(sink.messages[0], "檔案不能開啟 : " + base + "_e_w.txt");
}

// Exact integer window sums, the float fallback and the threads against the plain loops.
TEST(Variogram, FastPathMatchesThePlainLoops) {
    TempFolder folder("variogram");
    VARIOGRAM_MATRIX a, b, board;
    texture_test::FillRandom(a, 19, 17, 256, 11);
    texture_test::FillRandom(b, 19, 17, 256, 12);
    // Sums past 2^24 in one window (16 x 17 pairs of 0 and 255) take the float fallback.
    board.resize(19, 17);
    for (unsigned y = 0; y < 17; ++y)
        for (unsigned x = 0; x < 19; ++x) board.at(x, y) = (x + y) % 2 ? 255 : 0;
    for (auto* m : {&a, &b, &board}) m->set_format("");  // every bit of each float shows
    DIRECTION_OPTION all = Directions(true, true, true, true, true);
    struct Case {
        const char* name;
        VARIOGRAM_MATRIX* a;
        VARIOGRAM_MATRIX* b;
        unsigned MW;
        int h;
    };
    const Case cases[] = {{"direct", &a, nullptr, 7, 3},   {"madogram", &a, nullptr, 5, 4},
                          {"cross", &a, &b, 7, 2},         {"pseudo", &b, &a, 9, 5},
                          {"board", &board, nullptr, 17, 1}, {"board_cross", &board, &a, 17, 2}};
    const char* suffixes[] = {"_e_w.txt", "_n_s.txt", "_ne_sw.txt", "_nw_se.txt", "_avg.txt"};
    for (const auto& c : cases) {
        std::string outputs[3];
        const TEXTURE_RUN_OPTIONS modes[3] = {{true, 1}, {false, 1}, {false, 4}};
        for (int m = 0; m < 3; ++m) {
            RecordingSink sink;
            std::string base = folder / (c.name + std::to_string(m));
            std::string n = c.name;
            const TEXTURE_RUN_OPTIONS& o = modes[m];
            bool ok = n == "direct" || n == "board" ? direct_variogram(*c.a, c.MW, all, base, c.h, sink, o)
                      : n == "madogram"             ? madogram(*c.a, c.MW, all, base, c.h, sink, o)
                      : n == "pseudo"               ? pseudo_cross_variogram(*c.a, *c.b, c.MW, all, base, c.h, sink, o)
                                                    : cross_madogram(*c.a, *c.b, c.MW, all, base, c.h, sink, o);
            ASSERT_TRUE(ok) << c.name;
            for (const char* s : suffixes) outputs[m] += ReadText(base + s);
        }
        EXPECT_EQ(outputs[0], outputs[1]) << c.name;
        EXPECT_EQ(outputs[1], outputs[2]) << c.name;
    }
}
