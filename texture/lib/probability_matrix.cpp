#include "texture/lib/probability_matrix.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace rice {

void PROBABILITY_MATRIX::check_levels(std::uint64_t levels) {
    if (levels * levels > kMaxProbabilityCells)
        throw TextureSizeError("灰階數過多,共生矩陣超出記憶體 : " + std::to_string(levels));
}

void PROBABILITY_MATRIX::resize(unsigned max) {
    std::uint64_t levels = std::uint64_t{max} + 1;
    check_levels(levels);
    std::vector<float>(static_cast<size_t>(levels * levels), 0.0f).swap(_data);
    _max_value_of_data_add_1 = static_cast<unsigned>(levels);
    _total = 0;
}

void PROBABILITY_MATRIX::clear() {
    _total = 0;
    for (auto& v : _data) v = 0;
}

void PROBABILITY_MATRIX::add(unsigned x, unsigned y, unsigned n) {
    TEXTURE_CHECK(x < _max_value_of_data_add_1, "x < _max_value_of_data_add_1", "matrix", 735);
    TEXTURE_CHECK(y < _max_value_of_data_add_1, "y < _max_value_of_data_add_1", "matrix", 736);
    _data[x + static_cast<size_t>(y) * _max_value_of_data_add_1] += static_cast<float>(n);
    _total += n;
}

void PROBABILITY_MATRIX::symmetrize() {
    const unsigned L = _max_value_of_data_add_1;
    for (unsigned a = 0; a < L; ++a) {
        for (unsigned b = a; b < L; ++b) {
            if (a != b) {
                unsigned c1 = static_cast<unsigned>(get(b, a));
                unsigned c2 = static_cast<unsigned>(get(a, b));
                add(b, a, c2);
                add(a, b, c1);
            } else {
                add(a, a, static_cast<unsigned>(get(a, a)));
            }
        }
    }
}

void PROBABILITY_MATRIX::normalize() {
    float total = static_cast<float>(_total);
    for (auto& v : _data) v = v / total;
}

// The feature terms, shared by the dense and the sparse forms.
namespace {

inline float contrast_term(unsigned i, unsigned j, float p) {
    int d = static_cast<int>(i) - static_cast<int>(j);
    return p * static_cast<float>(d * d);
}
inline float entropy_term(float p) { return -std::log(p) * p; }
inline float dissimilarity_term(unsigned i, unsigned j, float p) {
    int d = static_cast<int>(i) - static_cast<int>(j);
    return p * static_cast<float>(d < 0 ? -d : d);
}
inline float energy_term(float p) { return p * p; }
inline float homogeneity_term(unsigned i, unsigned j, float p) {
    int d = static_cast<int>(i) - static_cast<int>(j);
    return p / static_cast<float>(1 + d * d);
}

// A feature's sum of its term over the matrix, column by column: the order the fast paths keep.
template <class Term>
float sum_of_terms(PROBABILITY_MATRIX& p, Term term) {
    const unsigned L = p.levels();
    float s = 0;
    for (unsigned j = 0; j < L; ++j)
        for (unsigned i = 0; i < L; ++i) s = s + term(i, j, p.get(i, j));
    return s;
}

struct CORRELATION_SUMS {
    float mux = 0, muy = 0, sx = 0, sy = 0, s = 0;
};

inline float correlation_result(const CORRELATION_SUMS& c) {
    float product = c.sy * c.sx;
    float root = static_cast<float>(std::sqrt(static_cast<double>(product)));
    if (root == 0) return 1;
    return (c.s - c.muy * c.mux) / root;
}

}  // namespace

float contrast(PROBABILITY_MATRIX& p) { return sum_of_terms(p, contrast_term); }

float entropy(PROBABILITY_MATRIX& p) {
    const unsigned L = p.levels();
    float s = 0;
    for (unsigned j = 0; j < L; ++j)
        for (unsigned i = 0; i < L; ++i) {
            float v = p.get(i, j);
            if (v != 0) s = s + entropy_term(v);
        }
    return s;
}

float dissimilarity(PROBABILITY_MATRIX& p) { return sum_of_terms(p, dissimilarity_term); }

float energy(PROBABILITY_MATRIX& p) {
    return sum_of_terms(p, [](unsigned, unsigned, float v) { return energy_term(v); });
}

float homogeneity(PROBABILITY_MATRIX& p) { return sum_of_terms(p, homogeneity_term); }

// The mean product is subtracted once, after the sum, so the value stays in [-1, 1] whatever
// the number of levels.
float correlation(PROBABILITY_MATRIX& p) {
    const unsigned L = p.levels();
    CORRELATION_SUMS c;
    for (unsigned j = 0; j < L; ++j)
        for (unsigned i = 0; i < L; ++i) {
            float v = p.get(i, j);
            c.mux = c.mux + static_cast<float>(i) * v;
            c.muy = c.muy + static_cast<float>(j) * v;
        }
    for (unsigned j = 0; j < L; ++j)
        for (unsigned i = 0; i < L; ++i) {
            float v = p.get(i, j);
            float di = static_cast<float>(i) - c.mux;
            float dj = static_cast<float>(j) - c.muy;
            c.sx = c.sx + di * v * di;
            c.sy = c.sy + dj * v * dj;
        }
    for (unsigned j = 0; j < L; ++j)
        for (unsigned i = 0; i < L; ++i)
            c.s = c.s + static_cast<float>(i * j) * p.get(i, j);
    return correlation_result(c);
}

FEATURE feature_of(COMPUTATE_FUNCTION f) {
    if (f == &contrast) return FEATURE::contrast;
    if (f == &entropy) return FEATURE::entropy;
    if (f == &dissimilarity) return FEATURE::dissimilarity;
    if (f == &energy) return FEATURE::energy;
    if (f == &homogeneity) return FEATURE::homogeneity;
    if (f == &correlation) return FEATURE::correlation;
    return FEATURE::other;
}

