#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/scanfill.h"

namespace rice {
namespace {

// Paints the rings into a small character grid: '#' filled, '.' empty.
std::vector<std::string> Paint(const FillRings& rings, int w, int h, int rowBegin = 0,
                               int rowEnd = -1) {
    std::vector<std::string> g(h, std::string(w, '.'));
    ScanFill(rings, w, rowBegin, rowEnd < 0 ? h : rowEnd, [&](int y, int x0, int x1) {
        ASSERT_GE(y, 0);
        ASSERT_LT(y, h);
        for (int x = x0; x < x1; ++x) {
            EXPECT_EQ(g[y][x], '.') << "pixel painted twice in one fill";
            g[y][x] = '#';
        }
    });
    return g;
}

TEST(ScanFill, SquareOwnsThePixelsWhoseCentresAreInside) {
    auto g = Paint({{{1, 1}, {4, 1}, {4, 3}, {1, 3}}}, 6, 5);
    std::vector<std::string> want = {"......", ".###..", ".###..", "......", "......"};
    EXPECT_EQ(g, want);
}

TEST(ScanFill, HoleAndSeveralPartsUseEvenOdd) {
    FillRings rings = {{{0, 0}, {6, 0}, {6, 6}, {0, 6}}, {{2, 2}, {4, 2}, {4, 4}, {2, 4}}};
    auto g = Paint(rings, 6, 6);
    std::vector<std::string> want = {"######", "######", "##..##", "##..##", "######", "######"};
    EXPECT_EQ(g, want);
    // Two parts joined into one point list (closing segments cancel out in even-odd).
    FillRings joined = {{{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}, {4, 0}, {6, 0}, {6, 2}, {4, 2}, {4, 0}}};
    auto j = Paint(joined, 6, 2);
    std::vector<std::string> wantJ = {"##..##", "##..##"};
    EXPECT_EQ(j, wantJ);
}

TEST(ScanFill, SharedEdgesNeverGiveAPixelTwice) {
    // Two triangles splitting a square along its diagonal, and two squares sharing a side.
    const FillRings parts[] = {
        {{{0, 0}, {5, 0}, {5, 5}}}, {{{0, 0}, {5, 5}, {0, 5}}},
        {{{0, 0}, {2.5, 0}, {2.5, 5}, {0, 5}}}, {{{2.5, 0}, {5, 0}, {5, 5}, {2.5, 5}}},
    };
    for (int pair = 0; pair < 2; ++pair) {
        std::vector<int> owners(25, 0);
        for (int k = 0; k < 2; ++k) {
            ScanFill(parts[pair * 2 + k], 5, 0, 5, [&](int y, int x0, int x1) {
                for (int x = x0; x < x1; ++x) owners[y * 5 + x]++;
            });
        }
        for (int c : owners) EXPECT_EQ(c, 1) << "pair " << pair;
    }
}

TEST(ScanFill, ClipsToWidthAndRowBandsAndIgnoresDegenerateInput) {
    FillRings big = {{{-3, -3}, {10, -3}, {10, 10}, {-3, 10}}};
    auto g = Paint(big, 4, 3);
    EXPECT_EQ(g, (std::vector<std::string>{"####", "####", "####"}));
    // Painting in bands gives the same pixels as painting at once.
    FillRings tri = {{{0.2, 0.3}, {7.9, 2.2}, {3.1, 7.6}}};
    auto whole = Paint(tri, 8, 8);
    auto top = Paint(tri, 8, 8, 0, 3);
    auto bottom = Paint(tri, 8, 8, 3, 8);
    for (int y = 0; y < 8; ++y) EXPECT_EQ(whole[y], y < 3 ? top[y] : bottom[y]);
    EXPECT_EQ(Paint({{}}, 3, 3), Paint({{{1, 1}}}, 3, 3));
    EXPECT_EQ(Paint({{{0, 1}, {3, 1}}}, 3, 3), (std::vector<std::string>{"...", "...", "..."}));
}

}  // namespace
}  // namespace rice
