#include "texture/lib/fractal_lib.h"

#include <cmath>
#include <cstdint>

#include "platform/core/parallel.h"

namespace rice {

namespace {

inline float root(float v) { return static_cast<float>(std::sqrt(static_cast<double>(v))); }

inline float heron(float x, float y, float z) {
    float s = (x + y + z) * 0.5f;
    float product = s * (s - x) * (s - y) * (s - z);
    return static_cast<float>(std::sqrt(std::fabs(static_cast<double>(product))));
}

inline float half_diagonal(unsigned p) {
    return static_cast<float>(static_cast<double>(p) * std::sqrt(2.0) / 2.0);
}

// True when the cells of every step cover the same part of the window (sizes 2^k + 1): a
// planar window then has the same area at every step.
bool steps_tile_alike(unsigned width, unsigned height) {
    unsigned largest = 1;
    while (largest * 2 < width) largest *= 2;
    return (width - 1) % largest == 0 && (height - 1) % largest == 0;
}

// True when the grey values lie exactly on a plane (flat windows included), decided in integer
// arithmetic: the float areas of such a window differ only by rounding.
template <class At>
bool planar_window(At at, unsigned width, unsigned height) {
    const std::int64_t a = at(0, 0);
    const std::int64_t dx = std::int64_t(at(1, 0)) - a, dy = std::int64_t(at(0, 1)) - a;
    std::int64_t row = a;
    for (unsigned j = 0; j < height; ++j, row += dy) {
        std::int64_t expected = row;
        for (unsigned i = 0; i < width; ++i, expected += dx)
            if (std::int64_t(at(i, j)) != expected) return false;
    }
    return true;
}

float cell_area_with_h(float a, float b, float c, float d, float p, float h) {
    float e = (a + b + c + d) * 0.25f;
    float pp = p * p;
    float hh = h * h;
    float ab = root((a - b) * (a - b) + pp);
    float bc = root((b - c) * (b - c) + pp);
    float cd = root((c - d) * (c - d) + pp);
    float ad = root((a - d) * (a - d) + pp);
    float ae = root((a - e) * (a - e) + hh);
    float be = root((b - e) * (b - e) + hh);
    float ce = root((c - e) * (c - e) + hh);
    float de = root((d - e) * (d - e) + hh);
    float t1 = heron(ab, be, ae);
    float t2 = heron(bc, ce, be);
    float t3 = heron(cd, de, ce);
    float t4 = heron(ad, ae, de);
    return t1 + t2 + t3 + t4;
}

}  // namespace

float prism_cell_area(float a, float b, float c, float d, float p) {
    return cell_area_with_h(a, b, c, d, p, half_diagonal(static_cast<unsigned>(p)));
}

void prism_surface_area(FRACTAL_MATRIX&, MW_MATRIX<unsigned int>& window, std::vector<float>& area,
                        std::vector<float>& squared_step) {
    const unsigned width = window.MW_size_of_x(), height = window.MW_size_of_y();
    for (unsigned p = 1; p < width; p *= 2) {
        const float fp = static_cast<float>(p);
        const float h = half_diagonal(p);
        float total = 0;
        for (unsigned q = 0; q + p < width; q += p)
            for (unsigned r = 0; r + p < height; r += p) {
                float a = static_cast<float>(window.at(q, r));
                float b = static_cast<float>(window.at(q, r + p));
                float c = static_cast<float>(window.at(q + p, r + p));
                float d = static_cast<float>(window.at(q + p, r));
                total = total + cell_area_with_h(a, b, c, d, fp, h);
            }
        area.push_back(total);
        squared_step.push_back(fp * fp);
    }
}

void fractal_regression(std::vector<float>& area, std::vector<float>& squared_step, float& r2, float& D,
                        bool same_areas) {
    const size_t n = area.size();
    float sum_x = 0, sum_y = 0;
    for (size_t i = 0; i < n; ++i) {
        squared_step[i] = static_cast<float>(std::log(static_cast<double>(squared_step[i])));
        area[i] = static_cast<float>(std::log(static_cast<double>(area[i])));
        sum_x = sum_x + squared_step[i];
        sum_y = sum_y + area[i];
    }
    TEXTURE_CHECK(area.size() >= 3, "area.size() >= 3", "fractal_lib", 84);
    if (same_areas) {
        r2 = 0;
        D = 2;
        return;
    }
    const float count = static_cast<float>(n);
    const float mx = sum_x / count, my = sum_y / count;
    float sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < n; ++i) {
        float dx = squared_step[i] - mx, dy = area[i] - my;
        sxy = sxy + dx * dy;
        sxx = sxx + dx * dx;
        syy = syy + dy * dy;
    }
    if (syy == 0) {  // no spread to fit: r would be 0 / 0
        r2 = 0;
        D = 2;
        return;
    }
    float r = static_cast<float>(static_cast<double>(sxy) / std::sqrt(static_cast<double>(sxx * syy)));
    float slope = static_cast<float>(std::sqrt(static_cast<double>(syy)) * r / std::sqrt(static_cast<double>(sxx)));
    D = 2 - slope;
    r2 = r * r;
}