void COUNT_TERMS::prepare(unsigned total) {
    if (total == _total && !_p.empty()) return;
    _total = total;
    _p.assign(total + 1, 0.0f);
    _energy.assign(total + 1, 0.0f);
    _entropy.assign(total + 1, 0.0f);
    const float t = static_cast<float>(total);
    for (unsigned c = 1; c <= total; ++c) {
        const float p = static_cast<float>(c) / t;  // what normalize gives a cell of c
        _p[c] = p;
        _energy[c] = energy_term(p);
        _entropy[c] = entropy_term(p);
    }
}

void sparse_features(const SPARSE_CELL* cells, size_t n, const COUNT_TERMS& terms, float values[kFeatureCount]) {
    // Independent sums side by side: each keeps its own order, so the floats do not change.
    float con = 0, ent = 0, dis = 0, ene = 0, hom = 0;
    CORRELATION_SUMS c;
    for (size_t k = 0; k < n; ++k) {
        const unsigned i = cells[k].i, j = cells[k].j;
        const float p = terms.p(cells[k].count);
        con = con + contrast_term(i, j, p);
        ent = ent + terms.entropy(cells[k].count);
        dis = dis + dissimilarity_term(i, j, p);
        ene = ene + terms.energy(cells[k].count);
        hom = hom + homogeneity_term(i, j, p);
        c.mux = c.mux + static_cast<float>(i) * p;
        c.muy = c.muy + static_cast<float>(j) * p;
        c.s = c.s + static_cast<float>(i * j) * p;
    }
    for (size_t k = 0; k < n; ++k) {
        const float p = terms.p(cells[k].count);
        float di = static_cast<float>(cells[k].i) - c.mux;
        float dj = static_cast<float>(cells[k].j) - c.muy;
        c.sx = c.sx + di * p * di;
        c.sy = c.sy + dj * p * dj;
    }
    values[static_cast<int>(FEATURE::contrast)] = con;
    values[static_cast<int>(FEATURE::entropy)] = ent;
    values[static_cast<int>(FEATURE::dissimilarity)] = dis;
    values[static_cast<int>(FEATURE::energy)] = ene;
    values[static_cast<int>(FEATURE::homogeneity)] = hom;
    values[static_cast<int>(FEATURE::correlation)] = correlation_result(c);
}

namespace {
typedef float V4F __attribute__((vector_size(16)));
typedef int V4I __attribute__((vector_size(16)));
}  // namespace

void sparse_features(const SPARSE_BATCH& batch, const COUNT_TERMS& terms, float values[kSparseLanes][kFeatureCount]) {
    // The cells lane by lane, shorter tables padded with count 0 (p, energy and entropy 0).
    size_t n = 0;
    for (int w = 0; w < batch.lanes; ++w) n = std::max(n, batch.n[w]);
    thread_local std::vector<V4I> I, J;
    thread_local std::vector<V4F> P, E, H;
    I.assign(n, V4I{});
    J.assign(n, V4I{});
    P.assign(n, V4F{});
    E.assign(n, V4F{});
    H.assign(n, V4F{});
    for (int w = 0; w < batch.lanes; ++w)
        for (size_t k = 0; k < batch.n[w]; ++k) {
            const SPARSE_CELL& cell = batch.cells[w][k];
            I[k][w] = static_cast<int>(cell.i);
            J[k][w] = static_cast<int>(cell.j);
            P[k][w] = terms.p(cell.count);
            E[k][w] = terms.energy(cell.count);
            H[k][w] = terms.entropy(cell.count);
        }
    // The operations of the scalar terms, lane by lane: levels are below 2^16, so every integer
    // here fits an int and converts as the unsigned would.
    V4F con{}, ent{}, dis{}, ene{}, hom{}, mux{}, muy{}, cs{};
    const V4I one = {1, 1, 1, 1};
    for (size_t k = 0; k < n; ++k) {
        const V4I d = I[k] - J[k];
        const V4I dd = d * d;
        const V4I sign = d >> 31;
        const V4I ad = (d ^ sign) - sign;
        const V4F p = P[k];
        con = con + p * __builtin_convertvector(dd, V4F);
        ent = ent + H[k];
        dis = dis + p * __builtin_convertvector(ad, V4F);
        ene = ene + E[k];
        hom = hom + p / __builtin_convertvector(one + dd, V4F);
        mux = mux + __builtin_convertvector(I[k], V4F) * p;
        muy = muy + __builtin_convertvector(J[k], V4F) * p;
        cs = cs + __builtin_convertvector(I[k] * J[k], V4F) * p;
    }
    V4F sx{}, sy{};
    for (size_t k = 0; k < n; ++k) {
        const V4F di = __builtin_convertvector(I[k], V4F) - mux;
        const V4F dj = __builtin_convertvector(J[k], V4F) - muy;
        sx = sx + di * P[k] * di;
        sy = sy + dj * P[k] * dj;
    }
    for (int w = 0; w < batch.lanes; ++w) {
        float* v = values[w];
        v[static_cast<int>(FEATURE::contrast)] = con[w];
        v[static_cast<int>(FEATURE::entropy)] = ent[w];
        v[static_cast<int>(FEATURE::dissimilarity)] = dis[w];
        v[static_cast<int>(FEATURE::energy)] = ene[w];
        v[static_cast<int>(FEATURE::homogeneity)] = hom[w];
        CORRELATION_SUMS c{mux[w], muy[w], sx[w], sy[w], cs[w]};
        v[static_cast<int>(FEATURE::correlation)] = correlation_result(c);
    }
}

}  // namespace rice
