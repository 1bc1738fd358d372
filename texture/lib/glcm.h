#pragma once
// Grey-level co-occurrence features, one direction of pixel pairs per class.
#include <vector>

#include "texture/lib/probability_matrix.h"
#include "texture/lib/run_options.h"

namespace rice {

class GLCM_PROBABILITY_MATRIX : public PROBABILITY_MATRIX {
public:
    // Fills each pair's result matrix (image-sized, cleared by the caller) with its feature at
    // every window centre. MASK: odd, at least 3, no larger than the image; gap below MASK.
    // Throws TextureSizeError when the image's levels give a table too large for memory.
    virtual void compute(MATRIX<unsigned int>& image,
                         const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                         unsigned MASK, unsigned gap, const TEXTURE_RUN_OPTIONS& options = {}) = 0;

    // Pair of window cells: first (c + ax, r + ay), second (c + bx, r + by),
    // c in [0, columns), r in [0, rows).
    struct PAIR_GEOMETRY {
        unsigned ax, ay, bx, by, columns, rows;
    };

protected:
    void compute_direction(MATRIX<unsigned int>& image,
                           const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                           unsigned MASK, const PAIR_GEOMETRY& g, const TEXTURE_RUN_OPTIONS& options);
    // The dense algorithm: every L x L cell per window, one thread (the reference).
    void compute_plain(MATRIX<unsigned int>& image,
                       const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                       unsigned MASK, const PAIR_GEOMETRY& g);
    // Occupied cells only, pair keys kept sorted as the window slides, rows over threads.
    void compute_fast(MATRIX<unsigned int>& image,
                      const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                      unsigned MASK, const PAIR_GEOMETRY& g, unsigned threads);
};

class GLCM_PROBABILITY_MATRIX_N_S : public GLCM_PROBABILITY_MATRIX {
public:
    void compute(MATRIX<unsigned int>& image,
                 const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                 unsigned MASK, unsigned gap, const TEXTURE_RUN_OPTIONS& options = {}) override;
};

class GLCM_PROBABILITY_MATRIX_E_W : public GLCM_PROBABILITY_MATRIX {
public:
    void compute(MATRIX<unsigned int>& image,
                 const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                 unsigned MASK, unsigned gap, const TEXTURE_RUN_OPTIONS& options = {}) override;
};

class GLCM_PROBABILITY_MATRIX_NE_SW : public GLCM_PROBABILITY_MATRIX {
public:
    void compute(MATRIX<unsigned int>& image,
                 const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                 unsigned MASK, unsigned gap, const TEXTURE_RUN_OPTIONS& options = {}) override;
};

class GLCM_PROBABILITY_MATRIX_NW_SE : public GLCM_PROBABILITY_MATRIX {
public:
    void compute(MATRIX<unsigned int>& image,
                 const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                 unsigned MASK, unsigned gap, const TEXTURE_RUN_OPTIONS& options = {}) override;
};

// Shared by the GLCM and cross-diagonal fast paths. A table cell's key orders cells as the
// features visit them (row j outside, column i inside); levels stay below 2^16 because a table
// never has more than 8192 (kMaxProbabilityCells).
inline unsigned sparse_key(unsigned i, unsigned j) { return i | (j << 16); }

// One thread's scratch of the sparse paths.
struct SPARSE_WORK {
    std::vector<SPARSE_CELL> cells;
    COUNT_TERMS terms;
};

// Turns sorted keys into the table's occupied cells with their counts; returns how many.
size_t sparse_cells(const unsigned* keys, size_t n, SPARSE_CELL* cells);

// The same, then stores every pair's feature at (x, y) of its result matrix.
void store_sparse_features(const unsigned* keys, size_t n,
                           const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                           const std::vector<FEATURE>& features, SPARSE_WORK& work, unsigned x, unsigned y);

// True when every pair's function is one of the six features (the fast paths know only those).
bool known_features(const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                    std::vector<FEATURE>& features);

// Result matrices must be as large as the image: a mismatch would write outside them.
void check_result_sizes(const MATRIX<unsigned int>& image,
                        const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs);

}  // namespace rice
