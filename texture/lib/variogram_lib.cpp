#include "texture/lib/variogram_lib.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/core/parallel.h"

namespace rice {
namespace {

// Half the mean of a kernel's sum over the window's cells.
long double half_mean(float s, unsigned nx, unsigned ny) {
    unsigned two_n = 2u * (nx * ny);
    return static_cast<long double>(s) / static_cast<long double>(two_n);
}

// The sum of term(x, y) over the window in float, row by row: the order the fast paths keep.
template <class Term>
long double half_mean_by_rows(unsigned nx, unsigned ny, Term term) {
    float s = 0;
    for (unsigned y = 0; y < ny; ++y)
        for (unsigned x = 0; x < nx; ++x) s = s + term(x, y);
    return half_mean(s, nx, ny);
}

}  // namespace

long double direct_variogram_kernel(const SUB_MATRIX* in1_b, const SUB_MATRIX* in1_e,
                                    const SUB_MATRIX*, const SUB_MATRIX*) {
    TEXTURE_CHECK(in1_b != nullptr, "in1_b != NULL", "variogram_lib", 22);
    TEXTURE_CHECK(in1_e != nullptr, "in1_e != NULL", "variogram_lib", 23);
    TEXTURE_CHECK(in1_b->size_of_x() == in1_e->size_of_x(), "in1_b->size_of_x() == in1_e->size_of_x()",
                  "variogram_lib", 25);
    TEXTURE_CHECK(in1_b->size_of_y() == in1_e->size_of_y(), "in1_b->size_of_y() == in1_e->size_of_y()",
                  "variogram_lib", 26);
    return half_mean_by_rows(in1_b->size_of_x(), in1_b->size_of_y(), [&](unsigned x, unsigned y) {
        float d = static_cast<float>(in1_b->at(x, y)) - static_cast<float>(in1_e->at(x, y));
        return d * d;
    });
}

long double madogram_kernel(const SUB_MATRIX* in1_b, const SUB_MATRIX* in1_e, const SUB_MATRIX*,
                            const SUB_MATRIX*) {
    TEXTURE_CHECK(in1_b != nullptr, "in1_b != 0", "variogram_lib", 51);
    TEXTURE_CHECK(in1_e != nullptr, "in1_e != 0", "variogram_lib", 52);
    return half_mean_by_rows(in1_b->size_of_x(), in1_b->size_of_y(), [&](unsigned x, unsigned y) {
        float d = static_cast<float>(in1_b->at(x, y)) - static_cast<float>(in1_e->at(x, y));
        return std::fabs(d);
    });
}

long double cross_madogram_kernel(const SUB_MATRIX* in1_b, const SUB_MATRIX* in1_e,
                                  const SUB_MATRIX* in2_b, const SUB_MATRIX* in2_e) {
    TEXTURE_CHECK(in1_b != nullptr, "in1_b != 0", "variogram_lib", 86);
    TEXTURE_CHECK(in1_e != nullptr, "in1_e != 0", "variogram_lib", 87);
    TEXTURE_CHECK(in2_b != nullptr, "in2_b != 0", "variogram_lib", 88);
    TEXTURE_CHECK(in2_e != nullptr, "in2_e != 0", "variogram_lib", 89);
    return half_mean_by_rows(in1_b->size_of_x(), in1_b->size_of_y(), [&](unsigned x, unsigned y) {
        float d1 = static_cast<float>(in1_b->at(x, y)) - static_cast<float>(in1_e->at(x, y));
        float d2 = static_cast<float>(in2_b->at(x, y)) - static_cast<float>(in2_e->at(x, y));
        float product = d1 * d2;
        return std::fabs(product);
    });
}

long double pseudo_cross_variogram_kernel(const SUB_MATRIX* in1_b, const SUB_MATRIX*,
                                          const SUB_MATRIX*, const SUB_MATRIX* in2_e) {
    TEXTURE_CHECK(in1_b != nullptr, "in1_b != 0", "variogram_lib", 123);
    TEXTURE_CHECK(in2_e != nullptr, "in2_e != 0", "variogram_lib", 124);
    const unsigned nx = in1_b->size_of_x(), ny = in1_b->size_of_y();
    float s = 0;
    for (unsigned x = 0; x < nx; ++x)
        for (unsigned y = 0; y < ny; ++y) {
            float d = static_cast<float>(in1_b->at(x, y)) - static_cast<float>(in2_e->at(x, y));
            s = s + d * d;
        }
    return half_mean(s, nx, ny);
}

namespace {

enum class DIRECTION { e_w, n_s, ne_sw, nw_se };

// First cells of lag k's pairs inside the window, [x0, x1) x [y0, y1), window-relative; the
// second cell of each pair is the first moved by (dx, dy).
struct LAG_GEOMETRY {
    unsigned x0, y0, x1, y1;
    int dx, dy;
};

LAG_GEOMETRY lag_geometry(DIRECTION d, unsigned MW, unsigned k) {
    const int ik = static_cast<int>(k);
    switch (d) {
        case DIRECTION::e_w: return {0, 0, MW - k, MW, ik, 0};
        case DIRECTION::n_s: return {0, 0, MW, MW - k, 0, ik};
        case DIRECTION::ne_sw: return {k, 0, MW, MW - k, -ik, ik};
        case DIRECTION::nw_se: return {0, 0, MW - k, MW - k, ik, ik};
    }
    return {};
}

// The driver of every direction: the b view holds the first cells, the e view the lagged ones.
float drive(DIRECTION d, VARIOGRAM_MW_MATRIX& band_a, VARIOGRAM_MW_MATRIX* band_b,
            VARIOGRAM_KERNEL kernel, unsigned h) {
    const unsigned MW = band_a.MW_size_of_x();
    std::vector<float> values;
    for (unsigned k = 1; k <= h; ++k) {
        LAG_GEOMETRY g = lag_geometry(d, MW, k);
        unsigned ex0 = static_cast<unsigned>(static_cast<int>(g.x0) + g.dx);
        unsigned ey0 = static_cast<unsigned>(static_cast<int>(g.y0) + g.dy);
        unsigned ex1 = static_cast<unsigned>(static_cast<int>(g.x1) + g.dx);
        unsigned ey1 = static_cast<unsigned>(static_cast<int>(g.y1) + g.dy);
        SUB_MATRIX in1_b, in1_e, in2_b, in2_e;
        in1_b.set_from_window(band_a, g.x0, g.y0, g.x1, g.y1);
        in1_e.set_from_window(band_a, ex0, ey0, ex1, ey1);
        if (band_b) {
            in2_b.set_from_window(*band_b, g.x0, g.y0, g.x1, g.y1);
            in2_e.set_from_window(*band_b, ex0, ey0, ex1, ey1);
        }
        values.push_back(static_cast<float>(kernel(&in1_b, &in1_e, &in2_b, &in2_e)));
    }
    float sum = 0;
    for (float v : values) sum = sum + v;
    return sum / static_cast<float>(values.size());
}

enum class KIND { direct, madogram, cross, pseudo, other };

KIND kind_of(VARIOGRAM_KERNEL kernel) {
    if (kernel == &direct_variogram_kernel) return KIND::direct;
    if (kernel == &madogram_kernel) return KIND::madogram;
    if (kernel == &cross_madogram_kernel) return KIND::cross;
    if (kernel == &pseudo_cross_variogram_kernel) return KIND::pseudo;
    return KIND::other;
}

constexpr std::uint64_t kExactFloat = std::uint64_t{1} << 24;

// Integer sums need band values whose floats are exact, and window sums that cannot wrap.
bool exact_sums_possible(VARIOGRAM_MATRIX& band_a, VARIOGRAM_MATRIX* band_b, unsigned MW) {
    unsigned m = band_a.max_value();
    if (band_b && band_b->max_value() > m) m = band_b->max_value();
    if (m >= kExactFloat) return false;
    double bound = static_cast<double>(m) * m * MW * MW;
    return bound < 1e18;
}

// One direction by exact integer window sums. A kernel's float sum equals the integer sum
// whenever the band values and that sum stay below 2^24: every term is then a whole number
// no larger than the sum and every partial sum is exact. Other windows take the kernel itself.
// Buffers kept from one direction to the next: fresh pages cost more than the sums.
struct WORKSPACE {
    std::vector<std::vector<std::uint64_t>> tables;
    std::vector<float> acc;
};

void fast_direction(DIRECTION d, KIND kind, VARIOGRAM_KERNEL kernel, VARIOGRAM_MATRIX& band_a,
                    VARIOGRAM_MATRIX* band_b, MATRIX<float>& result, unsigned MW, unsigned h,
                    WORKSPACE& work, unsigned threads) {
    const unsigned W = band_a.size_of_x(), H = band_a.size_of_y();
    const unsigned px = W - MW + 1, py = H - MW + 1, half = (MW - 1) / 2;
    const unsigned* A = band_a.data();
    const unsigned* B = band_b ? band_b->data() : nullptr;
    const size_t table_size = static_cast<size_t>(W + 1) * (H + 1);
    // Summed-area tables of a few lags at a time: built side by side, small enough for the cache.
    const size_t group = std::max<size_t>(1, std::min<size_t>(h, (size_t{8} << 20) / (table_size * 8)));
    std::vector<std::vector<std::uint64_t>>& tables = work.tables;
    if (tables.size() < group) tables.resize(group);
    std::vector<float>& acc = work.acc;
    acc.assign(static_cast<size_t>(px) * py, 0.0f);
    auto cell = [&](const unsigned* m, int x, int y) -> std::int64_t { return m[x + static_cast<size_t>(y) * W]; };
    for (unsigned first = 1; first <= h; first += static_cast<unsigned>(group)) {
        const unsigned last = std::min<unsigned>(h, first + static_cast<unsigned>(group) - 1);
        // Pair terms at every first cell whose partner lies in the image, summed.
        ParallelFor(last - first + 1, threads, [&](unsigned t) {
            const LAG_GEOMETRY g = lag_geometry(d, MW, first + t);
            std::vector<std::uint64_t>& P = tables[t];
            P.resize(table_size);
            for (unsigned x = 0; x <= W; ++x) P[x] = 0;
            for (unsigned y = 1; y <= H; ++y) P[static_cast<size_t>(y) * (W + 1)] = 0;
            for (unsigned y = 0; y < H; ++y) {
                std::uint64_t row = 0;
                for (unsigned x = 0; x < W; ++x) {
                    int sx = static_cast<int>(x) + g.dx, sy = static_cast<int>(y) + g.dy;
                    std::uint64_t term = 0;
                    if (sx >= 0 && sx < static_cast<int>(W) && sy < static_cast<int>(H)) {
                        int ix = static_cast<int>(x), iy = static_cast<int>(y);
                        std::int64_t v = 0;
                        switch (kind) {
                            case KIND::direct: v = cell(A, ix, iy) - cell(A, sx, sy); v *= v; break;
                            case KIND::madogram: v = std::llabs(cell(A, ix, iy) - cell(A, sx, sy)); break;
                            case KIND::cross:
                                v = std::llabs((cell(A, ix, iy) - cell(A, sx, sy)) * (cell(B, ix, iy) - cell(B, sx, sy)));
                                break;
                            case KIND::pseudo: v = cell(A, ix, iy) - cell(B, sx, sy); v *= v; break;
                            case KIND::other: break;
                        }
                        term = static_cast<std::uint64_t>(v);
                    }
                    row += term;
                    P[(x + 1) + static_cast<size_t>(y + 1) * (W + 1)] = P[(x + 1) + static_cast<size_t>(y) * (W + 1)] + row;
                }
            }
        });
        // Each window adds its lags in lag order, as the driver's list does.
        ParallelFor(py, threads, [&](unsigned Y) {
            for (unsigned k = first; k <= last; ++k) {
                const LAG_GEOMETRY g = lag_geometry(d, MW, k);
                const std::vector<std::uint64_t>& P = tables[k - first];
                auto at = [&](unsigned x, unsigned y) { return P[x + static_cast<size_t>(y) * (W + 1)]; };
                const unsigned nx = g.x1 - g.x0, ny = g.y1 - g.y0;
                const unsigned two_n = 2u * (nx * ny);
                for (unsigned X = 0; X < px; ++X) {
                    unsigned x0 = X + g.x0, x1 = X + g.x1, y0 = Y + g.y0, y1 = Y + g.y1;
                    std::uint64_t sum = at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0);
                    long double value;
                    if (sum < kExactFloat) {
                        value = static_cast<long double>(static_cast<float>(sum)) / static_cast<long double>(two_n);
                    } else {
                        unsigned ex0 = static_cast<unsigned>(static_cast<int>(x0) + g.dx);
                        unsigned ey0 = static_cast<unsigned>(static_cast<int>(y0) + g.dy);
                        SUB_MATRIX in1_b(W, x0, y0, x1, y1, A);
                        SUB_MATRIX in1_e(W, ex0, ey0, ex0 + nx, ey0 + ny, A);
                        SUB_MATRIX in2_b, in2_e;
                        if (B) {
                            in2_b = SUB_MATRIX(W, x0, y0, x1, y1, B);
                            in2_e = SUB_MATRIX(W, ex0, ey0, ex0 + nx, ey0 + ny, B);
                        }
                        value = kernel(&in1_b, &in1_e, &in2_b, &in2_e);
                    }
                    float& a = acc[X + static_cast<size_t>(Y) * px];
                    a = a + static_cast<float>(value);
                }
            }
        });
    }
    const float count = static_cast<float>(h);
    for (unsigned Y = 0; Y < py; ++Y)
        for (unsigned X = 0; X < px; ++X) result.at(X + half, Y + half) = acc[X + static_cast<size_t>(Y) * px] / count;
}

}  // namespace

