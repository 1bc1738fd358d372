#include "workbench/engine/classifier.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>

#include "platform/core/files.h"
#include "platform/core/large_buffer.h"
#include "platform/core/parallel.h"
#include "workbench/engine/classifier_kernel.h"
#include "workbench/engine/classifier_kernel_impl.h"
#include "workbench/engine/lan_image.h"

// The fast kernels and the reference must round every operation the same way: this file and
// the kernels' are built with -ffp-contract=off (a fused multiply-add only where written as
// one) and -fno-trapping-math (no value changes), and the kernels evaluate each cell's sums in
// exactly the reference's order.

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

// ---- one lane: the portable kernel, and the reference's exponential ----------------------

struct ScalarLanes {
    using V = double;
    using M = bool;
    using I = std::uint64_t;
    static constexpr int W = 1;
    static V Set(double v) { return v; }
    static I SetI(std::int64_t v) { return static_cast<I>(v); }
    static V Load(const double* p) { return *p; }
    static void Store(double* p, V v) { *p = v; }
    static V LoadBytes(const std::uint8_t* b) { return static_cast<double>(b[0]); }
    static V Add(V a, V b) { return a + b; }
    static V Sub(V a, V b) { return a - b; }
    static V Mul(V a, V b) { return a * b; }
    static V Div(V a, V b) { return a / b; }
    static V Fma(V a, V b, V c) { return std::fma(a, b, c); }
    static V Max(V a, V b) { return a > b ? a : b; }
    static V Min(V a, V b) { return a < b ? a : b; }
    static M Ge(V a, V b) { return a >= b; }
    static M Gt(V a, V b) { return a > b; }
    static M Lt(V a, V b) { return a < b; }
    static M Eq(V a, V b) { return a == b; }
    static M GeWhere(M m, V a, V b) { return m && a >= b; }
    static M And(M a, M b) { return a && b; }
    static M AndNot(M a, M b) { return a && !b; }
    static M Or(M a, M b) { return a || b; }
    static bool Any(M m) { return m; }
    static V Select(M m, V a, V b) { return m ? a : b; }
    static I Bits(V v) { return std::bit_cast<I>(v); }
    static V FromBits(I i) { return std::bit_cast<V>(i); }
    static I AddI(I a, I b) { return a + b; }
    static I SubI(I a, I b) { return a - b; }
    static I OrI(I a, I b) { return a | b; }
    static I Shl52(I a) { return a << 52; }
    static I Shr52(I a) { return a >> 52; }
    // floor(log2 v) for a normal v >= 0, -1023 below (the exponent field, unbiased).
    static V Exponent(V v) { return static_cast<double>(std::bit_cast<I>(v) >> 52) - 1023.0; }
    static V Pow2Scale(V p, V k) { return KernelScaleBySplit<ScalarLanes>(p, k); }
    static V Trunc(V v) { return std::trunc(v); }
    // v holds whole numbers 0 to 255.
    static void StoreBytes(std::uint8_t* dst, V v, std::size_t) { *dst = static_cast<std::uint8_t>(v); }
    static void StoreN(double* dst, V v, std::size_t) { *dst = v; }
};

inline std::uint8_t ToByte(double p) {
    const double y = p * 255.0;
    return (y >= 0.0 && y < 256.0) ? static_cast<std::uint8_t>(y) : 0;
}

