#include "workbench/engine/classifier.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <thread>

#include "platform/core/files.h"
#include "workbench/engine/lan_image.h"

// Both the reference and the fast path must round every operation the same way: this file
// is built with -ffp-contract=off (no fused multiply-add) and -fno-trapping-math (which lets
// the compiler turn the choice loops into vector selects; it changes no value), and the fast
// path evaluates each cell's sums in exactly the reference's order.

namespace rice {
namespace {

void SetWhy(std::string* why, const std::string& text) {
    if (why) *why = text;
}

// ---- determinant ------------------------------------------------------------------------

// Determinant of the minor made of rows (n - popcount(cols))..n-1 and the columns in `cols`,
// expanded along its first row exactly as the full recursion would.
class CofactorDeterminant {
public:
    CofactorDeterminant(const Matrix& a, int n)
        : a_(a), n_(n), memo_(std::size_t{1} << n, 0.0), known_(std::size_t{1} << n, false) {}

    double Of(std::uint32_t cols) {
        if (known_[cols]) return memo_[cols];
        const int size = std::popcount(cols);
        const int row = n_ - size;
        int c[2] = {0, 0};
        double det = 0;
        if (size == 1) {
            det = a_[row][std::countr_zero(cols)];
        } else if (size == 2) {
            c[0] = std::countr_zero(cols);
            c[1] = std::countr_zero(cols & (cols - 1));
            det = a_[row + 1][c[1]] * a_[row][c[0]] - a_[row][c[1]] * a_[row + 1][c[0]];
        } else {
            int i = 0;
            for (std::uint32_t rest = cols; rest; rest &= rest - 1, ++i) {
                const int col = std::countr_zero(rest);
                const double sign = (i % 2 == 0) ? 1.0 : -1.0;  // (-1)^(i+2)
                det += sign * a_[row][col] * Of(cols & ~(std::uint32_t{1} << col));
            }
        }
        memo_[cols] = det;
        known_[cols] = true;
        return det;
    }

private:
    const Matrix& a_;
    int n_;
    std::vector<double> memo_;
    std::vector<bool> known_;
};

// ---- statistics text --------------------------------------------------------------------

class NumberReader {
public:
    explicit NumberReader(std::string_view text) : text_(text) {}

