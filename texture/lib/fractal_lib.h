#pragma once
// Local fractal dimension by the triangular-prism method.
#include <string>
#include <vector>

#include "platform/core/message_sink.h"
#include "texture/lib/matrix.h"
#include "texture/lib/run_options.h"

namespace rice {

// Walks a window of width x height (equal, odd, at least 5, no larger than the image) over the
// image and writes the r² grid to r_file_name, then the dimension grid to df_file_name, both
// in the image's format. False when a file could not be written (the operator was told).
bool fractal_dimension(FRACTAL_MATRIX& image, const std::string& r_file_name,
                       const std::string& df_file_name, unsigned width, unsigned height,
                       MessageSink& sink, const TEXTURE_RUN_OPTIONS& options = {});

// Appends, for each step 1, 2, 4, ... below the window width, the prism surface area of the
// window at its current position and the squared step.
void prism_surface_area(FRACTAL_MATRIX& image, MW_MATRIX<unsigned int>& window,
                        std::vector<float>& area, std::vector<float>& squared_step);

// Least-squares fit of ln(area) against ln(step²); replaces both lists by their logarithms.
// Areas equal at every step leave no slope to fit (r would be 0 / 0) and give r² 0 and D 2:
// same_areas says so from the grey values (a flat or planar window of size 2^k + 1, whose
// float areas differ only by rounding); logarithms that come out equal say so too.
void fractal_regression(std::vector<float>& area, std::vector<float>& squared_step, float& r2,
                        float& D, bool same_areas = false);

// Area of one cell of side p with corner heights a (q, r), b (q, r + p), c (q + p, r + p),
// d (q + p, r): four triangles around the centre height.
float prism_cell_area(float a, float b, float c, float d, float p);

}  // namespace rice
