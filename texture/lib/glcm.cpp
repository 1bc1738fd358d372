#include "texture/lib/glcm.h"

#include <algorithm>
#include <stdexcept>

#include "platform/core/parallel.h"

namespace rice {

void check_result_sizes(const MATRIX<unsigned int>& image,
                        const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs) {
    for (const auto& pair : pairs)
        if (!pair.second || pair.second->size_of_x() != image.size_of_x() ||
            pair.second->size_of_y() != image.size_of_y())
            throw std::invalid_argument("結果矩陣大小與影像不同");
}

bool known_features(const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                    std::vector<FEATURE>& features) {
    features.clear();
    for (const auto& pair : pairs) {
        FEATURE f = feature_of(pair.first);
        if (f == FEATURE::other) return false;
        features.push_back(f);
    }
    return true;
}

void store_sparse_features(const unsigned* keys, size_t n, unsigned L,
                           const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                           const std::vector<FEATURE>& features, std::vector<SPARSE_CELL>& cells,
                           unsigned x, unsigned y) {
    cells.clear();
    const float total = static_cast<float>(static_cast<unsigned>(n));
    size_t k = 0;
    while (k < n) {
        size_t e = k + 1;
        while (e < n && keys[e] == keys[k]) ++e;
        float count = static_cast<float>(static_cast<unsigned>(e - k));
        cells.push_back(SPARSE_CELL{keys[k] % L, keys[k] / L, count / total});
        k = e;
    }
    for (size_t f = 0; f < pairs.size(); ++f)
        pairs[f].second->at(x, y) = sparse_feature(features[f], cells.data(), cells.size());
}

void GLCM_PROBABILITY_MATRIX::compute_direction(
    MATRIX<unsigned int>& image, const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
    unsigned MASK, const PAIR_GEOMETRY& g, const TEXTURE_RUN_OPTIONS& options) {
    check_result_sizes(image, pairs);
    std::vector<FEATURE> features;
    if (options.plain || !known_features(pairs, features))
        compute_plain(image, pairs, MASK, g);
    else
        compute_fast(image, pairs, MASK, g, options.threads);
}

void GLCM_PROBABILITY_MATRIX::compute_plain(
    MATRIX<unsigned int>& image, const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
    unsigned MASK, const PAIR_GEOMETRY& g) {
    resize(image.max_value());
    MW_MATRIX<unsigned int> window(image, MASK, MASK);
    window.reset();
    std::vector<GLCM_RESULT_MW_MATRIX> results;
    for (const auto& pair : pairs) {
        results.emplace_back(*pair.second, MASK, MASK);
        results.back().reset();
    }
    do {
        clear();
        for (unsigned r = 0; r < g.rows; ++r)
            for (unsigned c = 0; c < g.columns; ++c)
                add(window.at(c + g.ax, r + g.ay), window.at(c + g.bx, r + g.by), 1);
        symmetrize();
        normalize();
        for (size_t k = 0; k < pairs.size(); ++k) {
            results[k].set(pairs[k].first(*this));
            results[k].next();
        }
    } while (window.next());
}

namespace {

inline unsigned pair_key(unsigned first, unsigned second, unsigned L) { return first + second * L; }

// Both table cells that one pair adds to after symmetrizing.
inline void push_pair(std::vector<unsigned>& keys, unsigned a, unsigned b, unsigned L) {
    keys.push_back(pair_key(a, b, L));
    keys.push_back(pair_key(b, a, L));
}

}  // namespace

void GLCM_PROBABILITY_MATRIX::compute_fast(
    MATRIX<unsigned int>& image, const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
    unsigned MASK, const PAIR_GEOMETRY& g, unsigned threads) {
    const std::uint64_t levels = std::uint64_t{image.max_value()} + 1;
    check_levels(levels);
    const unsigned L = static_cast<unsigned>(levels);
    // The window checks of the plain path, made before any worker starts.
    MW_MATRIX<unsigned int> window(image, MASK, MASK);
    for (const auto& pair : pairs) GLCM_RESULT_MW_MATRIX check(*pair.second, MASK, MASK);
    std::vector<FEATURE> features;
    known_features(pairs, features);

    const unsigned W = image.size_of_x();
    const unsigned positions_x = W - MASK + 1;
    const unsigned positions_y = image.size_of_y() - MASK + 1;
    const unsigned half = (MASK - 1) / 2;
    const unsigned* img = image.data();

    ParallelFor(positions_y, threads, [&](unsigned Y) {
        std::vector<unsigned> keys, kept, next, out, in;
        std::vector<SPARSE_CELL> cells;
        auto level = [&](unsigned x, unsigned y) { return img[x + static_cast<size_t>(y) * W]; };
        auto column_keys = [&](std::vector<unsigned>& v, unsigned X, unsigned c) {
            v.clear();
            for (unsigned r = 0; r < g.rows; ++r)
                push_pair(v, level(X + c + g.ax, Y + r + g.ay), level(X + c + g.bx, Y + r + g.by), L);
            std::sort(v.begin(), v.end());
        };
        keys.clear();
        for (unsigned r = 0; r < g.rows; ++r)
            for (unsigned c = 0; c < g.columns; ++c)
                push_pair(keys, level(c + g.ax, Y + r + g.ay), level(c + g.bx, Y + r + g.by), L);
        std::sort(keys.begin(), keys.end());
        for (unsigned X = 0;; ++X) {
            store_sparse_features(keys.data(), keys.size(), L, pairs, features, cells, X + half, Y + half);
            if (X + 1 >= positions_x) break;
            // Slide one column: the pairs of the left column leave, those of the new right
            // column enter.
            column_keys(out, X, 0);
            column_keys(in, X + 1, g.columns - 1);
            kept.clear();
            size_t o = 0;
            for (unsigned k : keys) {
                if (o < out.size() && out[o] == k) {
                    ++o;
                    continue;
                }
                kept.push_back(k);
            }
            next.resize(kept.size() + in.size());
            std::merge(kept.begin(), kept.end(), in.begin(), in.end(), next.begin());
            keys.swap(next);
        }
    });
}

void GLCM_PROBABILITY_MATRIX_N_S::compute(
    MATRIX<unsigned int>& image, const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
    unsigned MASK, unsigned gap, const TEXTURE_RUN_OPTIONS& options) {
    if (gap >= MASK) throw std::invalid_argument("Gap 值大於等於 MASK 大小");
    compute_direction(image, pairs, MASK, PAIR_GEOMETRY{0, 0, 0, gap, MASK, MASK - gap}, options);
}

void GLCM_PROBABILITY_MATRIX_E_W::compute(
    MATRIX<unsigned int>& image, const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
    unsigned MASK, unsigned gap, const TEXTURE_RUN_OPTIONS& options) {
    if (gap >= MASK) throw std::invalid_argument("Gap 值大於等於 MASK 大小");
    compute_direction(image, pairs, MASK, PAIR_GEOMETRY{0, 0, gap, 0, MASK - gap, MASK}, options);
}

void GLCM_PROBABILITY_MATRIX_NE_SW::compute(
    MATRIX<unsigned int>& image, const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
    unsigned MASK, unsigned gap, const TEXTURE_RUN_OPTIONS& options) {
    if (gap >= MASK) throw std::invalid_argument("Gap 值大於等於 MASK 大小");
    compute_direction(image, pairs, MASK, PAIR_GEOMETRY{gap, 0, 0, gap, MASK - gap, MASK - gap}, options);
}

void GLCM_PROBABILITY_MATRIX_NW_SE::compute(
    MATRIX<unsigned int>& image, const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
    unsigned MASK, unsigned gap, const TEXTURE_RUN_OPTIONS& options) {
    if (gap >= MASK) throw std::invalid_argument("Gap 值大於等於 MASK 大小");
    compute_direction(image, pairs, MASK, PAIR_GEOMETRY{0, 0, gap, gap, MASK - gap, MASK - gap}, options);
}

}  // namespace rice
