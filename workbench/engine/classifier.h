#pragma once
// Gaussian maximum-likelihood classifier: an 8-bit multiband LAN image in, a nine-band
// classified LAN image out (best, second and third class with their probabilities x 255,
// best rice and best non-rice probability x 255, threshold flag), driven by a class-statistics
// text (K, B, then per class B means and the B x B covariance row by row; the first K/2
// classes are rice).
//
// Three ways in, all giving the same bytes:
//  - ClassifyMaximumLikelihood: one image, one (v, u) pair, one output; streams the image in
//    blocks of lines classified in parallel and written in order.
//  - ClassifyMaximumLikelihoodMany: one image, a list of (v, u) pairs, one output each. Only
//    the flag band depends on (v, u), so the probabilities are computed once; every output is
//    byte-identical to a separate ClassifyMaximumLikelihood call with its pair, and the
//    messages are the ones the separate calls would show, in the same order.
//  - ClassifyMaximumLikelihoodReference: the plain cell-by-cell, single-threaded algorithm,
//    kept as the reference the fast paths are tested against.
// For a caller that wants the per-cell probabilities itself: PrepareClassifier, then
// ClassifyLine per line and ThresholdFlag / FlagLine per (v, u).
//
// The fast kernels (an AVX-512 and an AVX2 one beside the portable one) skip the work that
// provably cannot change a byte; classifier_kernel_impl.h says how.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/message_sink.h"