bool fractal_dimension(FRACTAL_MATRIX& image, const std::string& r_file_name, const std::string& df_file_name,
                       unsigned width, unsigned height, MessageSink& sink,
                       const TEXTURE_RUN_OPTIONS& options) {
    FRACTAL_RESULT_MATRIX r2_grid, d_grid;
    r2_grid.resize(image.size_of_x(), image.size_of_y());
    r2_grid.clear();
    d_grid.resize(image.size_of_x(), image.size_of_y());
    d_grid.clear();
    MW_MATRIX<unsigned int> window(image, width, height);
    MW_MATRIX<float> r2_window(r2_grid, width, height);
    MW_MATRIX<float> d_window(d_grid, width, height);
    window.reset();
    r2_window.reset();
    d_window.reset();
    const bool tile_alike = steps_tile_alike(width, height);
    if (options.plain) {
        std::vector<float> area, squared_step;
        for (;;) {
            prism_surface_area(image, window, area, squared_step);
            auto cell = [&](unsigned i, unsigned j) { return window.at(i, j); };
            const bool same_areas = tile_alike && planar_window(cell, width, height);
            float r2 = 0, D = 0;
            fractal_regression(area, squared_step, r2, D, same_areas);
            r2_window.set(r2);
            d_window.set(D);
            area.clear();
            squared_step.clear();
            int b_next = window.next();
            int b1 = r2_window.next();
            int b2 = d_window.next();
            TEXTURE_CHECK((b1 == b_next) && (b2 == b_next), "(b1 == b_next) && (b2 == b_next)", "fractal_lib", 146);
            if (!b_next) break;
        }
    } else {
        // Every cell of side p lies at the same image position in many windows: its area is
        // computed once per step and the windows add the stored areas in the same order.
        const unsigned W = image.size_of_x(), H = image.size_of_y();
        const unsigned* img = image.data();
        std::vector<unsigned> steps;
        for (unsigned p = 1; p < width; p *= 2) steps.push_back(p);
        if (steps.size() < 3) {
            std::vector<float> area(steps.size()), squared_step(steps.size());
            float r2, D;
            fractal_regression(area, squared_step, r2, D);  // stops on its precondition
        }
        std::vector<std::vector<float>> cell_areas(steps.size());
        for (auto& grid : cell_areas) grid.assign(static_cast<size_t>(W) * H, 0.0f);
        ParallelFor(H - 1, options.threads, [&](unsigned y) {
            auto v = [&](unsigned cx, unsigned cy) { return static_cast<float>(img[cx + static_cast<size_t>(cy) * W]); };
            for (size_t s = 0; s < steps.size(); ++s) {
                const unsigned p = steps[s];
                if (y + p >= H) break;
                const float fp = static_cast<float>(p);
                const float h = half_diagonal(p);
                float* row = cell_areas[s].data() + static_cast<size_t>(y) * W;
                for (unsigned x = 0; x + p < W; ++x)
                    row[x] = cell_area_with_h(v(x, y), v(x, y + p), v(x + p, y + p), v(x + p, y), fp, h);
            }
        });
        const unsigned half = (width - 1) / 2;
        ParallelFor(H - height + 1, options.threads, [&](unsigned Y) {
            std::vector<float> area, squared_step;
            for (unsigned X = 0; X + width <= W; ++X) {
                area.clear();
                squared_step.clear();
                for (size_t s = 0; s < steps.size(); ++s) {
                    const unsigned p = steps[s];
                    const std::vector<float>& grid = cell_areas[s];
                    float total = 0;
                    for (unsigned q = 0; q + p < width; q += p)
                        for (unsigned r = 0; r + p < height; r += p)
                            total = total + grid[(X + q) + static_cast<size_t>(Y + r) * W];
                    const float fp = static_cast<float>(p);
                    area.push_back(total);
                    squared_step.push_back(fp * fp);
                }
                auto cell = [&](unsigned i, unsigned j) { return img[(X + i) + static_cast<size_t>(Y + j) * W]; };
                const bool same_areas = tile_alike && planar_window(cell, width, height);
                float r2 = 0, D = 0;
                fractal_regression(area, squared_step, r2, D, same_areas);
                r2_grid.at(X + half, Y + half) = r2;
                d_grid.at(X + half, Y + half) = D;
            }
        });
    }
    r2_grid.set_format(image.get_format());
    d_grid.set_format(image.get_format());
    if (!r2_grid.write_file(r_file_name, sink)) return false;
    return d_grid.write_file(df_file_name, sink);
}

}  // namespace rice
