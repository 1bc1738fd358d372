// The cell kernel in eight lanes of AVX-512 (F, DQ, BW, VL) with fused multiply-adds; this file alone
// is built with those instruction sets, and runs only where the processor has them.
#include "workbench/engine/classifier_kernel.h"

#if defined(__AVX512F__) && defined(__AVX512DQ__) && defined(__AVX512BW__) && defined(__AVX512VL__) && \
    defined(__FMA__)
#include <immintrin.h>

#include "workbench/engine/classifier_kernel_impl.h"

namespace rice {
namespace {

struct Avx512Lanes {
    using V = __m512d;
    using M = __mmask8;
    using I = __m512i;
    static constexpr int W = 8;
    static V Set(double v) { return _mm512_set1_pd(v); }
    static I SetI(long long v) { return _mm512_set1_epi64(v); }
    static V Load(const double* p) { return _mm512_loadu_pd(p); }
    static void Store(double* p, V v) { _mm512_storeu_pd(p, v); }
    static V LoadBytes(const std::uint8_t* b) {
        return _mm512_cvtepi64_pd(_mm512_cvtepu8_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(b))));
    }
    static V Add(V a, V b) { return _mm512_add_pd(a, b); }
    static V Sub(V a, V b) { return _mm512_sub_pd(a, b); }
    static V Mul(V a, V b) { return _mm512_mul_pd(a, b); }
    static V Div(V a, V b) { return _mm512_div_pd(a, b); }
    static V Fma(V a, V b, V c) { return _mm512_fmadd_pd(a, b, c); }
    static V Max(V a, V b) { return _mm512_max_pd(a, b); }
    static V Min(V a, V b) { return _mm512_min_pd(a, b); }
    static M Ge(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
    static M Gt(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
    static M Lt(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static M Eq(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
    static M GeWhere(M m, V a, V b) { return _mm512_mask_cmp_pd_mask(m, a, b, _CMP_GE_OQ); }
    static M And(M a, M b) { return static_cast<M>(a & b); }
    static M AndNot(M a, M b) { return static_cast<M>(a & ~b); }
    static M Or(M a, M b) { return static_cast<M>(a | b); }
    static bool Any(M m) { return m != 0; }
    static V Select(M m, V a, V b) { return _mm512_mask_blend_pd(m, b, a); }
    static I Bits(V v) { return _mm512_castpd_si512(v); }
    static V FromBits(I i) { return _mm512_castsi512_pd(i); }
    static I AddI(I a, I b) { return _mm512_add_epi64(a, b); }
    static I SubI(I a, I b) { return _mm512_sub_epi64(a, b); }
    static I OrI(I a, I b) { return _mm512_or_si512(a, b); }
    static I Shl52(I a) { return _mm512_slli_epi64(a, 52); }
    static I Shr52(I a) { return _mm512_srli_epi64(a, 52); }
    // floor(log2 v) for a normal v, the true exponent of a subnormal one, -inf for 0.
    static V Exponent(V v) { return _mm512_getexp_pd(v); }
    // One rounding, subnormal results included: the same value as the split product.
    static V Pow2Scale(V p, V k) { return _mm512_scalef_pd(p, k); }
    static V Trunc(V v) { return _mm512_roundscale_pd(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC); }
    // The first n lanes; v holds whole numbers 0 to 255.
    static void StoreBytes(std::uint8_t* dst, V v, std::size_t n) {
        const __m128i bytes = _mm256_cvtepi32_epi8(_mm512_cvttpd_epi32(v));
        if (n == W) _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), bytes);
        else _mm_mask_storeu_epi8(dst, static_cast<__mmask16>((1u << n) - 1), bytes);
    }
    static void StoreN(double* dst, V v, std::size_t n) {
        _mm512_mask_storeu_pd(dst, static_cast<__mmask8>((1u << n) - 1), v);
    }
};

}  // namespace

LineKernel Avx512LineKernel() { return &KernelLineAny<Avx512Lanes>; }

}  // namespace rice

#else

namespace rice {
LineKernel Avx512LineKernel() { return nullptr; }
}  // namespace rice

#endif