float direction_driver_e_w(VARIOGRAM_MW_MATRIX& a, VARIOGRAM_MW_MATRIX* b, VARIOGRAM_KERNEL k, unsigned h) {
    return drive(DIRECTION::e_w, a, b, k, h);
}
float direction_driver_n_s(VARIOGRAM_MW_MATRIX& a, VARIOGRAM_MW_MATRIX* b, VARIOGRAM_KERNEL k, unsigned h) {
    return drive(DIRECTION::n_s, a, b, k, h);
}
float direction_driver_ne_sw(VARIOGRAM_MW_MATRIX& a, VARIOGRAM_MW_MATRIX* b, VARIOGRAM_KERNEL k, unsigned h) {
    return drive(DIRECTION::ne_sw, a, b, k, h);
}
float direction_driver_nw_se(VARIOGRAM_MW_MATRIX& a, VARIOGRAM_MW_MATRIX* b, VARIOGRAM_KERNEL k, unsigned h) {
    return drive(DIRECTION::nw_se, a, b, k, h);
}

void variogram_window_loop(VARIOGRAM_MW_MATRIX& band_a, VARIOGRAM_MW_MATRIX* band_b,
                           MW_MATRIX<float>& result, DIRECTION_DRIVER driver,
                           VARIOGRAM_KERNEL kernel, unsigned h) {
    result.reset();
    band_a.reset();
    if (band_b) band_b->reset();
    for (;;) {
        result.set(driver(band_a, band_b, kernel, h));
        int b_next1 = band_a.next();
        int b_next2 = band_b ? band_b->next() : 1;
        int b_next3 = result.next();
        TEXTURE_CHECK(b_next1 == b_next3, "(b_next1 == b_next3)", "variogram_lib", 346);
        if (!(b_next1 && b_next2)) break;
    }
}

