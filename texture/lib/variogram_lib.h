#pragma once
// Lag statistics of one band or an ordered pair of bands in a moving window.
#include <string>

#include "platform/core/message_sink.h"
#include "texture/lib/matrix.h"
#include "texture/lib/run_options.h"

namespace rice {

// One lag's statistic over the pairs (b view cell, e view cell) of the views.
using VARIOGRAM_KERNEL = long double (*)(const SUB_MATRIX* in1_b, const SUB_MATRIX* in1_e,
                                         const SUB_MATRIX* in2_b, const SUB_MATRIX* in2_e);
// Mean kernel value over lags 1..h at the windows' current position; band_b may be null.
using DIRECTION_DRIVER = float (*)(VARIOGRAM_MW_MATRIX& band_a, VARIOGRAM_MW_MATRIX* band_b,
                                   VARIOGRAM_KERNEL kernel, unsigned h);

long double direct_variogram_kernel(const SUB_MATRIX* in1_b, const SUB_MATRIX* in1_e,
                                    const SUB_MATRIX* in2_b, const SUB_MATRIX* in2_e);
long double madogram_kernel(const SUB_MATRIX* in1_b, const SUB_MATRIX* in1_e,
                            const SUB_MATRIX* in2_b, const SUB_MATRIX* in2_e);
long double cross_madogram_kernel(const SUB_MATRIX* in1_b, const SUB_MATRIX* in1_e,
                                  const SUB_MATRIX* in2_b, const SUB_MATRIX* in2_e);
long double pseudo_cross_variogram_kernel(const SUB_MATRIX* in1_b, const SUB_MATRIX* in1_e,
                                          const SUB_MATRIX* in2_b, const SUB_MATRIX* in2_e);

float direction_driver_e_w(VARIOGRAM_MW_MATRIX& band_a, VARIOGRAM_MW_MATRIX* band_b,
                           VARIOGRAM_KERNEL kernel, unsigned h);
float direction_driver_n_s(VARIOGRAM_MW_MATRIX& band_a, VARIOGRAM_MW_MATRIX* band_b,
                           VARIOGRAM_KERNEL kernel, unsigned h);
float direction_driver_ne_sw(VARIOGRAM_MW_MATRIX& band_a, VARIOGRAM_MW_MATRIX* band_b,
                             VARIOGRAM_KERNEL kernel, unsigned h);
float direction_driver_nw_se(VARIOGRAM_MW_MATRIX& band_a, VARIOGRAM_MW_MATRIX* band_b,
                             VARIOGRAM_KERNEL kernel, unsigned h);

// Walks every window position, storing the driver's value under the window centre.
void variogram_window_loop(VARIOGRAM_MW_MATRIX& band_a, VARIOGRAM_MW_MATRIX* band_b,
                           MW_MATRIX<float>& result, DIRECTION_DRIVER driver,
                           VARIOGRAM_KERNEL kernel, unsigned h);

// Computes the selected directions into grids sized and formatted as band A, writes
// base + "_e_w.txt", "_n_s.txt", "_ne_sw.txt", "_nw_se.txt" and, when asked and at least one
// direction is selected, "_avg.txt". False when the run ended early: h below 1 or not below MW,
// or a file that could not be written; the operator was told through sink.
bool variogram_by_direction(VARIOGRAM_MATRIX& band_a, VARIOGRAM_MATRIX* band_b, unsigned MW,
                            DIRECTION_OPTION option, VARIOGRAM_KERNEL kernel,
                            const std::string& base_name, int h, MessageSink& sink,
                            const TEXTURE_RUN_OPTIONS& options = {});

bool direct_variogram(VARIOGRAM_MATRIX& band_a, unsigned MW, DIRECTION_OPTION option,
                      const std::string& base_name, int h, MessageSink& sink,
                      const TEXTURE_RUN_OPTIONS& options = {});
bool madogram(VARIOGRAM_MATRIX& band_a, unsigned MW, DIRECTION_OPTION option,
              const std::string& base_name, int h, MessageSink& sink,
              const TEXTURE_RUN_OPTIONS& options = {});
bool cross_madogram(VARIOGRAM_MATRIX& band_a, VARIOGRAM_MATRIX& band_b, unsigned MW,
                    DIRECTION_OPTION option, const std::string& base_name, int h, MessageSink& sink,
                    const TEXTURE_RUN_OPTIONS& options = {});
bool pseudo_cross_variogram(VARIOGRAM_MATRIX& band_a, VARIOGRAM_MATRIX& band_b, unsigned MW,
                            DIRECTION_OPTION option, const std::string& base_name, int h,
                            MessageSink& sink, const TEXTURE_RUN_OPTIONS& options = {});

}  // namespace rice
