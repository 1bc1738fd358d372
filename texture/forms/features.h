#pragma once
// The six features the GLCM and cross-diagonal forms offer: their check boxes, the word in the
// output file names, and the function that computes each.
#include <iterator>

#include "platform/ui/window.h"
#include "texture/lib/probability_matrix.h"

namespace tex {

struct Feature {
    const char* box;
    const char* caption;
    const char* word;
    rice::COMPUTATE_FUNCTION function;
};
inline constexpr Feature kFeatures[] = {
    {"CheckBox_Contrast", "Contrast", "contrast", rice::contrast},
    {"CheckBox_Entropy", "Entropy", "entropy", rice::entropy},
    {"CheckBox_Dissimilarity", "Dissimilarity", "dissimilarity", rice::dissimilarity},
    {"CheckBox_Energy", "Energy", "energy", rice::energy},
    {"CheckBox_Homogeneity", "Homogeneity", "homogeneity", rice::homogeneity},
    {"CheckBox_Correlation", "Correlation", "correlation", rice::correlation},
};
inline constexpr size_t kFeatureCount = std::size(kFeatures);

// The features' check boxes, one under the other from (x, y), none checked.
void AddFeatureBoxes(ui::Window& form, int x, int y);

}  // namespace tex