bool variogram_by_direction(VARIOGRAM_MATRIX& band_a, VARIOGRAM_MATRIX* band_b, unsigned MW,
                            DIRECTION_OPTION option, VARIOGRAM_KERNEL kernel,
                            const std::string& base_name, int h, MessageSink& sink,
                            const TEXTURE_RUN_OPTIONS& options) {
    if (h < 1) {
        sink.ShowMessage("h值必須大於等於1");
        return false;
    }
    if (static_cast<unsigned>(h) >= MW) {
        sink.ShowMessage("h值必須小於moveing window大小");
        return false;
    }
    if (band_b && (band_b->size_of_x() != band_a.size_of_x() || band_b->size_of_y() != band_a.size_of_y()))
        throw std::invalid_argument("兩個波段大小不同");
    const unsigned lags = static_cast<unsigned>(h);
    MATRIX<float> grids[4];  // E_W, N_S, NE_SW, NW_SE
    MATRIX<float> average;
    for (auto* g : {&grids[0], &grids[1], &grids[2], &grids[3], &average}) {
        g->resize(band_a.size_of_x(), band_a.size_of_y());
        g->clear();
        g->set_format(band_a.get_format());
    }
    MW_MATRIX<float> result_windows[4] = {MW_MATRIX<float>(grids[0], MW, MW), MW_MATRIX<float>(grids[1], MW, MW),
                                          MW_MATRIX<float>(grids[2], MW, MW), MW_MATRIX<float>(grids[3], MW, MW)};
    VARIOGRAM_MW_MATRIX window_a(band_a, MW, MW);
    window_a.reset();
    VARIOGRAM_MW_MATRIX window_b;
    if (band_b) {
        window_b = VARIOGRAM_MW_MATRIX(*band_b, MW, MW);
        window_b.reset();
    }
    const bool selected[4] = {option.get_E_W(), option.get_N_S(), option.get_NE_SW(), option.get_NW_SE()};
    const DIRECTION_DRIVER drivers[4] = {&direction_driver_e_w, &direction_driver_n_s, &direction_driver_ne_sw,
                                         &direction_driver_nw_se};
    const DIRECTION directions[4] = {DIRECTION::e_w, DIRECTION::n_s, DIRECTION::ne_sw, DIRECTION::nw_se};
    const char* suffixes[4] = {"_e_w.txt", "_n_s.txt", "_ne_sw.txt", "_nw_se.txt"};
    WORKSPACE work;
    const KIND kind = kind_of(kernel);
    const bool plain = options.plain || kind == KIND::other || !exact_sums_possible(band_a, band_b, MW);
    for (int d = 0; d < 4; ++d) {
        if (!selected[d]) continue;
        if (plain)
            variogram_window_loop(window_a, band_b ? &window_b : nullptr, result_windows[d], drivers[d], kernel, lags);
        else
            fast_direction(directions[d], kind, kernel, band_a, band_b, grids[d], MW, lags, work, options.threads);
        if (!grids[d].write_file(base_name + suffixes[d], sink)) return false;
    }
    if (option.get_average()) {
        int count = 0;
        for (int d = 0; d < 4; ++d)
            if (selected[d]) {
                average += grids[d];
                ++count;
            }
        // No direction selected: there is nothing to average and no file is written.
        if (count > 0) {
            average /= count;
            if (!average.write_file(base_name + "_avg.txt", sink)) return false;
        }
    }
    return true;
}