// The class of the largest of p[0..K), the last one on a tie.
int LastLargest(const std::vector<double>& p, int K) {
    int largest = 0;
    for (int k = 0; k < K; ++k)
        if (p[k] >= p[largest]) largest = k;
    return largest;
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
        // Q = sum over i of d_i (a_ii d_i + sum over j > i of (a_ij + a_ji) d_j), each
        // product added with one rounding.
        double q = 0;
        for (int i = 0; i < n; ++i) {
            double r = *a++ * d[i];
            for (int j = i + 1; j < n; ++j) r = std::fma(*a++, d[j], r);
            q = i == 0 ? d[i] * r : std::fma(d[i], r, q);
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
    const int second = LastLargest(p, K);
    out[2] = static_cast<std::uint8_t>(second + 1);
    out[3] = ToByte(p[second]);
    p[second] = 0;
    const int third = LastLargest(p, K);
    out[4] = static_cast<std::uint8_t>(third + 1);
    out[5] = ToByte(p[third]);
}

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

double ClassifierExp(double x) { return KernelExp<ScalarLanes>(x > 709.0 ? 709.0 : x); }

void LineClassification::Resize(int cols) {
    icols = cols;
    const std::size_t c = static_cast<std::size_t>(cols);
    bands.assign(8 * c, 0);
    pBest.assign(c, 0);
    pRice.assign(c, 0);
    pNonrice.assign(c, 0);
}

namespace {

LineKernel KernelOf(ClassifierKernel kernel) {
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                               __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
                               __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    constexpr bool avx512 = false, avx2 = false;
#endif
    switch (kernel) {
        case ClassifierKernel::kAvx512: return avx512 ? Avx512LineKernel() : nullptr;
        case ClassifierKernel::kAvx2: return avx2 ? Avx2LineKernel() : nullptr;
        case ClassifierKernel::kPortable: return PortableLineKernel();
        case ClassifierKernel::kBest: break;
    }
    static const LineKernel best = [] {
        if (LineKernel k = KernelOf(ClassifierKernel::kAvx512)) return k;
        if (LineKernel k = KernelOf(ClassifierKernel::kAvx2)) return k;
        return PortableLineKernel();
    }();
    return best;
}

KernelModel ViewOf(const ClassifierModel& m) {
    return KernelModel{m.classes, m.bands, m.riceClasses, m.means.data(), m.quad.data(), m.logDet.data()};
}

}  // namespace

LineKernel PortableLineKernel() { return &KernelLineAny<ScalarLanes>; }

bool ClassifierKernelAvailable(ClassifierKernel kernel) { return KernelOf(kernel) != nullptr; }

void ClassifyLineInto(const ClassifierModel& m, const std::uint8_t* rows, int icols,
                      std::uint8_t* eightRows, LineClassification& out, ClassifierKernel kernel) {
    if (out.icols != icols) out.Resize(icols);
    LineKernel run = KernelOf(kernel);
    if (!run) run = KernelOf(ClassifierKernel::kBest);
    const KernelLine line{rows, static_cast<std::size_t>(icols), eightRows,
                          out.pBest.data(), out.pRice.data(), out.pNonrice.data()};
    run(ViewOf(m), line);
}

void ClassifyLine(const ClassifierModel& m, const std::uint8_t* rows, int icols,
                  LineClassification& out, ClassifierKernel kernel) {
    if (out.icols != icols) out.Resize(icols);
    ClassifyLineInto(m, rows, icols, out.bands.data(), out, kernel);
}

void FlagRow(const LineClassification& line, const std::uint8_t* firstBand, double v, double u,
             std::uint8_t* flags) {
    // ThresholdFlag without branches, so the loop runs in vectors.
    const double* pb = line.pBest.data();
    const double* pr = line.pRice.data();
    const double* pn = line.pNonrice.data();
    for (int c = 0; c < line.icols; ++c) {
        const double diff = std::fabs(pr[c] - pn[c]);
        const int flag = pb[c] < v ? 2 : diff < u ? 1 : 0;
        flags[c] = static_cast<std::uint8_t>(firstBand[c] == 0 ? 0 : flag);
    }
}

void FlagLine(const LineClassification& line, double v, double u, std::uint8_t* nine) {
    const std::size_t cols = static_cast<std::size_t>(line.icols);
    if (cols == 0) return;
    std::memcpy(nine, line.bands.data(), 8 * cols);
    FlagRow(line, line.bands.data(), v, u, nine + 8 * cols);
}

namespace {

// ---- the run: inputs and outputs, then the lines, plainly or in parallel blocks ----------

struct Output {
    const ThresholdOutput* spec;
    StreamingFileWriter file;
    bool open = false;
};

// Lines of the input in order, read with pread(2) straight into the caller's block; a file
// shorter than its header says reads as background from there on.
class LineReader {
public:
    LineReader(FILE* in, std::size_t lineBytes, std::int64_t lines)
        : in_(in), lineBytes_(lineBytes), left_(lines) {}
    ~LineReader() { std::fclose(in_); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Reads up to `most` lines into `dst`; returns how many the image still had.
    std::size_t Read(std::uint8_t* dst, std::size_t most) {
        const std::size_t lines = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(most), left_));
        left_ -= static_cast<std::int64_t>(lines);
        const std::size_t want = lines * lineBytes_;
        const std::size_t got = atEnd_ ? 0 : ReadFully(::fileno(in_), dst, want, offset_);
        offset_ += got;
        if (got < want) {
            atEnd_ = true;
            std::memset(dst + got, 0, want - got);
        }
        return lines;
    }

private:
    FILE* in_;
    std::size_t lineBytes_;
    std::int64_t left_;
    std::uint64_t offset_ = kLanHeaderSize;
    bool atEnd_ = false;
};

// Scratch lines for the workers, kept from block to block: a fresh one per worker and block
// would cost the system a page fault per 4 KB each time.
class ScratchPool {
public:
    std::shared_ptr<LineClassification> Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        LineClassification* lc = nullptr;
        if (free_.empty()) {
            all_.push_back(std::make_unique<LineClassification>());
            lc = all_.back().get();
        } else {
            lc = free_.back();
            free_.pop_back();
        }
        return std::shared_ptr<LineClassification>(lc, [this](LineClassification* back) {
            std::lock_guard<std::mutex> giving(mutex_);
            free_.push_back(back);
        });
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<LineClassification>> all_;
    std::vector<LineClassification*> free_;
};

// A run whose inputs were read and whose outputs are open.
struct OpenedRun {
    LanHeader header;
    ClassifierModel model;
    std::vector<Output> outs;
    std::unique_ptr<LineReader> lines;
    std::size_t icols = 0, lineBytes = 0, outLine = 0;
};

// Reads the header and the statistics and opens the outputs and the image at its first line,
// showing the messages the separate classifications would; nullopt when nothing is to run.
std::optional<OpenedRun> OpenRun(const std::string& input, const std::string& statsPath,
                                 const std::vector<ThresholdOutput>& specs, MessageSink& sink) {
    auto all = [&](const char* message) {
        for (std::size_t i = 0; i < specs.size(); ++i) sink.ShowMessage(message);
        return std::nullopt;
    };
    std::optional<LanHeader> header = ReadLanHeader(input);
    if (!header) return all("錯誤類型0001");
    std::optional<std::string> text = ReadWholeFile(statsPath, kMaxStatisticsTextBytes);
    if (!text) return all("錯誤類型0002");
    std::optional<ClassStatistics> stats = ReadClassStatistics(*text);
    if (!stats) return all("錯誤類型0002");
    std::optional<ClassifierModel> model = PrepareClassifier(*stats, header->nbands);
    if (!model) return all("錯誤類型0002");

    OpenedRun run;
    run.header = *header;
    run.model = std::move(*model);
    LanHeader outHeader = *header;
    outHeader.nbands = 9;
    const bool outFits = LanHeaderIsReadable(outHeader);
    run.outs = std::vector<Output>(specs.size());
    bool any = false;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        Output& o = run.outs[i];
        o.spec = &specs[i];
        o.open = outFits && o.file.Open(specs[i].path);
        if (!o.open) {
            sink.ShowMessage(OutputFailedMessage(specs[i].path));
            continue;
        }
        LanHeaderBytes hb = EncodeLanHeader(outHeader);
        o.file.Write(hb.data(), hb.size());
        any = true;
    }
    if (!any) return std::nullopt;
    FILE* in = OpenRegularFile(input);
    if (!in) {
        for (auto& o : run.outs)
            if (o.open) o.file.Abandon(), sink.ShowMessage("錯誤類型0001");
        return std::nullopt;
    }
    run.icols = static_cast<std::size_t>(header->icols);
    run.lineBytes = LanLineBytes(*header);
    run.outLine = 9 * run.icols;
    run.lines = std::make_unique<LineReader>(in, run.lineBytes, header->irows);
    return run;
}