    // Next whitespace-separated token, or empty at the end.
    std::string_view Token() {
        auto space = [](char ch) {
            return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
        };
        while (pos_ < text_.size() && space(text_[pos_])) ++pos_;
        std::size_t start = pos_;
        while (pos_ < text_.size() && !space(text_[pos_])) ++pos_;
        return text_.substr(start, pos_ - start);
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

std::string_view WithoutPlus(std::string_view t) {
    if (t.size() > 1 && t[0] == '+') t.remove_prefix(1);
    return t;
}

std::optional<long long> ParseInteger(std::string_view t) {
    t = WithoutPlus(t);
    long long v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || t.empty()) return std::nullopt;
    return v;
}

std::optional<double> ParseNumber(std::string_view t) {
    t = WithoutPlus(t);
    double v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (ec != std::errc() || end != t.data() + t.size() || t.empty()) return std::nullopt;
    return v;
}

// ---- exponential ------------------------------------------------------------------------

// exp(x) = 2^k e^r with r = x - k ln 2, |r| <= ln2 / 2; e^r by its Taylor series to r^13;
// 2^k applied as two normal powers of two so a subnormal result is rounded once. Written with
// plain operations only so a compiler can run it on several cells at once. x must not exceed
// 709 (the classifier only asks for x <= 0); NaN gives NaN.
[[gnu::always_inline]] inline double ExpImpl(double x) {
    constexpr double kShifter = 0x1.8p52;
    constexpr double kInvLn2 = 1.44269504088896338700e+00;
    constexpr double kLn2Hi = 6.93147180369123816490e-01;
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    const bool underflow = x < -746.0;
    const double xc = underflow ? -746.0 : x;
    const double kd = xc * kInvLn2 + kShifter;
    const double k = kd - kShifter;  // nearest integer to x / ln 2
    const double r = (xc - k * kLn2Hi) - k * kLn2Lo;
    double p = 1.0 / 6227020800.0;   // 1/13!
    p = p * r + 1.0 / 479001600.0;   // 1/12!
    p = p * r + 1.0 / 39916800.0;
    p = p * r + 1.0 / 3628800.0;
    p = p * r + 1.0 / 362880.0;
    p = p * r + 1.0 / 40320.0;
    p = p * r + 1.0 / 5040.0;
    p = p * r + 1.0 / 720.0;
    p = p * r + 1.0 / 120.0;
    p = p * r + 1.0 / 24.0;
    p = p * r + 1.0 / 6.0;
    p = p * r + 0.5;
    p = p * r + 1.0;
    p = p * r + 1.0;
    // k = k1 + k2 with both halves inside the normal exponent range.
    const double k1d = (k * 0.5 + kShifter);
    const std::uint64_t shifterBits = std::bit_cast<std::uint64_t>(kShifter);
    const std::uint64_t ki = std::bit_cast<std::uint64_t>(kd) - shifterBits;
    const std::uint64_t k1 = std::bit_cast<std::uint64_t>(k1d) - shifterBits;
    const std::uint64_t k2 = ki - k1;
    const double s1 = std::bit_cast<double>((k1 + 1023) << 52);
    const double s2 = std::bit_cast<double>((k2 + 1023) << 52);
    const double result = (p * s1) * s2;
    return underflow ? 0.0 : result;
}

inline std::uint8_t ToByte(double p) {
    const double y = p * 255.0;
    return (y >= 0.0 && y < 256.0) ? static_cast<std::uint8_t>(y) : 0;
}

// ---- the reference: one cell at a time, as plainly as the algorithm reads ----------------

void ClassifyCellReference(const ClassifierModel& m, const std::uint8_t* x, double v, double u,
                           std::uint8_t out[9], std::vector<double>& g, std::vector<double>& p) {
    const int n = m.bands, K = m.classes;
    int total = 0;
    for (int b = 0; b < n; ++b) total += x[b];
    if (total == 0) {
        std::fill(out, out + 9, 0);
        return;
    }
    std::vector<double> d(static_cast<std::size_t>(n));
    for (int k = 0; k < K; ++k) {
        const double* mean = &m.means[static_cast<std::size_t>(k) * n];
        const double* a = &m.quad[static_cast<std::size_t>(k) * QuadSize(n)];
        for (int j = 0; j < n; ++j) d[j] = static_cast<double>(x[j]) - mean[j];
        // Q = sum over i of d_i (a_ii d_i + sum over j > i of (a_ij + a_ji) d_j).
        double q = 0;
        for (int i = 0; i < n; ++i) {
            double r = *a++ * d[i];
            for (int j = i + 1; j < n; ++j) r += *a++ * d[j];
            q = i == 0 ? d[i] * r : q + d[i] * r;
        }
        g[k] = -0.5 * (m.logDet[k] + q);
    }
    double gmax = -std::numeric_limits<double>::infinity();
    for (int k = 0; k < K; ++k)
        if (g[k] > gmax) gmax = g[k];
    double sum = 0.0;
    for (int k = 0; k < K; ++k) {
        p[k] = ClassifierExp(g[k] - gmax);
        sum += p[k];
    }
    for (int k = 0; k < K; ++k) p[k] = p[k] / sum;

    int best = 0, rice = 0, nonrice = m.riceClasses;
    for (int k = 0; k < K; ++k) {
        if (p[k] >= p[best]) best = k;
        if (k < m.riceClasses && p[k] > p[rice]) rice = k;
        if (k >= m.riceClasses && p[k] > p[nonrice]) nonrice = k;
    }
    out[8] = ThresholdFlag(p[best], p[rice], p[nonrice], v, u);
    out[6] = ToByte(p[rice]);
    out[7] = ToByte(p[nonrice]);
    out[0] = static_cast<std::uint8_t>(best + 1);
    out[1] = ToByte(p[best]);
    p[best] = 0;
    int second = 0;
    for (int k = 0; k < K; ++k)
        if (p[k] >= p[second]) second = k;
    out[2] = static_cast<std::uint8_t>(second + 1);
    out[3] = ToByte(p[second]);
    p[second] = 0;
    int third = 0;
    for (int k = 0; k < K; ++k)
        if (p[k] >= p[third]) third = k;
    out[4] = static_cast<std::uint8_t>(third + 1);
    out[5] = ToByte(p[third]);
}

// ---- the fast path: a tile of cells at a time, class by class ----------------------------

constexpr int kTile = 32;

// g[k * T + t] for the T cells of x (band-major: x[b * T + t]); the same operations per cell
// as the reference, in the same order.
template <int N>
[[gnu::always_inline]] inline void DiscriminantsFixed(const ClassifierModel& m, const double* x, int T, double* g) {
    for (int k = 0; k < m.classes; ++k) {
        const double* mean = &m.means[static_cast<std::size_t>(k) * N];
        const double* quad = &m.quad[static_cast<std::size_t>(k) * QuadSize(N)];
        const double lg = m.logDet[k];
        double* gk = g + static_cast<std::size_t>(k) * T;
        double a[QuadSize(N)], mu[N];
        for (int i = 0; i < QuadSize(N); ++i) a[i] = quad[i];
        for (int i = 0; i < N; ++i) mu[i] = mean[i];
        for (int t = 0; t < T; ++t) {
            double d[N];
#pragma GCC unroll 16
            for (int j = 0; j < N; ++j) d[j] = x[j * T + t] - mu[j];
            double r = a[0] * d[0];
#pragma GCC unroll 16
            for (int j = 1; j < N; ++j) r += a[j] * d[j];
            double q = d[0] * r;
#pragma GCC unroll 16
            for (int i = 1; i < N; ++i) {
                const int row = i * N - i * (i - 1) / 2;  // where row i of the triangle starts
                double ri = a[row] * d[i];
#pragma GCC unroll 16
                for (int j = i + 1; j < N; ++j) ri += a[row + j - i] * d[j];
                q += d[i] * ri;
            }
            gk[t] = -0.5 * (lg + q);
        }
    }
}

[[gnu::always_inline]] inline void DiscriminantsAny(const ClassifierModel& m, const double* x, int T, double* g) {
    const int n = m.bands;
    double d[kMaxClassifierBands];
    for (int k = 0; k < m.classes; ++k) {
        const double* mean = &m.means[static_cast<std::size_t>(k) * n];
        const double* quad = &m.quad[static_cast<std::size_t>(k) * QuadSize(n)];
        for (int t = 0; t < T; ++t) {
            for (int j = 0; j < n; ++j) d[j] = x[j * T + t] - mean[j];
            const double* a = quad;
            double q = 0;
            for (int i = 0; i < n; ++i) {
                double r = *a++ * d[i];
                for (int j = i + 1; j < n; ++j) r += *a++ * d[j];
                q = i == 0 ? d[i] * r : q + d[i] * r;
            }
            g[static_cast<std::size_t>(k) * T + t] = -0.5 * (m.logDet[k] + q);
        }
    }
}

[[gnu::always_inline]] inline void Discriminants(const ClassifierModel& m, const double* x, int T, double* g) {
    switch (m.bands) {
        case 1: return DiscriminantsFixed<1>(m, x, T, g);
        case 2: return DiscriminantsFixed<2>(m, x, T, g);
        case 3: return DiscriminantsFixed<3>(m, x, T, g);
        case 4: return DiscriminantsFixed<4>(m, x, T, g);
        case 5: return DiscriminantsFixed<5>(m, x, T, g);
        case 6: return DiscriminantsFixed<6>(m, x, T, g);
        case 7: return DiscriminantsFixed<7>(m, x, T, g);
        case 8: return DiscriminantsFixed<8>(m, x, T, g);
        default: return DiscriminantsAny(m, x, T, g);
    }
}


// Four cells a vector: one AVX2 register, two SSE2 or NEON registers. These helpers are always
// inlined, so the argument-passing ABI of such vectors never matters.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
using V4 = double __attribute__((vector_size(32)));

[[gnu::always_inline]] inline V4 Load(const double* p) {
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void Store(double* p, V4 v) { std::memcpy(p, &v, sizeof v); }

// The choice searches over the probabilities p (K rows of stride `stride`) for cells
// [0, tv), tv a multiple of 4; the same comparisons as the reference, lane by lane.
[[gnu::always_inline]] inline void Choose(const double* p, int stride, int tv, int K, int R, double* best, double* pb,
            double* rice, double* pr, double* nonrice, double* pn, double* second, double* ps,
            double* third, double* pt) {
    const V4 zero = {0, 0, 0, 0};
    for (int t = 0; t < tv; t += 4) {
        const V4 p0 = Load(p + t);
        V4 b = zero, bp = p0, r = zero, rp = p0;
        V4 n = zero + static_cast<double>(R), np = Load(p + static_cast<std::size_t>(R) * stride + t);
        for (int k = 1; k < K; ++k) {
            const V4 pk = Load(p + static_cast<std::size_t>(k) * stride + t);
            const V4 kd = zero + static_cast<double>(k);
            const auto take = pk >= bp;
            b = take ? kd : b;
            bp = take ? pk : bp;
            if (k < R) {
                const auto tr = pk > rp;
                r = tr ? kd : r;
                rp = tr ? pk : rp;
            } else if (k > R) {
                const auto tn = pk > np;
                n = tn ? kd : n;
                np = tn ? pk : np;
            }
        }
        V4 s = zero, sp = (b == zero) ? zero : p0;
        for (int k = 1; k < K; ++k) {
            const V4 kd = zero + static_cast<double>(k);
            const V4 pk = Load(p + static_cast<std::size_t>(k) * stride + t);
            const V4 q = (b == kd) ? zero : pk;
            const auto take = q >= sp;
            s = take ? kd : s;
            sp = take ? q : sp;
        }
        V4 h = zero, hp = (b == zero || s == zero) ? zero : p0;
        for (int k = 1; k < K; ++k) {
            const V4 kd = zero + static_cast<double>(k);
            const V4 pk = Load(p + static_cast<std::size_t>(k) * stride + t);
            const V4 q = (b == kd || s == kd) ? zero : pk;
            const auto take = q >= hp;
            h = take ? kd : h;
            hp = take ? q : hp;
        }
        Store(best + t, b);
        Store(pb + t, bp);
        Store(rice + t, r);
        Store(pr + t, rp);
        Store(nonrice + t, n);
        Store(pn + t, np);
        Store(second + t, s);
        Store(ps + t, sp);
        Store(third + t, h);
        Store(pt + t, hp);
    }
}
#pragma GCC diagnostic pop
}  // namespace

double MatrixDeterminant(const Matrix& a, int n) {
    if (n <= 0) return 0;
    if (n == 1) return a[0][0];
    if (n == 2) return a[1][1] * a[0][0] - a[0][1] * a[1][0];
    if (n > 30) return std::numeric_limits<double>::quiet_NaN();  // beyond any memo table
    CofactorDeterminant det(a, n);
    return det.Of((std::uint32_t{1} << n) - 1);
}

std::optional<Matrix> MatrixInverse(Matrix a, int n) {
    Matrix r(static_cast<std::size_t>(std::max(n, 0)), std::vector<double>(static_cast<std::size_t>(std::max(n, 0)), 0.0));
    for (int i = 0; i < n; ++i) r[i][i] = 1.0;
    for (int i = 0; i < n; ++i) {
        const double d = a[i][i];
        if (d == 0.0 || !std::isfinite(d)) return std::nullopt;
        for (int c = 0; c < n; ++c) {
            a[i][c] = a[i][c] / d;
            r[i][c] = r[i][c] / d;
        }
        for (int j = 0; j < n; ++j) {
            if (j == i) continue;
            const double f = a[j][i];
            for (int c = 0; c < n; ++c) {
                a[j][c] = a[j][c] - f * a[i][c];
                r[j][c] = r[j][c] - f * r[i][c];
            }
        }
    }
    for (const auto& row : r)
        for (double v : row)
            if (!std::isfinite(v)) return std::nullopt;
    return r;
}

std::optional<ClassStatistics> ReadClassStatistics(std::string_view text, std::string* why) {
    NumberReader in(text);
    std::string_view kt = in.Token(), bt = in.Token();
    auto K = ParseInteger(kt);
    auto B = ParseInteger(bt);
    if (kt.empty() || bt.empty()) return SetWhy(why, "class or band count missing"), std::nullopt;
    if (!K || !B) return SetWhy(why, "class or band count is not an integer"), std::nullopt;
    if (*K < 1 || *K > 255) return SetWhy(why, "class count outside 1 to 255"), std::nullopt;
    if (*B < 1) return SetWhy(why, "band count below 1"), std::nullopt;
    // Each number takes at least two characters, so a count beyond that cannot be there.
    unsigned long long perClass = 0, needed = 0;
    const unsigned long long b = static_cast<unsigned long long>(*B);
    if (__builtin_mul_overflow(b, b + 1, &perClass) ||
        __builtin_mul_overflow(perClass, static_cast<unsigned long long>(*K), &needed) ||
        needed > text.size() / 2 + 1)
        return SetWhy(why, "fewer numbers than the counts announce"), std::nullopt;

    ClassStatistics s;
    s.classes = static_cast<int>(*K);
    s.bands = static_cast<int>(*B);
    s.means.resize(static_cast<std::size_t>(s.classes));
    s.covariances.resize(static_cast<std::size_t>(s.classes));
    auto next = [&](double& out) -> bool {
        std::string_view t = in.Token();
        if (t.empty()) return SetWhy(why, "fewer numbers than the counts announce"), false;
        auto v = ParseNumber(t);
        if (!v) return SetWhy(why, "not a number: " + std::string(t.substr(0, 40))), false;
        if (!std::isfinite(*v)) return SetWhy(why, "number not finite"), false;
        out = *v;
        return true;
    };
    for (int k = 0; k < s.classes; ++k) {
        s.means[k].resize(static_cast<std::size_t>(s.bands));
        for (double& m : s.means[k])
            if (!next(m)) return std::nullopt;
        s.covariances[k].assign(static_cast<std::size_t>(s.bands),
                                std::vector<double>(static_cast<std::size_t>(s.bands)));
        for (auto& row : s.covariances[k])
            for (double& c : row)
                if (!next(c)) return std::nullopt;
    }
    return s;
}

std::optional<ClassifierModel> PrepareClassifier(const ClassStatistics& stats, int imageBands,
                                                 std::string* why) {
    const int n = std::min(imageBands, stats.bands);
    if (n < 1) return SetWhy(why, "no band to classify"), std::nullopt;
    if (n > kMaxClassifierBands) return SetWhy(why, "too many bands"), std::nullopt;
    if (stats.classes < 1 || stats.classes > 255) return SetWhy(why, "class count"), std::nullopt;
    ClassifierModel m;
    m.classes = stats.classes;
    m.bands = n;
    m.riceClasses = stats.classes / 2;
    for (int k = 0; k < stats.classes; ++k) {
        Matrix block(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            block[i].assign(stats.covariances[k][i].begin(), stats.covariances[k][i].begin() + n);
        const double det = std::fabs(MatrixDeterminant(block, n));
        const std::string cls = "class " + std::to_string(k + 1) + ": ";
        if (!(det > 0) || !std::isfinite(det))
            return SetWhy(why, cls + "covariance singular or not finite"), std::nullopt;
        auto inv = MatrixInverse(std::move(block), n);
        if (!inv) return SetWhy(why, cls + "covariance meets a zero pivot"), std::nullopt;
        m.means.insert(m.means.end(), stats.means[k].begin(), stats.means[k].begin() + n);
        for (const auto& row : *inv) m.inverse.insert(m.inverse.end(), row.begin(), row.end());
        // The quadratic form folded onto the upper triangle, once per class.
        for (int i = 0; i < n; ++i) {
            m.quad.push_back((*inv)[i][i]);
            for (int j = i + 1; j < n; ++j) m.quad.push_back((*inv)[i][j] + (*inv)[j][i]);
        }
        m.logDet.push_back(std::log(det));
    }
    return m;
}

double ClassifierExp(double x) { return ExpImpl(x > 709.0 ? 709.0 : x); }

void LineClassification::Resize(int cols) {
    icols = cols;
    const std::size_t c = static_cast<std::size_t>(cols);
    bands.assign(8 * c, 0);
    pBest.assign(c, 0);
    pRice.assign(c, 0);
    pNonrice.assign(c, 0);
}

// Built twice, for AVX2 and for the baseline, and chosen when the program starts: the same
// operations in wider lanes, so the same bytes.
__attribute__((target_clones("avx2", "default")))
void ClassifyLine(const ClassifierModel& m, const std::uint8_t* rows, int icols,
                  LineClassification& out, ClassifierScratch& s) {
    if (out.icols != icols) out.Resize(icols);
    const int n = m.bands, K = m.classes, R = m.riceClasses;
    const std::size_t T = kTile;
    s.x.resize(static_cast<std::size_t>(n) * T);
    s.g.resize(static_cast<std::size_t>(K) * T);
    s.p.resize(static_cast<std::size_t>(K) * T);
    s.sum.resize(T);
    s.gmax.resize(T);
    const std::size_t cols = static_cast<std::size_t>(icols);
    std::uint8_t* band[8];
    for (int b = 0; b < 8; ++b) band[b] = out.bands.data() + b * cols;

    // Class indices are kept as doubles so every choice loop runs on one kind of lane.
    double best[kTile], second[kTile], third[kTile], rice[kTile], nonrice[kTile];
    double pb[kTile], ps[kTile], pt[kTile], pr[kTile], pn[kTile];
    bool live[256];
    for (std::size_t c0 = 0; c0 < cols; c0 += T) {
        const int tn = static_cast<int>(std::min(T, cols - c0));
        // Every tile is computed full width (the lanes past tn hold 0 cells and are
        // ignored), so all rows below have the stride kTile.
        constexpr int W = kTile;
        for (int b = 0; b < n; ++b) {
            const std::uint8_t* src = rows + b * cols + c0;
            double* dst = &s.x[static_cast<std::size_t>(b) * W];
            for (int t = 0; t < tn; ++t) dst[t] = static_cast<double>(src[t]);
            for (int t = tn; t < W; ++t) dst[t] = 0.0;
        }
        Discriminants(m, s.x.data(), W, s.g.data());
        double* g = s.g.data();
        double* p = s.p.data();
        double* gmax = s.gmax.data();
        double* sum = s.sum.data();
        for (int t = 0; t < W; ++t) gmax[t] = -std::numeric_limits<double>::infinity();
        for (int k = 0; k < K; ++k) {
            const double* gk = g + static_cast<std::size_t>(k) * W;
            for (int t = 0; t < W; ++t) gmax[t] = gk[t] > gmax[t] ? gk[t] : gmax[t];
        }
        // A class whose every cell of the tile lies more than 746 below the maximum has
        // exponentials of exactly 0: its row is 0, it adds nothing to the sums, and 0 divided
        // by a sum stays 0.
        for (int t = 0; t < W; ++t) sum[t] = 0.0;
        for (int k = 0; k < K; ++k) {
            const double* gk = g + static_cast<std::size_t>(k) * W;
            double* pk = p + static_cast<std::size_t>(k) * W;
            int near = 0;
            for (int t = 0; t < W; ++t) near |= (gk[t] - gmax[t] >= -746.0);
            live[k] = near != 0;
            if (!live[k]) {
                std::fill(pk, pk + W, 0.0);
                continue;
            }
            for (int t = 0; t < W; ++t) {
                pk[t] = ExpImpl(gk[t] - gmax[t]);
                sum[t] += pk[t];
            }
        }
        for (int k = 0; k < K; ++k) {
            if (!live[k]) continue;
            double* pk = p + static_cast<std::size_t>(k) * W;
            for (int t = 0; t < W; ++t) pk[t] = pk[t] / sum[t];
        }
        // Choices: the later class wins ties for best, second and third; the earlier one for
        // best rice and best non-rice.
        Choose(p, W, W, K, R, best, pb, rice, pr, nonrice, pn, second, ps, third, pt);
        for (int t = 0; t < tn; ++t) {
            const std::size_t c = c0 + t;
            int total = 0;
            for (int b = 0; b < n; ++b) total += rows[b * cols + c];
            if (total == 0) {
                for (int b = 0; b < 8; ++b) band[b][c] = 0;
                continue;
            }
            band[0][c] = static_cast<std::uint8_t>(static_cast<int>(best[t]) + 1);
            band[1][c] = ToByte(pb[t]);
            band[2][c] = static_cast<std::uint8_t>(static_cast<int>(second[t]) + 1);
            band[3][c] = ToByte(ps[t]);
            band[4][c] = static_cast<std::uint8_t>(static_cast<int>(third[t]) + 1);
            band[5][c] = ToByte(pt[t]);
            band[6][c] = ToByte(pr[t]);
            band[7][c] = ToByte(pn[t]);
            out.pBest[c] = pb[t];
            out.pRice[c] = pr[t];
            out.pNonrice[c] = pn[t];
        }
    }
}

void FlagLine(const LineClassification& line, double v, double u, std::uint8_t* nine) {
    const std::size_t cols = static_cast<std::size_t>(line.icols);
    std::memcpy(nine, line.bands.data(), 8 * cols);
    std::uint8_t* flag = nine + 8 * cols;
    for (std::size_t c = 0; c < cols; ++c)
        flag[c] = line.bands[c] == 0 ? 0 : ThresholdFlag(line.pBest[c], line.pRice[c], line.pNonrice[c], v, u);
}

namespace {

// ---- the run: files, messages, blocks of lines -------------------------------------------

struct Output {
    const ThresholdOutput* spec;
    StreamingFileWriter file;
    bool open = false;
};

std::vector<int> Run(const std::string& input, const std::string& statsPath,
                     const std::vector<ThresholdOutput>& specs, MessageSink& sink,
                     const ClassifyOptions& options, bool reference) {
    int threads = options.threads;
    std::vector<int> counts(specs.size(), 0);
    auto all = [&](const char* message) {
        for (std::size_t i = 0; i < specs.size(); ++i) sink.ShowMessage(message);
        return counts;
    };
    std::optional<LanHeader> header = ReadLanHeader(input);
    if (!header) return all("錯誤類型0001");
    std::optional<std::string> text = ReadWholeFile(statsPath, kMaxStatisticsTextBytes);
    if (!text) return all("錯誤類型0002");
    std::optional<ClassStatistics> stats = ReadClassStatistics(*text);
    if (!stats) return all("錯誤類型0002");
    std::optional<ClassifierModel> model = PrepareClassifier(*stats, header->nbands);
    if (!model) return all("錯誤類型0002");

    LanHeader outHeader = *header;
    outHeader.nbands = 9;
    const bool outFits = LanHeaderIsReadable(outHeader);
    std::vector<Output> outs(specs.size());
    bool any = false;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        outs[i].spec = &specs[i];
        outs[i].open = outFits && outs[i].file.Open(specs[i].path);
        if (!outs[i].open) {
            sink.ShowMessage("錯誤類型0003");
            continue;
        }
        LanHeaderBytes hb = EncodeLanHeader(outHeader);
        outs[i].file.Write(hb.data(), hb.size());
        any = true;
    }
    if (!any) return counts;
    FILE* in = OpenRegularFile(input);
    if (!in || std::fseek(in, static_cast<long>(kLanHeaderSize), SEEK_SET) != 0) {
        if (in) std::fclose(in);
        for (auto& o : outs)
            if (o.open) o.file.Abandon(), sink.ShowMessage("錯誤類型0001");
        return counts;
    }

    const std::size_t icols = static_cast<std::size_t>(header->icols);
    const std::size_t lineBytes = LanLineBytes(*header);
    const std::size_t outLine = 9 * icols;
    std::size_t open = 0;
    for (auto& o : outs) open += o.open;
    // Blocks of lines bounded in bytes, so memory does not grow with the image's height.
    const std::size_t perLine = lineBytes + open * outLine + 1;
    const std::size_t budget = std::size_t{48} << 20;
    const std::size_t block = options.linesPerBlock > 0
                                  ? static_cast<std::size_t>(options.linesPerBlock)
                                  : std::clamp<std::size_t>(budget / perLine, 1, 256);
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (reference) threads = 1;

    // Two blocks in turn: while the workers classify one, this thread writes the results of
    // the previous one and reads the next, so the output keeps the line order.
    struct Block {
        std::vector<std::uint8_t> in;
        std::vector<std::vector<std::uint8_t>> out;
        std::vector<long long> background;
        std::size_t lines = 0;
    };
    Block blocks[2];
    for (Block& bl : blocks) {
        bl.in.resize(block * lineBytes);
        bl.out.resize(outs.size());
        for (std::size_t i = 0; i < outs.size(); ++i)
            if (outs[i].open) bl.out[i].resize(block * outLine);
        bl.background.resize(block);
    }
    long long backgroundTotal = 0;
    bool atEnd = false;
    std::int64_t nextFirst = 0;

    // A file shorter than its header says reads as background from there on.
    auto read = [&](Block& bl) {
        bl.lines = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(block), header->irows - nextFirst));
        nextFirst += static_cast<std::int64_t>(bl.lines);
        std::size_t got = 0;
        const std::size_t want = bl.lines * lineBytes;
        while (!atEnd && got < want) {
            std::size_t r = std::fread(bl.in.data() + got, 1, want - got, in);
            if (r == 0) atEnd = true;
            got += r;
        }
        std::memset(bl.in.data() + got, 0, want - got);
    };
    auto write = [&](Block& bl) {
        for (std::size_t i = 0; i < bl.lines; ++i) backgroundTotal += bl.background[i];
        for (std::size_t o = 0; o < outs.size(); ++o)
            if (outs[o].open) outs[o].file.Write(bl.out[o].data(), bl.lines * outLine);
        bl.lines = 0;
    };
    auto classifyLine = [&](Block& bl, std::size_t i, LineClassification& lc,
                            ClassifierScratch& scratch, std::vector<double>& g, std::vector<double>& p) {
        const std::uint8_t* rows = bl.in.data() + i * lineBytes;
        long long bg = 0;
        if (reference) {
            std::vector<std::uint8_t> x(static_cast<std::size_t>(model->bands));
            std::uint8_t cell[9];
            for (std::size_t o = 0; o < outs.size(); ++o) {
                if (!outs[o].open) continue;
                std::uint8_t* dst = bl.out[o].data() + i * outLine;
                bg = 0;
                for (std::size_t c = 0; c < icols; ++c) {
                    for (int b = 0; b < model->bands; ++b) x[b] = rows[b * icols + c];
                    ClassifyCellReference(*model, x.data(), outs[o].spec->v, outs[o].spec->u, cell, g, p);
                    for (int b = 0; b < 9; ++b) dst[b * icols + c] = cell[b];
                    bg += cell[0] == 0;
                }
            }
        } else {
            ClassifyLine(*model, rows, static_cast<int>(icols), lc, scratch);
            for (std::size_t c = 0; c < icols; ++c) bg += lc.bands[c] == 0;
            for (std::size_t o = 0; o < outs.size(); ++o)
                if (outs[o].open)
                    FlagLine(lc, outs[o].spec->v, outs[o].spec->u, bl.out[o].data() + i * outLine);
        }
        bl.background[i] = bg;
    };

