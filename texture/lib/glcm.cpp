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

// Slides a window's sorted keys by one column in one pass: the sorted keys `out` of the column
// that leaves are dropped, those `in` of the column that enters are merged in.
void slide_sorted(const unsigned* keys, size_t per_window, const unsigned* out, const unsigned* in,
                  size_t per_column, unsigned* next) {
    unsigned* w = next;
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
}

// One row of window positions, left to right. The window's keys are kept sorted, and each
// column's sorted keys in a ring from when the column enters the window until it leaves
// (slot: column mod g.columns). Windows side by side go through the features together, one
// per vector lane.
class GLCM_ROW_SWEEP {
public:
    using GEOMETRY = GLCM_PROBABILITY_MATRIX::PAIR_GEOMETRY;

    GLCM_ROW_SWEEP(const MATRIX<unsigned int>& image, const GEOMETRY& g, unsigned Y,
                   const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                   const std::vector<FEATURE>& features, unsigned half)
        : g_(g), Y_(Y), W_(image.size_of_x()), img_(image.data()), pairs_(pairs), features_(features),
          half_(half), per_column_(2 * static_cast<size_t>(g.rows)), per_window_(per_column_ * g.columns),
          keys_(per_window_), next_(per_window_), ring_(per_window_), in_(per_column_) {
        terms_.prepare(static_cast<unsigned>(per_window_));
        for (auto& c : cells_) c.resize(per_window_);
    }

    // The keys of the row's first window.
    void first_window() {
        for (unsigned c = 0; c < g_.columns; ++c) column_keys(ring_.data() + c * per_column_, c);
        std::copy(ring_.begin(), ring_.end(), keys_.begin());
        std::sort(keys_.begin(), keys_.end());
    }

    // The window at X joins the batch; a full batch goes through the features.
    void queue(unsigned X) {
        const int lane = batch_.lanes++;
        batch_.cells[lane] = cells_[lane].data();
        batch_.n[lane] = sparse_cells(keys_.data(), per_window_, cells_[lane].data());
        batch_x_[lane] = X;
        if (batch_.lanes == kSparseLanes) flush();
    }

    // From the window at X to the one at X + 1: the pairs of the left column leave, those of
    // the new right column enter.
    void slide(unsigned X) {
        unsigned* out = ring_.data() + (X % g_.columns) * per_column_;
        column_keys(in_.data(), X + g_.columns);
        slide_sorted(keys_.data(), per_window_, out, in_.data(), per_column_, next_.data());
        keys_.swap(next_);
        std::copy(in_.begin(), in_.end(), out);
    }

    // The features of the windows queued, into the result matrices at their centres.
    void flush() {
        if (batch_.lanes == 0) return;
        float values[kSparseLanes][kFeatureCount];
        sparse_features(batch_, terms_, values);
        for (int w = 0; w < batch_.lanes; ++w)
            for (size_t f = 0; f < pairs_.size(); ++f)
                pairs_[f].second->at(batch_x_[w] + half_, Y_ + half_) = values[w][static_cast<int>(features_[f])];
        batch_.lanes = 0;
    }

private:
    // The sorted keys of window column c (both cells of each of its pairs).
    void column_keys(unsigned* v, unsigned c) {
        unsigned* out = v;
        const unsigned* a = img_ + (c + g_.ax) + static_cast<size_t>(Y_ + g_.ay) * W_;
        const unsigned* b = img_ + (c + g_.bx) + static_cast<size_t>(Y_ + g_.by) * W_;
        for (unsigned r = 0; r < g_.rows; ++r) push_pair(out, a[static_cast<size_t>(r) * W_], b[static_cast<size_t>(r) * W_]);
        sort_small(v, per_column_);
    }

    const GEOMETRY& g_;
    const unsigned Y_, W_;
    const unsigned* img_;
    const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs_;
    const std::vector<FEATURE>& features_;
    const unsigned half_;
    const size_t per_column_, per_window_;
    std::vector<unsigned> keys_, next_, ring_, in_;
    COUNT_TERMS terms_;
    std::vector<SPARSE_CELL> cells_[kSparseLanes];
    SPARSE_BATCH batch_{};
    unsigned batch_x_[kSparseLanes];
};

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

    const unsigned positions_x = image.size_of_x() - MASK + 1;
    const unsigned positions_y = image.size_of_y() - MASK + 1;
    const unsigned half = (MASK - 1) / 2;
    ParallelFor(positions_y, threads, [&](unsigned Y) {
        GLCM_ROW_SWEEP row(image, g, Y, pairs, features, half);
        row.first_window();
        for (unsigned X = 0;; ++X) {
            row.queue(X);
            if (X + 1 >= positions_x) break;
            row.slide(X);
        }
        row.flush();
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
