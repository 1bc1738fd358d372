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

size_t sparse_cells(const unsigned* keys, size_t n, SPARSE_CELL* cells) {
    size_t m = 0;
    size_t k = 0;
    while (k < n) {
        size_t e = k + 1;
        while (e < n && keys[e] == keys[k]) ++e;
        cells[m++] = SPARSE_CELL{keys[k] & 0xffff, keys[k] >> 16, static_cast<unsigned>(e - k)};
        k = e;
    }
    return m;
}

void store_sparse_features(const unsigned* keys, size_t n,
                           const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                           const std::vector<FEATURE>& features, SPARSE_WORK& work, unsigned x, unsigned y) {
    work.terms.prepare(static_cast<unsigned>(n));
    if (work.cells.size() < n) work.cells.resize(n);
    const size_t m = sparse_cells(keys, n, work.cells.data());
    float values[kFeatureCount];
    sparse_features(work.cells.data(), m, work.terms, values);
    for (size_t f = 0; f < pairs.size(); ++f) pairs[f].second->at(x, y) = values[static_cast<int>(features[f])];
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

// Both table cells that one pair adds to after symmetrizing.
inline void push_pair(unsigned*& out, unsigned a, unsigned b) {
    *out++ = sparse_key(a, b);
    *out++ = sparse_key(b, a);
}

// A column's few keys: insertion sort beats the general one at this size.
void sort_small(unsigned* v, size_t n) {
    for (size_t k = 1; k < n; ++k) {
        unsigned key = v[k];
        size_t m = k;
        for (; m > 0 && v[m - 1] > key; --m) v[m] = v[m - 1];
        v[m] = key;
    }
}

}  // namespace

void GLCM_PROBABILITY_MATRIX::compute_fast(
    MATRIX<unsigned int>& image, const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
    unsigned MASK, const PAIR_GEOMETRY& g, unsigned threads) {
    const std::uint64_t levels = std::uint64_t{image.max_value()} + 1;
    check_levels(levels);
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
    const size_t per_column = 2 * static_cast<size_t>(g.rows);
    const size_t per_window = per_column * g.columns;

    ParallelFor(positions_y, threads, [&](unsigned Y) {
        // The window's keys, sorted; and each column's sorted keys, kept in a ring from when
        // the column enters the window until it leaves (slot: column mod g.columns).
        std::vector<unsigned> keys(per_window), next(per_window), ring(per_window), in(per_column);
        // Windows side by side go through the features together, one per vector lane.
        COUNT_TERMS terms;
        terms.prepare(static_cast<unsigned>(per_window));
        std::vector<SPARSE_CELL> cells[kSparseLanes];
        for (auto& c : cells) c.resize(per_window);
        SPARSE_BATCH batch{};
        unsigned batch_x[kSparseLanes];
        auto flush = [&] {
            float values[kSparseLanes][kFeatureCount];
            sparse_features(batch, terms, values);
            for (int w = 0; w < batch.lanes; ++w)
                for (size_t f = 0; f < pairs.size(); ++f)
                    pairs[f].second->at(batch_x[w] + half, Y + half) = values[w][static_cast<int>(features[f])];
            batch.lanes = 0;
        };
        auto column_keys = [&](unsigned* v, unsigned c) {
            unsigned* out = v;
            const unsigned* a = img + (c + g.ax) + static_cast<size_t>(Y + g.ay) * W;
            const unsigned* b = img + (c + g.bx) + static_cast<size_t>(Y + g.by) * W;
            for (unsigned r = 0; r < g.rows; ++r) push_pair(out, a[static_cast<size_t>(r) * W], b[static_cast<size_t>(r) * W]);
            sort_small(v, per_column);
        };
        for (unsigned c = 0; c < g.columns; ++c) column_keys(ring.data() + c * per_column, c);
        std::copy(ring.begin(), ring.end(), keys.begin());
        std::sort(keys.begin(), keys.end());
        for (unsigned X = 0;; ++X) {
            const int lane = batch.lanes++;
            batch.cells[lane] = cells[lane].data();
            batch.n[lane] = sparse_cells(keys.data(), per_window, cells[lane].data());
            batch_x[lane] = X;
            if (batch.lanes == kSparseLanes) flush();
            if (X + 1 >= positions_x) break;
            // Slide one column: the pairs of the left column leave, those of the new right
            // column enter; one pass keeps the keys sorted.
            unsigned* out = ring.data() + (X % g.columns) * per_column;
            column_keys(in.data(), X + g.columns);
            unsigned* w = next.data();
            size_t o = 0, e = 0;
            for (size_t k = 0; k < per_window; ++k) {
                const unsigned key = keys[k];
                if (o < per_column && out[o] == key) {
                    ++o;
                    continue;
                }
                while (e < per_column && in[e] < key) *w++ = in[e++];
                *w++ = key;
            }
            while (e < per_column) *w++ = in[e++];
            keys.swap(next);
            std::copy(in.begin(), in.end(), out);
        }
        if (batch.lanes > 0) flush();
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