// Commits every open output; the count of classified cells for each that was written.
std::vector<int> FinishRun(OpenedRun& run, long long background, MessageSink& sink) {
    std::vector<int> counts(run.outs.size(), 0);
    run.lines.reset();
    const long long cells = static_cast<long long>(run.header.irows) * run.header.icols - background;
    const int count = static_cast<int>(std::min<long long>(cells, std::numeric_limits<int>::max()));
    for (std::size_t o = 0; o < run.outs.size(); ++o) {
        if (!run.outs[o].open) continue;
        if (run.outs[o].file.Commit()) counts[o] = count;
        else sink.ShowMessage(OutputFailedMessage(run.outs[o].spec->path));
    }
    return counts;
}

// The reference: one line at a time, one cell at a time, on the calling thread.
long long ClassifyLinesReference(OpenedRun& run) {
    const ClassifierModel& m = run.model;
    std::vector<std::uint8_t> in(run.lineBytes), out(run.outLine);
    std::vector<std::uint8_t> x(static_cast<std::size_t>(m.bands));
    std::vector<double> g(static_cast<std::size_t>(m.classes)), p(g.size());
    long long background = 0;
    while (run.lines->Read(in.data(), 1) == 1) {
        long long lineBackground = 0;  // the same for every output
        for (Output& o : run.outs) {
            if (!o.open) continue;
            lineBackground = 0;
            for (std::size_t c = 0; c < run.icols; ++c) {
                for (int b = 0; b < m.bands; ++b) x[b] = in[b * run.icols + c];
                std::uint8_t cell[9];
                ClassifyCellReference(m, x.data(), o.spec->v, o.spec->u, cell, g, p);
                for (int b = 0; b < 9; ++b) out[b * run.icols + c] = cell[b];
                lineBackground += cell[0] == 0;
            }
            o.file.Write(out.data(), out.size());
        }
        background += lineBackground;
    }
    return background;
}

