#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "texture/lib/cross_diagonal.h"
#include "texture/lib/glcm.h"
#include "test_util.h"

using namespace rice;

namespace {

const COMPUTATE_FUNCTION kFeatures[6] = {&contrast, &entropy, &dissimilarity, &energy, &homogeneity, &correlation};

// Six image-sized result matrices and their pairs, in feature order.
struct RESULTS {
    MATRIX<float> m[6];
    std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX> pairs;
    explicit RESULTS(const MATRIX<unsigned int>& image) {
        for (int f = 0; f < 6; ++f) {
            m[f].resize(image.size_of_x(), image.size_of_y());
            m[f].clear();
            pairs.emplace_back(kFeatures[f], &m[f]);
        }
    }
};

}  // namespace

TEST(ProbabilityMatrix, SmallTables) {
    PROBABILITY_MATRIX one;
    one.resize(0);
    one.add(0, 0, 1);
    one.normalize();
    EXPECT_EQ(one.get(0, 0), 1.0f);

    PROBABILITY_MATRIX p;
    p.resize(2);
    p.add(1, 2, 1);
    p.symmetrize();
    EXPECT_EQ(p.get(1, 2), 1.0f);
    EXPECT_EQ(p.get(2, 1), 1.0f);
    EXPECT_EQ(p.total(), 2u);
    p.normalize();
    EXPECT_EQ(p.get(1, 2), 0.5f);
    EXPECT_FLOAT_EQ(contrast(p), 1);
    EXPECT_FLOAT_EQ(dissimilarity(p), 1);
    EXPECT_FLOAT_EQ(energy(p), 0.5f);
    EXPECT_FLOAT_EQ(homogeneity(p), 0.5f);
    EXPECT_FLOAT_EQ(entropy(p), std::log(2.0f));

    PROBABILITY_MATRIX d;
    d.resize(2);
    d.add(1, 1, 1);
    d.symmetrize();
    EXPECT_EQ(d.get(1, 1), 2.0f);
    EXPECT_EQ(d.total(), 2u);
    d.normalize();
    // One occupied level: a uniform window.
    EXPECT_EQ(contrast(d), 0);
    EXPECT_EQ(entropy(d), 0);
    EXPECT_EQ(dissimilarity(d), 0);
    EXPECT_EQ(energy(d), 1);
    EXPECT_EQ(homogeneity(d), 1);
    EXPECT_EQ(correlation(d), 1);
}

TEST(ProbabilityMatrix, CorrelationStaysInRangeWhateverTheLevels) {
    struct Case {
        std::vector<std::pair<unsigned, unsigned>> pairs;
        float expected;
    };
    const Case cases[] = {
        {{{0, 0}, {1, 1}, {2, 2}}, 1.0f},
        {{{0, 2}, {2, 0}}, -1.0f},
        {{{0, 1}, {1, 2}, {2, 0}, {1, 0}}, static_cast<float>(-0.25 / std::sqrt(0.5 * 0.6875))},
    };
    for (const auto& c : cases) {
        float values[2];
        unsigned maxima[2] = {2, 80};
        for (int t = 0; t < 2; ++t) {
            PROBABILITY_MATRIX p;
            p.resize(maxima[t]);
            for (auto [a, b] : c.pairs) p.add(a, b, 1);
            p.normalize();
            values[t] = correlation(p);
        }
        EXPECT_NEAR(values[0], c.expected, 1e-5);
        EXPECT_EQ(values[0], values[1]);  // empty levels change nothing
    }
}

