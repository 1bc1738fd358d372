#pragma once
// The cell kernel written once over a set of lane operations L (W cells side by side) and
// included by each instruction set's file. Everything is in an unnamed namespace on purpose:
// each file keeps its own copy, compiled for its own instruction set.
//
// Every value that reaches the output is computed by the same operations, in the same order,
// as the plain cell-by-cell reference (fused multiply-adds where it has std::fma), so the bytes
// are the same. What the kernel leaves out provably changes nothing:
//  - the sum of the exponentials is taken in class order, but a term that is below half an
//    ulp of the running sum (bounded from its argument before it is computed, with room for
//    the exponential's own error) is skipped: adding it would leave the sum unchanged;
//  - the probabilities are divided out only for the candidates of the five choices: classes
//    whose exponent lies within kNear of the third best overall or of the best of their half.
//    Any other class has a probability strictly below every candidate's, so it cannot win, tie
//    or be chosen second or third. Where that margin cannot be trusted (fewer than three
//    classes, an empty half, a chosen probability that could underflow, discriminants that
//    are not finite) the cells take every class and every term, as the reference does.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "workbench/engine/classifier_kernel.h"

namespace rice {
namespace {

constexpr int kKernelMaxClasses = 255;
constexpr int kKernelMaxBands = 16;
constexpr double kNear = 1.0 / 1048576;  // far above the few ulps the exponential may be off
constexpr double kTrusted = -700;        // e^-700 / 255 is still a normal number

constexpr int KernelQuadSize(int n) { return n * (n + 1) / 2; }

// p x 2^k for a whole k from -1100 to 1100, rounded once: k = k1 + k2 with both halves inside
// the normal exponent range, so p x 2^k1 is exact and only the second product rounds.
template <class L>
[[gnu::always_inline]] inline typename L::V KernelScaleBySplit(typename L::V p, typename L::V k) {
    using V = typename L::V;
    constexpr double kShifter = 0x1.8p52;
    const auto shifter = L::Bits(L::Set(kShifter));
    const auto ki = L::SubI(L::Bits(L::Add(k, L::Set(kShifter))), shifter);
    const auto k1 = L::SubI(L::Bits(L::Fma(k, L::Set(0.5), L::Set(kShifter))), shifter);
    const auto k2 = L::SubI(ki, k1);
    const V s1 = L::FromBits(L::Shl52(L::AddI(k1, L::SetI(1023))));
    const V s2 = L::FromBits(L::Shl52(L::AddI(k2, L::SetI(1023))));
    return L::Mul(L::Mul(p, s1), s2);
}

// exp(x) for x <= 709 (NaN gives NaN): 2^k e^r with r = x - k ln 2, |r| <= ln2 / 2; e^r by its
// Taylor series to r^13; 2^k applied as two normal powers of two so a subnormal result is
// rounded once; exactly 0 below -746. The reference calls it with one lane.
template <class L>
[[gnu::always_inline]] inline typename L::V KernelExp(typename L::V x) {
    using V = typename L::V;
    constexpr double kShifter = 0x1.8p52;
    constexpr double kInvLn2 = 1.44269504088896338700e+00;
    constexpr double kLn2Hi = 6.93147180369123816490e-01;
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    const auto underflow = L::Lt(x, L::Set(-746.0));
    const V xc = L::Select(underflow, L::Set(-746.0), x);
    const V kd = L::Fma(xc, L::Set(kInvLn2), L::Set(kShifter));
    const V k = L::Sub(kd, L::Set(kShifter));  // nearest integer to x / ln 2
    V r = L::Fma(k, L::Set(-kLn2Hi), xc);
    r = L::Fma(k, L::Set(-kLn2Lo), r);
    V p = L::Set(1.0 / 6227020800.0);  // 1/13!
    p = L::Fma(p, r, L::Set(1.0 / 479001600.0));
    p = L::Fma(p, r, L::Set(1.0 / 39916800.0));
    p = L::Fma(p, r, L::Set(1.0 / 3628800.0));
    p = L::Fma(p, r, L::Set(1.0 / 362880.0));
    p = L::Fma(p, r, L::Set(1.0 / 40320.0));
    p = L::Fma(p, r, L::Set(1.0 / 5040.0));
    p = L::Fma(p, r, L::Set(1.0 / 720.0));
    p = L::Fma(p, r, L::Set(1.0 / 120.0));
    p = L::Fma(p, r, L::Set(1.0 / 24.0));
    p = L::Fma(p, r, L::Set(1.0 / 6.0));
    p = L::Fma(p, r, L::Set(0.5));
    p = L::Fma(p, r, L::Set(1.0));
    p = L::Fma(p, r, L::Set(1.0));
    return L::Select(underflow, L::Set(0.0), L::Pow2Scale(p, k));
}


// g = -0.5 (ln|det| + d^T A d) of class k over the folded triangle, as the reference sums it.
template <class L, int N>
[[gnu::always_inline]] inline typename L::V KernelDiscriminant(const KernelModel& m, int n, int k,
                                                               const typename L::V* x) {
    using V = typename L::V;
    if constexpr (N > 0) n = N;
    else if (n > kKernelMaxBands) n = kKernelMaxBands;  // never: the model refuses more
    const double* mean = m.means + static_cast<std::size_t>(k) * n;
    const double* a = m.quad + static_cast<std::size_t>(k) * KernelQuadSize(n);
    V d[kKernelMaxBands];
    if constexpr (N == 0)
        for (V& v : d) v = L::Set(0.0);  // only to quiet the compiler: d[n..] is never read
#pragma GCC unroll 16
    for (int j = 0; j < n; ++j) d[j] = L::Sub(x[j], L::Set(mean[j]));
    V q = L::Set(0.0);
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) {
        V r = L::Mul(L::Set(*a++), d[i]);
#pragma GCC unroll 16
        for (int j = i + 1; j < n; ++j) r = L::Fma(L::Set(*a++), d[j], r);
        q = i == 0 ? L::Mul(d[i], r) : L::Fma(d[i], r, q);
    }
    return L::Mul(L::Set(-0.5), L::Add(L::Set(m.logDet[k]), q));
}

// The choices of W cells, class indices kept as doubles so every lane is alike.
template <class L>
struct KernelChoices {
    typename L::V best, pb, second, ps, third, pt, rice, pr, nonrice, pn;
};

// The five searches over the classes in `list` (ascending), p[k * W] their probabilities: the
// later class wins ties for best, second and third, the earlier for each half. Over every
// class they start where the reference does (class 1, and the first non-rice class), which
// keeps its answers even for probabilities that are not numbers. Over candidates only they
// start below every probability, so a class missing from the list is as good as absent.
// Three passes, each needing the one before: the best and the best of each half, then the
// second, then the third.

// The best overall and the best rice (classes below R) and non-rice class.
template <class L>
[[gnu::always_inline]] inline void KernelChooseBest(KernelChoices<L>& c, const double* p, const int* list,
                                                    int count, int R) {
    using V = typename L::V;
    constexpr int W = L::W;
    for (int i = 0; i < count; ++i) {
        const int k = list[i];
        const V pk = L::Load(p + static_cast<std::size_t>(k) * W);
        const V kd = L::Set(static_cast<double>(k));
        const auto take = L::Ge(pk, c.pb);
        c.best = L::Select(take, kd, c.best);
        c.pb = L::Select(take, pk, c.pb);
        if (k < R) {
            const auto t = L::Gt(pk, c.pr);
            c.rice = L::Select(t, kd, c.rice);
            c.pr = L::Select(t, pk, c.pr);
        } else {
            const auto t = L::Gt(pk, c.pn);
            c.nonrice = L::Select(t, kd, c.nonrice);
            c.pn = L::Select(t, pk, c.pn);
        }
    }
}

// The second: the best once the best class counts as 0.
template <class L>
[[gnu::always_inline]] inline void KernelChooseSecond(KernelChoices<L>& c, const double* p, const int* list,
                                                      int count, bool everyClass) {
    using V = typename L::V;
    constexpr int W = L::W;
    const V zero = L::Set(0.0);
    if (everyClass) c.ps = L::Select(L::Eq(c.best, zero), zero, L::Load(p));
    for (int i = 0; i < count; ++i) {
        const int k = list[i];
        const V kd = L::Set(static_cast<double>(k));
        const V q = L::Select(L::Eq(c.best, kd), zero, L::Load(p + static_cast<std::size_t>(k) * W));
        const auto take = L::Ge(q, c.ps);
        c.second = L::Select(take, kd, c.second);
        c.ps = L::Select(take, q, c.ps);
    }
}

// The third: the best once the best and the second count as 0.
template <class L>
[[gnu::always_inline]] inline void KernelChooseThird(KernelChoices<L>& c, const double* p, const int* list,
                                                     int count, bool everyClass) {
    using V = typename L::V;
    constexpr int W = L::W;
    const V zero = L::Set(0.0);
    if (everyClass) c.pt = L::Select(L::Or(L::Eq(c.best, zero), L::Eq(c.second, zero)), zero, L::Load(p));
    for (int i = 0; i < count; ++i) {
        const int k = list[i];
        const V kd = L::Set(static_cast<double>(k));
        const V q = L::Select(L::Or(L::Eq(c.best, kd), L::Eq(c.second, kd)), zero,
                              L::Load(p + static_cast<std::size_t>(k) * W));
        const auto take = L::Ge(q, c.pt);
        c.third = L::Select(take, kd, c.third);
        c.pt = L::Select(take, q, c.pt);
    }
}

template <class L>
[[gnu::always_inline]] inline KernelChoices<L> KernelChoose(const double* p, const int* list, int count,
                                                             int R, bool everyClass) {
    using V = typename L::V;
    constexpr int W = L::W;
    const V none = L::Set(-1.0), zero = L::Set(0.0);
    KernelChoices<L> c{none, none, none, none, none, none, none, none, none, none};
    if (everyClass) {
        const V p0 = L::Load(p);
        c = KernelChoices<L>{zero, p0, zero, none, zero, none, zero, p0,
                             L::Set(static_cast<double>(R)), L::Load(p + static_cast<std::size_t>(R) * W)};
    }
    KernelChooseBest<L>(c, p, list, count, R);
    KernelChooseSecond<L>(c, p, list, count, everyClass);
    KernelChooseThird<L>(c, p, list, count, everyClass);
    return c;
}

// W cells whose n band values are x; `live` marks the cells that are not background.
template <class L, int N>
[[gnu::always_inline]] inline KernelChoices<L> KernelCells(const KernelModel& m, const typename L::V* x,
                                                           typename L::M live, double* g, double* e,
                                                           double* p) {
    using V = typename L::V;
    constexpr int W = L::W;
    const int K = m.classes, R = m.riceClasses, n = m.bands;
    const V low = L::Set(-__builtin_inf());

    // The discriminants, their maximum, the third largest and the best of each half; their
    // sum only tells whether one is not a number (the maximum could pass over it).
    V t1 = low, t2 = low, t3 = low, riceTop = low, otherTop = low, total = L::Set(0.0);
    for (int k = 0; k < K; ++k) {
        const V gk = KernelDiscriminant<L, N>(m, n, k, x);
        L::Store(g + static_cast<std::size_t>(k) * W, gk);
        total = L::Add(total, gk);
        t3 = L::Max(t3, L::Min(t2, gk));
        t2 = L::Max(t2, L::Min(t1, gk));
        t1 = L::Max(t1, gk);
        if (k < R) riceTop = L::Max(riceTop, gk);
        else otherTop = L::Max(otherTop, gk);
    }

    // Where the margins hold, the candidates of the choices are the classes within kNear of
    // the third best overall or of the best of their half.
    const V x3 = L::Sub(t3, t1), xr = L::Sub(riceTop, t1), xo = L::Sub(otherTop, t1);
    const V trusted = L::Set(kTrusted);
    const auto sound = L::And(L::And(L::Ge(x3, trusted), L::Eq(total, total)),
                              L::And(L::Ge(xr, trusted), L::Ge(xo, trusted)));
    const bool all = L::Any(L::AndNot(live, sound));  // not numbers included
    // A class is a candidate when it reaches the lower of the two cuts that apply to it.
    const V near = L::Set(kNear);
    const V cut3 = L::Sub(x3, near);
    const V cutRice = L::Min(cut3, L::Sub(xr, near)), cutOther = L::Min(cut3, L::Sub(xo, near));

    // The sum in class order, skipping the terms that cannot change it; the exponentials of
    // the candidates are kept.
    int list[kKernelMaxClasses];
    int count = 0;
    V sum = L::Set(0.0);
    V lim = L::Set(-__builtin_inf());
    for (int k = 0; k < K; ++k) {
        const V xk = L::Sub(L::Load(g + static_cast<std::size_t>(k) * W), t1);
        const V cut = k < R ? cutRice : cutOther;
        if (!all && !L::Any(L::GeWhere(live, xk, L::Min(lim, cut)))) continue;  // the usual case
        const bool need = all || L::Any(L::GeWhere(live, xk, lim));
        const bool candidate = all || L::Any(L::GeWhere(live, xk, cut));
        const V ek = KernelExp<L>(xk);
        if (candidate) {
            L::Store(e + static_cast<std::size_t>(k) * W, ek);
            list[count++] = k;
        }
        if (!need) continue;
        sum = L::Add(sum, ek);
        // exp(x) below 2^(E - 56) stays, with its error, below half the ulp 2^(E - 52) of a
        // sum in [2^E, 2^(E+1)) (and one below -746 is exactly 0).
        lim = L::Mul(L::Sub(L::Exponent(sum), L::Set(56.0)), L::Set(0.6931471805599453));
    }
    for (int i = 0; i < count; ++i) {
        const std::size_t at = static_cast<std::size_t>(list[i]) * W;
        L::Store(p + at, L::Div(L::Load(e + at), sum));
    }
    return KernelChoose<L>(p, list, count, R, all);
}

template <class L, int N>
void KernelLineOf(const KernelModel& m, const KernelLine& line) {
    using V = typename L::V;
    constexpr int W = L::W;
    const int n = N > 0 ? N : m.bands;
    const std::size_t cols = line.cols;
    alignas(64) double g[kKernelMaxClasses * W], e[kKernelMaxClasses * W], p[kKernelMaxClasses * W];
    std::uint8_t* band[8];
    for (int b = 0; b < 8; ++b) band[b] = line.bands + b * cols;
    const V zero = L::Set(0.0), one = L::Set(1.0), full = L::Set(255.0), top = L::Set(256.0);
    for (std::size_t c0 = 0; c0 < cols; c0 += W) {
        const std::size_t tn = cols - c0 < static_cast<std::size_t>(W) ? cols - c0 : W;
        V x[kKernelMaxBands];
        V sum = zero;
        for (int b = 0; b < n; ++b) {
            const std::uint8_t* src = line.rows + b * cols + c0;
            // One lane is always full (and GCC would warn on a padded copy it never makes).
            if (W == 1 || tn == static_cast<std::size_t>(W)) {
                x[b] = L::LoadBytes(src);
            } else {
                std::uint8_t padded[W] = {};
                std::memcpy(padded, src, tn);
                x[b] = L::LoadBytes(padded);
            }
            sum = L::Add(sum, x[b]);
        }
        // Background cells (every used band 0) get 0 everywhere.
        const auto live = L::Gt(sum, zero);
        KernelChoices<L> c{zero, zero, zero, zero, zero, zero, zero, zero, zero, zero};
        if (L::Any(live)) c = KernelCells<L, N>(m, x, live, g, e, p);
        auto classOf = [&](V k) { return L::Select(live, L::Add(k, one), zero); };
        // p x 255 truncated, as a byte.
        auto byteOf = [&](V q) {
            const V y = L::Mul(q, full);
            return L::Select(L::And(live, L::And(L::Ge(y, zero), L::Lt(y, top))), L::Trunc(y), zero);
        };
        L::StoreBytes(band[0] + c0, classOf(c.best), tn);
        L::StoreBytes(band[1] + c0, byteOf(c.pb), tn);
        L::StoreBytes(band[2] + c0, classOf(c.second), tn);
        L::StoreBytes(band[3] + c0, byteOf(c.ps), tn);
        L::StoreBytes(band[4] + c0, classOf(c.third), tn);
        L::StoreBytes(band[5] + c0, byteOf(c.pt), tn);
        L::StoreBytes(band[6] + c0, byteOf(c.pr), tn);
        L::StoreBytes(band[7] + c0, byteOf(c.pn), tn);
        L::StoreN(line.pBest + c0, L::Select(live, c.pb, zero), tn);
        L::StoreN(line.pRice + c0, L::Select(live, c.pr, zero), tn);
        L::StoreN(line.pNonrice + c0, L::Select(live, c.pn, zero), tn);
    }
}

// The band counts of real images get a kernel of their own, unrolled.
template <class L>
void KernelLineAny(const KernelModel& m, const KernelLine& line) {
    switch (m.bands) {
        case 1: return KernelLineOf<L, 1>(m, line);
        case 2: return KernelLineOf<L, 2>(m, line);
        case 3: return KernelLineOf<L, 3>(m, line);
        case 4: return KernelLineOf<L, 4>(m, line);
        case 5: return KernelLineOf<L, 5>(m, line);
        case 6: return KernelLineOf<L, 6>(m, line);
        case 7: return KernelLineOf<L, 7>(m, line);
        case 8: return KernelLineOf<L, 8>(m, line);
        default: return KernelLineOf<L, 0>(m, line);
    }
}

}  // namespace
}  // namespace rice
