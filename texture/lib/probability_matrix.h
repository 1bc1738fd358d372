#pragma once
// Co-occurrence table and the six texture features.
#include <cstdint>
#include <utility>
#include <vector>

#include "texture/lib/matrix.h"

namespace rice {

// Largest cell count of one co-occurrence table (8192 levels).
constexpr std::uint64_t kMaxProbabilityCells = std::uint64_t{1} << 26;

class PROBABILITY_MATRIX {
public:
    PROBABILITY_MATRIX() = default;
    virtual ~PROBABILITY_MATRIX() = default;
    PROBABILITY_MATRIX(const PROBABILITY_MATRIX&) = delete;
    PROBABILITY_MATRIX& operator=(const PROBABILITY_MATRIX&) = delete;

    // L := max + 1. Throws TextureSizeError when L x L cells cannot be held.
    void resize(unsigned max);
    void clear();
    virtual void add(unsigned x, unsigned y, unsigned n);
    float get(unsigned x, unsigned y) const {
        return _data[x + static_cast<size_t>(y) * _max_value_of_data_add_1];
    }
    unsigned max_level() const { return _max_value_of_data_add_1 - 1; }
    void symmetrize();
    void normalize();

    unsigned levels() const { return _max_value_of_data_add_1; }
    unsigned total() const { return _total; }

    // Refuses a level count whose table cannot be held, before anything changes.
    static void check_levels(std::uint64_t levels);

private:
    unsigned _max_value_of_data_add_1 = 0;
    unsigned _total = 0;
    std::vector<float> _data;
};

float contrast(PROBABILITY_MATRIX& p);
float entropy(PROBABILITY_MATRIX& p);
float dissimilarity(PROBABILITY_MATRIX& p);
float energy(PROBABILITY_MATRIX& p);
float homogeneity(PROBABILITY_MATRIX& p);
float correlation(PROBABILITY_MATRIX& p);

using COMPUTATE_FUNCTION = float (*)(PROBABILITY_MATRIX&);
using PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX = std::pair<COMPUTATE_FUNCTION, RESULT_MATRIX<float>*>;

// The occupied cells of a table, in the order the features visit cells (rows outside, columns
// inside), each with its count out of the table's total. The features skip no non-zero term,
// and a zero cell adds exactly nothing to any of their sums, so these give the same floats as
// the dense functions.
struct SPARSE_CELL {
    unsigned i;      // column (first level)
    unsigned j;      // row (second level)
    unsigned count;  // 1 .. total
};

// The terms that depend on a cell's count only, for a table of `total` entries: the cells of
// a window take few distinct counts, so each logarithm is taken once per count, not per cell.
class COUNT_TERMS {
public:
    void prepare(unsigned total);
    float p(unsigned count) const { return _p[count]; }
    float energy(unsigned count) const { return _energy[count]; }
    float entropy(unsigned count) const { return _entropy[count]; }

private:
    unsigned _total = 0;
    std::vector<float> _p, _energy, _entropy;
};

enum class FEATURE { contrast, entropy, dissimilarity, energy, homogeneity, correlation, other };
constexpr int kFeatureCount = 6;
FEATURE feature_of(COMPUTATE_FUNCTION f);
// The six features of one table at once, values[FEATURE]: each feature's terms are added in the
// same order as its dense function adds them, so every value is the same float.
void sparse_features(const SPARSE_CELL* cells, size_t n, const COUNT_TERMS& terms,
                     float values[kFeatureCount]);

// The same for up to four tables at once (lanes 1 to 4), one table per vector lane: each lane
// adds its own cells in their order, then cells of count 0, which add exactly nothing.
constexpr int kSparseLanes = 4;
struct SPARSE_BATCH {
    const SPARSE_CELL* cells[kSparseLanes];
    size_t n[kSparseLanes];
    int lanes;
};
void sparse_features(const SPARSE_BATCH& batch, const COUNT_TERMS& terms,
                     float values[kSparseLanes][kFeatureCount]);

}  // namespace rice