// A 3 x 3 image whose four directions give four different contrasts.
TEST(Glcm, EachDirectionPairsItsOwnCells) {
    MATRIX<unsigned int> image;
    texture_test::FillRows(image, 3, {0, 1, 3,  //
                                      0, 2, 5,  //
                                      1, 4, 8});
    struct Case {
        const char* name;
        GLCM_PROBABILITY_MATRIX* glcm;
        unsigned gap;
        float contrast;
    };
    GLCM_PROBABILITY_MATRIX_N_S n_s;
    GLCM_PROBABILITY_MATRIX_E_W e_w;
    GLCM_PROBABILITY_MATRIX_NE_SW ne_sw;
    GLCM_PROBABILITY_MATRIX_NW_SE nw_se;
    const Case cases[] = {
        {"N_S", &n_s, 1, 19.0f / 6}, {"E_W", &e_w, 1, 43.0f / 6}, {"NE_SW", &ne_sw, 1, 1.0f},
        {"NW_SE", &nw_se, 1, 18.0f}, {"N_S gap 2", &n_s, 2, 35.0f / 3}, {"NE_SW gap 2", &ne_sw, 2, 4.0f},
        {"E_W gap 2", &e_w, 2, 83.0f / 3}, {"NW_SE gap 2", &nw_se, 2, 64.0f},
    };
    for (bool plain : {true, false}) {
        for (const auto& c : cases) {
            RESULTS r(image);
            c.glcm->compute(image, r.pairs, 3, c.gap, {plain, 1});
            EXPECT_FLOAT_EQ(r.m[0].at(1, 1), c.contrast) << c.name << (plain ? " plain" : " fast");
            for (unsigned y = 0; y < 3; ++y)
                for (unsigned x = 0; x < 3; ++x)
                    if (x != 1 || y != 1) {
                        EXPECT_EQ(r.m[0].at(x, y), 0.0f) << c.name;
                    }
        }
    }
}

TEST(Glcm, UniformImageGivesUniformFeatures) {
    MATRIX<unsigned int> image;
    image.resize(6, 5);
    for (unsigned level : {0u, 7u}) {
        for (unsigned y = 0; y < 5; ++y)
            for (unsigned x = 0; x < 6; ++x) image.at(x, y) = level;
        for (bool plain : {true, false}) {
            RESULTS r(image);
            GLCM_PROBABILITY_MATRIX_NW_SE glcm;
            glcm.compute(image, r.pairs, 3, 1, {plain, 1});
            const float expected[6] = {0, 0, 0, 1, 1, 1};
            for (int f = 0; f < 6; ++f)
                for (unsigned y = 0; y < 5; ++y)
                    for (unsigned x = 0; x < 6; ++x) {
                        bool inner = x >= 1 && x <= 4 && y >= 1 && y <= 3;
                        EXPECT_EQ(r.m[f].at(x, y), inner ? expected[f] : 0.0f) << f << " " << x << "," << y;
                    }
        }
    }
}

// The sparse sliding path and the threads against the dense reference, bit for bit.
TEST(Glcm, FastPathMatchesTheDenseReference) {
    struct Case {
        unsigned w, h, levels, mask, gap, seed;
    };
    // Window positions per row: 8, 24, 1 and 11 (the features go four windows at a time).
    const Case cases[] = {{12, 10, 256, 5, 1, 1}, {30, 24, 8, 7, 3, 2}, {9, 9, 256, 9, 4, 3}, {13, 6, 40, 3, 1, 4}};
    for (const auto& c : cases) {
        MATRIX<unsigned int> image;
        texture_test::FillRandom(image, c.w, c.h, c.levels, c.seed);
        GLCM_PROBABILITY_MATRIX_N_S n_s;
        GLCM_PROBABILITY_MATRIX_E_W e_w;
        GLCM_PROBABILITY_MATRIX_NE_SW ne_sw;
        GLCM_PROBABILITY_MATRIX_NW_SE nw_se;
        for (GLCM_PROBABILITY_MATRIX* g : std::initializer_list<GLCM_PROBABILITY_MATRIX*>{&n_s, &e_w, &ne_sw, &nw_se}) {
            RESULTS plain(image), one(image), many(image);
            g->compute(image, plain.pairs, c.mask, c.gap, {true, 1});
            g->compute(image, one.pairs, c.mask, c.gap, {false, 1});
            g->compute(image, many.pairs, c.mask, c.gap, {false, 4});
            for (int f = 0; f < 6; ++f) {
                EXPECT_TRUE(texture_test::SameCells(plain.m[f], one.m[f])) << "seed " << c.seed << " feature " << f;
                EXPECT_TRUE(texture_test::SameCells(one.m[f], many.m[f])) << "seed " << c.seed << " feature " << f;
            }
        }
    }
}

TEST(Glcm, RefusesAGapNotBelowTheMaskAndTablesBeyondMemory) {
    MATRIX<unsigned int> image;
    texture_test::FillRandom(image, 5, 5, 4, 1);
    RESULTS r(image);
    GLCM_PROBABILITY_MATRIX_N_S g;
    EXPECT_THROW(g.compute(image, r.pairs, 3, 3), std::invalid_argument);
    // A grey level of four thousand million would need a table of 10^19 cells.
    image.at(2, 2) = 4000000000u;
    for (bool plain : {true, false}) EXPECT_THROW(g.compute(image, r.pairs, 3, 1, {plain, 1}), TextureSizeError);
}

