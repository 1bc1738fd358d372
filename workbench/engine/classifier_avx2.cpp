// The cell kernel in four lanes of AVX2 with fused multiply-adds; this file alone is built
// with those instruction sets, and runs only where the processor has them.
#include "workbench/engine/classifier_kernel.h"

#if defined(__AVX2__) && defined(__FMA__)
#include <immintrin.h>

#include "workbench/engine/classifier_kernel_impl.h"

namespace rice {
namespace {

struct Avx2Lanes {
    using V = __m256d;
    using M = __m256d;
    using I = __m256i;
    static constexpr int W = 4;
    static V Set(double v) { return _mm256_set1_pd(v); }
    static I SetI(long long v) { return _mm256_set1_epi64x(v); }
    static V Load(const double* p) { return _mm256_loadu_pd(p); }
    static void Store(double* p, V v) { _mm256_storeu_pd(p, v); }
    static V LoadBytes(const std::uint8_t* b) {
        int four;
        std::memcpy(&four, b, sizeof four);
        return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four)));
    }
    static V Add(V a, V b) { return _mm256_add_pd(a, b); }
    static V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
    static V Mul(V a, V b) { return _mm256_mul_pd(a, b); }
    static V Div(V a, V b) { return _mm256_div_pd(a, b); }
    static V Fma(V a, V b, V c) { return _mm256_fmadd_pd(a, b, c); }
    static V Max(V a, V b) { return _mm256_max_pd(a, b); }
    static V Min(V a, V b) { return _mm256_min_pd(a, b); }
    static M Ge(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
    static M Gt(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static M Lt(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static M Eq(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
    static M GeWhere(M m, V a, V b) { return And(m, Ge(a, b)); }
    static M And(M a, M b) { return _mm256_and_pd(a, b); }
    static M AndNot(M a, M b) { return _mm256_andnot_pd(b, a); }
    static M Or(M a, M b) { return _mm256_or_pd(a, b); }
    static bool Any(M m) { return _mm256_movemask_pd(m) != 0; }
    static V Select(M m, V a, V b) { return _mm256_blendv_pd(b, a, m); }
    static I Bits(V v) { return _mm256_castpd_si256(v); }
    static V FromBits(I i) { return _mm256_castsi256_pd(i); }
    static I AddI(I a, I b) { return _mm256_add_epi64(a, b); }
    static I SubI(I a, I b) { return _mm256_sub_epi64(a, b); }
    static I OrI(I a, I b) { return _mm256_or_si256(a, b); }
    static I Shl52(I a) { return _mm256_slli_epi64(a, 52); }
    static I Shr52(I a) { return _mm256_srli_epi64(a, 52); }
    // floor(log2 v) for a normal v >= 0, -1023 below (the exponent field, unbiased).
    static V Exponent(V v) {
        const V field = FromBits(_mm256_or_si256(Shr52(Bits(v)), Bits(Set(0x1p52))));
        return Sub(field, Set(0x1p52 + 1023.0));
    }
    static V Pow2Scale(V p, V k) { return KernelScaleBySplit<Avx2Lanes>(p, k); }
    static V Trunc(V v) { return _mm256_round_pd(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC); }
    // The first n lanes; v holds whole numbers 0 to 255.
    static void StoreBytes(std::uint8_t* dst, V v, std::size_t n) {
        __m128i i = _mm256_cvttpd_epi32(v);
        i = _mm_packus_epi32(i, i);
        i = _mm_packus_epi16(i, i);
        const int four = _mm_cvtsi128_si32(i);
        std::memcpy(dst, &four, n);
    }
    static void StoreN(double* dst, V v, std::size_t n) {
        if (n == W) return Store(dst, v);
        alignas(32) double lanes[W];
        _mm256_store_pd(lanes, v);
        std::memcpy(dst, lanes, n * sizeof(double));
    }
};

}  // namespace

LineKernel Avx2LineKernel() { return &KernelLineAny<Avx2Lanes>; }

}  // namespace rice

#else

namespace rice {
LineKernel Avx2LineKernel() { return nullptr; }
}  // namespace rice

#endif
