#pragma once
// Cross-diagonal co-occurrence: each 3 x 3 window's neighbours coded against its centre.
#include <vector>

#include "texture/lib/probability_matrix.h"
#include "texture/lib/run_options.h"

namespace rice {

class CROSS_DIAGONAL_PROBABILITY_MATRIX_3_LEVEL : public PROBABILITY_MATRIX {
public:
    // Fills every pair's result matrix (image-sized) at each 3 x 3 window centre.
    void compute(MATRIX<unsigned int>& image,
                 const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                 const TEXTURE_RUN_OPTIONS& options = {});
};

class CROSS_DIAGONAL_PROBABILITY_MATRIX_2_LEVEL : public PROBABILITY_MATRIX {
public:
    void compute(MATRIX<unsigned int>& image,
                 const std::vector<PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX>& pairs,
                 const TEXTURE_RUN_OPTIONS& options = {});
};

// The four (cross, diagonal) numbers of one window whose cells are given row by row
// (cells[column + 3 * row]); three_levels chooses the coding.
void cross_diagonal_numbers(const unsigned cells[9], bool three_levels, unsigned cross[4],
                            unsigned diagonal[4]);

}  // namespace rice