TEST(CrossDiagonal, Codes) {
    struct Case {
        const char* name;
        unsigned cells[9];
        bool three;
        unsigned cross[4], diagonal[4];
    };
    const Case cases[] = {
        {"uniform 3", {5, 5, 5, 5, 5, 5, 5, 5, 5}, true, {40, 40, 40, 40}, {40, 40, 40, 40}},
        {"uniform 2", {5, 5, 5, 5, 5, 5, 5, 5, 5}, false, {15, 15, 15, 15}, {15, 15, 15, 15}},
        {"centre largest 3", {1, 2, 3, 4, 9, 4, 3, 2, 1}, true, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"centre largest 2", {1, 2, 3, 4, 9, 4, 3, 2, 1}, false, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"top above", {5, 6, 5, 5, 5, 5, 5, 5, 5}, true, {41, 67, 49, 43}, {40, 40, 40, 40}},
        {"top-right above", {5, 5, 6, 5, 5, 5, 5, 5, 5}, true, {40, 40, 40, 40}, {43, 41, 67, 49}},
        {"left below, others equal 2", {5, 5, 5, 4, 5, 5, 5, 5, 5}, false, {7, 11, 13, 14}, {15, 15, 15, 15}},
    };
    for (const auto& c : cases) {
        unsigned cross[4], diagonal[4];
        cross_diagonal_numbers(c.cells, c.three, cross, diagonal);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(cross[k], c.cross[k]) << c.name << " k " << k;
            EXPECT_EQ(diagonal[k], c.diagonal[k]) << c.name << " k " << k;
        }
    }
}

TEST(CrossDiagonal, UniformWindowAndBorder) {
    MATRIX<unsigned int> image;
    texture_test::FillRows(image, 3, {5, 5, 5, 5, 5, 5, 5, 5, 5});
    for (bool plain : {true, false}) {
        RESULTS three(image), two(image);
        CROSS_DIAGONAL_PROBABILITY_MATRIX_3_LEVEL l3;
        CROSS_DIAGONAL_PROBABILITY_MATRIX_2_LEVEL l2;
        l3.compute(image, three.pairs, {plain, 1});
        l2.compute(image, two.pairs, {plain, 1});
        if (plain) {
            EXPECT_EQ(l3.get(40, 40), 1.0f);
            EXPECT_EQ(l2.get(15, 15), 1.0f);
            EXPECT_EQ(l2.max_level(), 30u);
        }
        const float expected[6] = {0, 0, 0, 1, 1, 1};
        for (int f = 0; f < 6; ++f) {
            EXPECT_EQ(three.m[f].at(1, 1), expected[f]) << f;
            EXPECT_EQ(two.m[f].at(1, 1), expected[f]) << f;
            EXPECT_EQ(three.m[f].at(0, 0), 0.0f);
        }
    }
}

TEST(CrossDiagonal, FastPathMatchesTheDenseReference) {
    MATRIX<unsigned int> image;
    texture_test::FillRandom(image, 20, 16, 256, 7);
    // Ties with the centre matter for the codes: a few levels make them common.
    MATRIX<unsigned int> few;
    texture_test::FillRandom(few, 20, 16, 3, 8);
    for (MATRIX<unsigned int>* img : {&image, &few}) {
        for (bool three : {true, false}) {
            RESULTS plain(*img), one(*img), many(*img);
            auto run = [&](RESULTS& r, bool p, unsigned threads) {
                if (three) CROSS_DIAGONAL_PROBABILITY_MATRIX_3_LEVEL().compute(*img, r.pairs, {p, threads});
                else CROSS_DIAGONAL_PROBABILITY_MATRIX_2_LEVEL().compute(*img, r.pairs, {p, threads});
            };
            run(plain, true, 1);
            run(one, false, 1);
            run(many, false, 4);
            for (int f = 0; f < 6; ++f) {
                EXPECT_TRUE(texture_test::SameCells(plain.m[f], one.m[f])) << f;
                EXPECT_TRUE(texture_test::SameCells(one.m[f], many.m[f])) << f;
            }
        }
    }
}
