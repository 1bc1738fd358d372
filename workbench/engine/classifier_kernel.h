#pragma once
// The classifier's cell kernels, one per instruction set, each in its own file built with
// that set's compiler options. Only plain pointers cross between those files, so no inline
// function compiled for one instruction set can be picked by the linker for another.
#include <cstddef>
#include <cstdint>

namespace rice {

// What a kernel sees of a prepared model (ClassifierModel's arrays).
struct KernelModel {
    int classes = 0;                // K
    int bands = 0;                  // n
    int riceClasses = 0;            // K / 2
    const double* means = nullptr;  // K x n
    const double* quad = nullptr;   // K x n (n + 1) / 2
    const double* logDet = nullptr; // K
};

// One line: n band rows of `cols` cells in; bands 1 to 8 (8 rows of `cols`) and, per cell,
// the three probabilities the flag needs out.
struct KernelLine {
    const std::uint8_t* rows = nullptr;
    std::size_t cols = 0;
    std::uint8_t* bands = nullptr;
    double* pBest = nullptr;
    double* pRice = nullptr;
    double* pNonrice = nullptr;
};

using LineKernel = void (*)(const KernelModel&, const KernelLine&);

// nullptr where the file was built without its instruction set.
LineKernel Avx512LineKernel();
LineKernel Avx2LineKernel();
// One cell at a time; runs anywhere.
LineKernel PortableLineKernel();

}  // namespace rice