// The fast path: blocks of lines classified in parallel. While the workers classify one
// block, the calling thread writes the previous one and reads the next, so the outputs keep
// the line order. The first open output's buffer receives bands 1 to 8 straight from the
// kernel; other outputs copy them.
long long ClassifyLinesFast(OpenedRun& run, const ClassifyOptions& options) {
    std::size_t open = 0, first = run.outs.size();
    for (std::size_t o = run.outs.size(); o-- > 0;)
        if (run.outs[o].open) ++open, first = o;
    // Blocks bounded in bytes, so memory does not grow with the image's height.
    const std::size_t perLine = run.lineBytes + open * run.outLine + 1;
    const std::size_t budget = std::size_t{48} << 20;
    const std::size_t block = options.linesPerBlock > 0
                                  ? static_cast<std::size_t>(options.linesPerBlock)
                                  : std::clamp<std::size_t>(budget / perLine, 1, 256);
    struct Block {
        LargeBuffer in;
        std::vector<LargeBuffer> out;
        std::vector<long long> background;
        std::size_t lines = 0;
    };
    Block blocks[2];
    for (Block& bl : blocks) {
        bl.in = LargeBuffer(block * run.lineBytes);
        bl.out.resize(run.outs.size());
        for (std::size_t o = 0; o < run.outs.size(); ++o)
            if (run.outs[o].open) bl.out[o] = LargeBuffer(block * run.outLine);
        bl.background.resize(block);
    }
    ScratchPool scratch;
    long long background = 0;
    auto write = [&](Block& bl) {
        for (std::size_t i = 0; i < bl.lines; ++i) background += bl.background[i];
        for (std::size_t o = 0; o < run.outs.size(); ++o)
            if (run.outs[o].open) run.outs[o].file.Write(bl.out[o].data(), bl.lines * run.outLine);
        bl.lines = 0;
    };
    auto classify = [&](Block& bl, std::size_t i, LineClassification& lc) {
        const std::size_t cols = run.icols;
        std::uint8_t* line = bl.out[first].data() + i * run.outLine;
        ClassifyLineInto(run.model, bl.in.data() + i * run.lineBytes, static_cast<int>(cols), line, lc,
                         options.kernel);
        long long bg = 0;
        for (std::size_t c = 0; c < cols; ++c) bg += line[c] == 0;
        bl.background[i] = bg;
        for (std::size_t o = first; o < run.outs.size(); ++o) {
            if (!run.outs[o].open) continue;
            std::uint8_t* dst = bl.out[o].data() + i * run.outLine;
            if (o != first && cols > 0) std::memcpy(dst, line, 8 * cols);
            FlagRow(lc, line, run.outs[o].spec->v, run.outs[o].spec->u, dst + 8 * cols);
        }
    };
    const unsigned threads = options.threads > 0 ? static_cast<unsigned>(options.threads) : 0;
    blocks[0].lines = run.lines->Read(blocks[0].in.data(), block);
    for (int cur = 0; blocks[cur].lines > 0; cur ^= 1) {
        Block& bl = blocks[cur];
        Block& other = blocks[cur ^ 1];
        ParallelFor(
            bl.lines, threads,
            [&]() -> std::function<void(std::size_t)> {
                auto lc = scratch.Take();
                return [&, lc](std::size_t i) { classify(bl, i, *lc); };
            },
            [&] {
                write(other);
                other.lines = run.lines->Read(other.in.data(), block);
            });
        if (other.lines == 0) write(bl);
    }
    return background;
}