    // An image without cells (no columns or no lines) is classified into its header alone;
    // its empty buffers have no memory behind them to read or fill.
    if (lineBytes > 0) read(blocks[0]);
    for (int cur = 0; blocks[cur].lines > 0; cur ^= 1) {
        Block& bl = blocks[cur];
        Block& other = blocks[cur ^ 1];
        std::atomic<std::size_t> nextLine{0};
        auto worker = [&] {
            LineClassification lc;
            ClassifierScratch scratch;
            std::vector<double> g(static_cast<std::size_t>(model->classes)), p(g.size());
            for (std::size_t i; (i = nextLine.fetch_add(1)) < bl.lines;) classifyLine(bl, i, lc, scratch, g, p);
        };
        const int useThreads = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(threads), bl.lines));
        if (useThreads <= 1) {
            worker();
            write(other);
            read(other);
        } else {
            std::vector<std::thread> pool;
            for (int t = 0; t < useThreads; ++t) pool.emplace_back(worker);
            write(other);
            read(other);
            for (auto& th : pool) th.join();
        }
        if (other.lines == 0) write(bl);
    }
    std::fclose(in);

    const long long cells = static_cast<long long>(header->irows) * header->icols - backgroundTotal;
    const int count = static_cast<int>(std::min<long long>(cells, std::numeric_limits<int>::max()));
    for (std::size_t o = 0; o < outs.size(); ++o) {
        if (!outs[o].open) continue;
        if (outs[o].file.Commit()) counts[o] = count;
        else sink.ShowMessage("錯誤類型0003");
    }
    return counts;
}

}  // namespace

int ClassifyMaximumLikelihood(const std::string& input, const std::string& stats,
                              const std::string& output, double v, double u, MessageSink& sink,
                              const ClassifyOptions& options) {
    return Run(input, stats, {ThresholdOutput{output, v, u}}, sink, options, false)[0];
}

std::vector<int> ClassifyMaximumLikelihoodMany(const std::string& input, const std::string& stats,
                                               const std::vector<ThresholdOutput>& outputs,
                                               MessageSink& sink, const ClassifyOptions& options) {
    return Run(input, stats, outputs, sink, options, false);
}

int ClassifyMaximumLikelihoodReference(const std::string& input, const std::string& stats,
                                       const std::string& output, double v, double u,
                                       MessageSink& sink) {
    return Run(input, stats, {ThresholdOutput{output, v, u}}, sink, ClassifyOptions{1, 0}, true)[0];
}

}  // namespace rice