namespace rice {

// Square matrices as n row buffers of n values.
using Matrix = std::vector<std::vector<double>>;

// Cofactor expansion along the first row (n = 1: the value; n = 2: a11 a00 - a01 a10; n <= 0:
// 0). Minors over the same columns are computed once and reused, which gives the very same
// value as expanding every minor anew, in n 2^n rather than n! steps.
double MatrixDeterminant(const Matrix& a, int n);

// Gauss-Jordan elimination without row exchanges; takes the matrix over. nullopt when a pivot
// is 0 or the result is not finite (the naive elimination would divide by zero there).
std::optional<Matrix> MatrixInverse(Matrix a, int n);

// The class-statistics text as read, before any check of the covariance blocks.
struct ClassStatistics {
    int classes = 0;                          // K
    int bands = 0;                            // B
    std::vector<std::vector<double>> means;   // K x B
    std::vector<Matrix> covariances;          // K x (B x B)
};

// Parses whitespace-separated numbers ("." decimals whatever the locale, numbers after the
// last class ignored). nullopt for K below 1 or above 255, B below 1, a count that is not an
// integer, fewer numbers than K and B announce, a token that is not a number or a number
// that is not finite. `why` gets a short English reason.
// A class-statistics text holds at most 2 x 99 classes of 99 bands (the counts a signature
// file can carry), under 2 million numbers: 64 MiB is far beyond any real one.
inline constexpr std::uint64_t kMaxStatisticsTextBytes = std::uint64_t{64} << 20;

std::optional<ClassStatistics> ReadClassStatistics(std::string_view text, std::string* why = nullptr);

// Statistics ready for classifying cells of an image with `imageBands` bands: n = min(image
// bands, B); per class the first n means, log |det| and the inverse of the leading n x n
// covariance block.
struct ClassifierModel {
    int classes = 0;              // K
    int bands = 0;                // n, the bands used
    int riceClasses = 0;          // K / 2
    std::vector<double> means;    // K x n
    std::vector<double> inverse;  // K x n x n, row by row
    // Per class the upper triangle of inverse + inverse^T (diagonal once): row i holds a_ii,
    // then a_ij + a_ji for j > i, so Q = sum_i d_i (a_ii d_i + sum_j>i (a_ij + a_ji) d_j).
    std::vector<double> quad;     // K x n (n + 1) / 2
    std::vector<double> logDet;   // K
};

constexpr int QuadSize(int n) { return n * (n + 1) / 2; }

// Largest n accepted: the cofactor determinant grows as n 2^n.
inline constexpr int kMaxClassifierBands = 16;

// nullopt (and `why`) for a block that is singular, not finite or meets a zero pivot, or more
// than kMaxClassifierBands used bands.
std::optional<ClassifierModel> PrepareClassifier(const ClassStatistics& stats, int imageBands,
                                                 std::string* why = nullptr);

// Bands 1 to 8 of one classified line, plus what the flag needs per cell.
struct LineClassification {
    int icols = 0;
    std::vector<std::uint8_t> bands;  // 8 rows of icols: bands 1..8 of the output line
    std::vector<double> pBest, pRice, pNonrice;  // per cell; 0 where band 1 is 0
    void Resize(int cols);
};

// The cell kernels: the best one this machine runs (chosen once, at start-up), or one named,
// for comparing each with the reference. All give the same bytes.
enum class ClassifierKernel { kBest, kAvx512, kAvx2, kPortable };
bool ClassifierKernelAvailable(ClassifierKernel kernel);

// Classifies one line: `rows` holds at least model.bands band rows of icols cells each.
void ClassifyLine(const ClassifierModel& model, const std::uint8_t* rows, int icols,
                  LineClassification& out, ClassifierKernel kernel = ClassifierKernel::kBest);

// As ClassifyLine, with bands 1 to 8 written straight to `eightRows` (8 rows of icols, such as
// the start of an output line); only the probabilities go to `out`.
void ClassifyLineInto(const ClassifierModel& model, const std::uint8_t* rows, int icols,
                      std::uint8_t* eightRows, LineClassification& out,
                      ClassifierKernel kernel = ClassifierKernel::kBest);

// 2 when pBest < v (tested first), else 1 when |pRice - pNonrice| < u, else 0.
inline std::uint8_t ThresholdFlag(double pBest, double pRice, double pNonrice, double v, double u) {
    if (pBest < v) return 2;
    double diff = pRice - pNonrice;
    if (diff < 0) diff = -diff;
    return diff < u ? 1 : 0;
}

// Writes the nine output band rows of a classified line for one (v, u) pair (background
// cells flag 0).
void FlagLine(const LineClassification& line, double v, double u, std::uint8_t* nineRows);

// The flag row alone, for a line whose band 1 is `firstBand`.
void FlagRow(const LineClassification& line, const std::uint8_t* firstBand, double v, double u,
             std::uint8_t* flags);

// The deterministic exponential used for the probabilities (the same function, with the same
// fused multiply-adds, on every path and machine): exp(x) within about one unit in the last
// place, exactly 0 below -746.
double ClassifierExp(double x);

struct ClassifyOptions {
    int threads = 0;        // 0: all cores
    int linesPerBlock = 0;  // lines read, classified in parallel and written at a time; 0: by size
    ClassifierKernel kernel = ClassifierKernel::kBest;
};

struct ThresholdOutput {
    std::string path;
    double v = 0;  // minimum probability of the best class
    double u = 0;  // minimum difference between best rice and best non-rice probability
};

// "錯誤類型0003" followed by the output path: that output cannot be created or written.
std::string OutputFailedMessage(const std::string& outputPath);

// Returns the number of non-background cells, or 0 after showing "錯誤類型0001" (input cannot
// be opened or read), "錯誤類型0002" (statistics cannot be opened or are unusable) or
// OutputFailedMessage (output cannot be created or written). The output appears only when
// complete.
int ClassifyMaximumLikelihood(const std::string& input, const std::string& stats,
                              const std::string& output, double v, double u, MessageSink& sink,
                              const ClassifyOptions& options = {});

// One count per output (0 for an output whose call would have failed).
std::vector<int> ClassifyMaximumLikelihoodMany(const std::string& input, const std::string& stats,
                                               const std::vector<ThresholdOutput>& outputs,
                                               MessageSink& sink, const ClassifyOptions& options = {});

int ClassifyMaximumLikelihoodReference(const std::string& input, const std::string& stats,
                                       const std::string& output, double v, double u,
                                       MessageSink& sink);

}  // namespace rice