std::vector<int> Run(const std::string& input, const std::string& statsPath,
                     const std::vector<ThresholdOutput>& specs, MessageSink& sink,
                     const ClassifyOptions& options) {
    std::optional<OpenedRun> run = OpenRun(input, statsPath, specs, sink);
    if (!run) return std::vector<int>(specs.size(), 0);
    const long long background = ClassifyLinesFast(*run, options);
    return FinishRun(*run, background, sink);
}

}  // namespace

std::string OutputFailedMessage(const std::string& outputPath) { return "錯誤類型0003" + outputPath; }

int ClassifyMaximumLikelihood(const std::string& input, const std::string& stats,
                              const std::string& output, double v, double u, MessageSink& sink,
                              const ClassifyOptions& options) {
    return Run(input, stats, {ThresholdOutput{output, v, u}}, sink, options)[0];
}

std::vector<int> ClassifyMaximumLikelihoodMany(const std::string& input, const std::string& stats,
                                               const std::vector<ThresholdOutput>& outputs,
                                               MessageSink& sink, const ClassifyOptions& options) {
    return Run(input, stats, outputs, sink, options);
}

int ClassifyMaximumLikelihoodReference(const std::string& input, const std::string& stats,
                                       const std::string& output, double v, double u,
                                       MessageSink& sink) {
    const std::vector<ThresholdOutput> specs = {ThresholdOutput{output, v, u}};
    std::optional<OpenedRun> run = OpenRun(input, stats, specs, sink);
    if (!run) return 0;
    const long long background = ClassifyLinesReference(*run);
    return FinishRun(*run, background, sink)[0];
}

}  // namespace rice