bool direct_variogram(VARIOGRAM_MATRIX& band_a, unsigned MW, DIRECTION_OPTION option,
                      const std::string& base_name, int h, MessageSink& sink,
                    const TEXTURE_RUN_OPTIONS& options) {
    return variogram_by_direction(band_a, nullptr, MW, option, &direct_variogram_kernel, base_name, h, sink,
                                  options);
}

bool madogram(VARIOGRAM_MATRIX& band_a, unsigned MW, DIRECTION_OPTION option, const std::string& base_name,
              int h, MessageSink& sink, const TEXTURE_RUN_OPTIONS& options) {
    return variogram_by_direction(band_a, nullptr, MW, option, &madogram_kernel, base_name, h, sink, options);
}

bool cross_madogram(VARIOGRAM_MATRIX& band_a, VARIOGRAM_MATRIX& band_b, unsigned MW, DIRECTION_OPTION option,
                    const std::string& base_name, int h, MessageSink& sink,
                    const TEXTURE_RUN_OPTIONS& options) {
    return variogram_by_direction(band_a, &band_b, MW, option, &cross_madogram_kernel, base_name, h, sink,
                                  options);
}

bool pseudo_cross_variogram(VARIOGRAM_MATRIX& band_a, VARIOGRAM_MATRIX& band_b, unsigned MW,
                            DIRECTION_OPTION option, const std::string& base_name, int h, MessageSink& sink,
                            const TEXTURE_RUN_OPTIONS& options) {
    return variogram_by_direction(band_a, &band_b, MW, option, &pseudo_cross_variogram_kernel, base_name, h,
                                  sink, options);
}

}  // namespace rice
