#include "texture/lib/cross_diagonal.h"

#include <algorithm>

#include "texture/lib/glcm.h"
#include "platform/core/parallel.h"

namespace rice {

namespace {

// Ring positions as (column, row) of the window: the cross clockwise from the top, the
// diagonal clockwise from the top-left.
constexpr unsigned kCross[4][2] = {{1, 0}, {2, 1}, {1, 2}, {0, 1}};
constexpr unsigned kDiagonal[4][2] = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};

unsigned code(unsigned neighbour, unsigned centre, bool three_levels) {
    if (three_levels) return neighbour > centre ? 2 : neighbour == centre ? 1 : 0;
    return neighbour >= centre ? 1 : 0;
}

template <class TABLE>
void compute_cross_diagonal(TABLE& table, MATRIX<unsigned int>& image,
                            const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                            bool three_levels, const TEXTURE_RUN_OPTIONS& options) {
    const unsigned max = three_levels ? 80 : 30;
    check_result_sizes(image, pairs);
    std::vector<FEATURE> features;
    bool plain = options.plain || !known_features(pairs, features);
    if (plain) {
        table.resize(max);
        MW_MATRIX<unsigned int> window(image, 3, 3);
        window.reset();
        std::vector<GLCM_RESULT_MW_MATRIX> results;
        for (const auto& pair : pairs) {
            results.emplace_back(*pair.second, 3, 3);
            results.back().reset();
        }
        do {
            table.clear();
            unsigned cells[9];
            for (unsigned r = 0; r < 3; ++r)
                for (unsigned c = 0; c < 3; ++c) cells[c + 3 * r] = window.at(c, r);
            unsigned cross[4], diagonal[4];
            cross_diagonal_numbers(cells, three_levels, cross, diagonal);
            for (unsigned k = 0; k < 4; ++k) table.add(cross[k], diagonal[k], 1);
            table.normalize();
            for (size_t k = 0; k < pairs.size(); ++k) {
                results[k].set(pairs[k].first(table));
                results[k].next();
            }
        } while (window.next());
        return;
    }
    MW_MATRIX<unsigned int> window(image, 3, 3);
    for (const auto& pair : pairs) GLCM_RESULT_MW_MATRIX check(*pair.second, 3, 3);
    const unsigned W = image.size_of_x();
    const unsigned positions_x = W - 2;
    const unsigned* img = image.data();
    ParallelFor(image.size_of_y() - 2, options.threads, [&](unsigned Y) {
        SPARSE_WORK work;
        for (unsigned X = 0; X < positions_x; ++X) {
            unsigned cells[9];
            for (unsigned r = 0; r < 3; ++r)
                for (unsigned c = 0; c < 3; ++c) cells[c + 3 * r] = img[X + c + static_cast<size_t>(Y + r) * W];
            unsigned cross[4], diagonal[4];
            cross_diagonal_numbers(cells, three_levels, cross, diagonal);
            unsigned keys[4];
            for (unsigned k = 0; k < 4; ++k) keys[k] = sparse_key(cross[k], diagonal[k]);
            std::sort(keys, keys + 4);
            store_sparse_features(keys, 4, pairs, features, work, X + 1, Y + 1);
        }
    });
}

}  // namespace

void cross_diagonal_numbers(const unsigned cells[9], bool three_levels, unsigned cross[4],
                            unsigned diagonal[4]) {
    const unsigned centre = cells[4];
    const unsigned w3[4] = {1, 3, 9, 27};
    const unsigned w2[4] = {1, 2, 4, 8};
    const unsigned* w = three_levels ? w3 : w2;
    unsigned cc[4], dc[4];
    for (unsigned k = 0; k < 4; ++k) {
        cc[k] = code(cells[kCross[k][0] + 3 * kCross[k][1]], centre, three_levels);
        dc[k] = code(cells[kDiagonal[k][0] + 3 * kDiagonal[k][1]], centre, three_levels);
    }
    for (unsigned k = 0; k < 4; ++k) {
        cross[k] = 0;
        diagonal[k] = 0;
        for (unsigned t = 0; t < 4; ++t) {
            cross[k] += cc[(k + t) % 4] * w[t];
            diagonal[k] += dc[(k + t) % 4] * w[t];
        }
    }
}

void CROSS_DIAGONAL_PROBABILITY_MATRIX_3_LEVEL::compute(
    MATRIX<unsigned int>& image, const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
    const TEXTURE_RUN_OPTIONS& options) {
    compute_cross_diagonal(*this, image, pairs, true, options);
}

void CROSS_DIAGONAL_PROBABILITY_MATRIX_2_LEVEL::compute(
    MATRIX<unsigned int>& image, const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
    const TEXTURE_RUN_OPTIONS& options) {
    compute_cross_diagonal(*this, image, pairs, false, options);
}

}  // namespace rice
