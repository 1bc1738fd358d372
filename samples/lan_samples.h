#pragma once
// Synthetic multiband images and their class statistics: rectangular fields, each drawn from
// one spectral class (Gaussian with a correlated covariance), plus a no-data wedge of
// background cells. Deterministic on every machine: our own generator and Box-Muller, no
// library distribution.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "workbench/engine/lan_image.h"

namespace samples {

// SplitMix64.
class SampleRng {
public:
    explicit SampleRng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // In (0, 1).
    double Uniform() { return (static_cast<double>(Next() >> 11) + 0.5) / 9007199254740992.0; }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    double Normal() {
        if (haveSpare_) {
            haveSpare_ = false;
            return spare_;
        }
        const double r = std::sqrt(-2.0 * std::log(Uniform()));
        const double a = 6.283185307179586 * Uniform();
        spare_ = r * std::sin(a);
        haveSpare_ = true;
        return r * std::cos(a);
    }

private:
    std::uint64_t state_;
    double spare_ = 0;
    bool haveSpare_ = false;
};

struct SpectralClass {
    std::string name;
    bool rice = false;
    std::vector<double> mean;               // per band
    std::vector<std::vector<double>> cov;   // bands x bands
    std::vector<std::vector<double>> chol;  // lower factor of cov, for drawing cells
};

// Green, red, near infrared, short-wave infrared of a few ground covers (8-bit counts).
struct BaseCover {
    const char* name;
    bool rice;
    double profile[4];
    double spread;  // standard deviation scale
};
inline const std::vector<BaseCover>& BaseCovers() {
    static const std::vector<BaseCover> covers = {
        {"rice_flooded", true, {72, 58, 68, 38}, 3.5},
        {"rice_tillering", true, {64, 48, 118, 62}, 4.5},
        {"rice_heading", true, {60, 44, 146, 74}, 5.0},
        {"rice_ripening", true, {70, 60, 112, 88}, 5.5},
        {"water", false, {52, 36, 22, 12}, 2.5},
        {"built_up", false, {112, 116, 102, 124}, 9.0},
        {"forest", false, {46, 31, 124, 56}, 5.0},
        {"dry_field", false, {86, 92, 96, 112}, 7.0},
        {"bare_soil", false, {98, 108, 112, 134}, 8.0},
    };
    return covers;
}

// The 4-band profile stretched over `bands` bands by linear interpolation.
inline std::vector<double> Profile(const BaseCover& c, int bands) {
    std::vector<double> out(static_cast<std::size_t>(bands));
    for (int b = 0; b < bands; ++b) {
        const double at = bands == 1 ? 0 : 3.0 * b / (bands - 1);
        const int i = std::min(2, static_cast<int>(at));
        out[b] = c.profile[i] + (at - i) * (c.profile[i + 1] - c.profile[i]);
    }
    return out;
}

inline std::vector<std::vector<double>> Cholesky(const std::vector<std::vector<double>>& a) {
    const std::size_t n = a.size();
    std::vector<std::vector<double>> l(n, std::vector<double>(n, 0));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j <= i; ++j) {
            double s = a[i][j];
            for (std::size_t k = 0; k < j; ++k) s -= l[i][k] * l[j][k];
            l[i][j] = i == j ? std::sqrt(s) : s / l[j][j];
        }
    return l;
}

// `rice` rice classes then `nonrice` non-rice classes, each a variant of a base cover: mean
// shifted a little, spread varied, neighbouring bands correlated (0.6 ^ distance).
inline std::vector<SpectralClass> MakeSpectralClasses(int bands, int rice, int nonrice,
                                                      std::uint64_t seed) {
    SampleRng rng(seed);
    std::vector<const BaseCover*> riceCovers, otherCovers;
    for (const auto& c : BaseCovers()) (c.rice ? riceCovers : otherCovers).push_back(&c);
    std::vector<SpectralClass> out;
    auto make = [&](const BaseCover& base, int variant) {
        SpectralClass c;
        c.name = std::string(base.name) + "_" + std::to_string(variant + 1);
        c.rice = base.rice;
        c.mean = Profile(base, bands);
        for (double& m : c.mean) m = std::clamp(m + 12.0 * (rng.Uniform() - 0.5), 8.0, 240.0);
        std::vector<double> sd(static_cast<std::size_t>(bands));
        for (double& s : sd) s = base.spread * (0.7 + 0.6 * rng.Uniform());
        c.cov.assign(static_cast<std::size_t>(bands), std::vector<double>(static_cast<std::size_t>(bands)));
        for (int i = 0; i < bands; ++i)
            for (int j = 0; j < bands; ++j)
                c.cov[i][j] = sd[i] * sd[j] * std::pow(0.6, std::abs(i - j));
        c.chol = Cholesky(c.cov);
        out.push_back(std::move(c));
    };
    for (int k = 0; k < rice; ++k)
        make(*riceCovers[k % riceCovers.size()], k / static_cast<int>(riceCovers.size()));
    for (int k = 0; k < nonrice; ++k)
        make(*otherCovers[k % otherCovers.size()], k / static_cast<int>(otherCovers.size()));
    return out;
}

// The class-statistics text as the signature converter writes it: K, B, then per class B
// lines of one mean and B covariance rows, "%.5f" values each followed by a blank, CR LF.
inline std::string ClassStatisticsText(const std::vector<SpectralClass>& classes) {
    std::string t = std::to_string(classes.size()) + "\r\n" +
                    std::to_string(classes.empty() ? 0 : classes[0].mean.size()) + "\r\n";
    auto number = [](double v) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.5f ", v);
        for (char* p = buf; *p; ++p)
            if (*p == ',') *p = '.';  // whatever the locale
        return std::string(buf);
    };
    for (const auto& c : classes) {
        for (double m : c.mean) t += number(m) + "\r\n";
        for (const auto& row : c.cov) {
            for (double v : row) t += number(v);
            t += "\r\n";
        }
    }
    return t;
}

struct FieldImageSpec {
    int icols = 600, irows = 500, bands = 4;
    float xmap = 250000, ymap = 2655000, cell = 10;  // upper-left corner, cell side
    int fieldCols = 30, fieldRows = 25;              // field size in cells
    double riceShare = 0.55;                         // of the fields
    double noDataWedge = 0.15;                       // top-left triangle, as a share of the width
    std::uint64_t seed = 20240611;
};

// A LAN header of nbands x icols x irows cells from (xmap, ymap); the area per cell is left 0.
inline rice::LanHeader MakeHeader(int nbands, int icols, int irows, float xmap = 1000, float ymap = 2000,
                                  float xcell = 10, float ycell = 10) {
    rice::LanHeader h;
    h.identifier = {'H', 'E', 'A', 'D', '7', '4'};
    h.nbands = static_cast<std::int16_t>(nbands);
    h.icols = icols;
    h.irows = irows;
    h.xmap = xmap;
    h.ymap = ymap;
    h.xcell = xcell;
    h.ycell = ycell;
    return h;
}

struct FieldImage {
    rice::LanImage image;
    int fieldsAcross = 0, fieldsDown = 0;
    std::vector<int> fieldClass;  // per field, row by row: index into the classes (0-based)
};

// Fields of fieldCols x fieldRows cells, each drawn from one class; the cells of the no-data
// wedge are 0 in every band, the others never are.
inline FieldImage MakeFieldImage(const FieldImageSpec& spec, const std::vector<SpectralClass>& classes) {
    SampleRng rng(spec.seed);
    FieldImage out;
    out.fieldsAcross = (spec.icols + spec.fieldCols - 1) / spec.fieldCols;
    out.fieldsDown = (spec.irows + spec.fieldRows - 1) / spec.fieldRows;
    std::vector<int> riceIdx, otherIdx;
    for (int k = 0; k < static_cast<int>(classes.size()); ++k)
        (classes[k].rice ? riceIdx : otherIdx).push_back(k);
    for (int f = 0; f < out.fieldsAcross * out.fieldsDown; ++f) {
        const bool rice = !riceIdx.empty() && (otherIdx.empty() || rng.Uniform() < spec.riceShare);
        const auto& pool = rice ? riceIdx : otherIdx;
        out.fieldClass.push_back(pool[rng.Below(static_cast<int>(pool.size()))]);
    }
    out.image.header = MakeHeader(spec.bands, spec.icols, spec.irows, spec.xmap, spec.ymap, spec.cell, spec.cell);
    out.image.header.areaPerCell = spec.cell * spec.cell;
    const std::size_t cols = static_cast<std::size_t>(spec.icols);
    out.image.lines = rice::LanLines(static_cast<std::size_t>(spec.irows), cols * static_cast<std::size_t>(spec.bands));
    const double wedge = spec.noDataWedge * spec.icols;
    std::vector<double> z(static_cast<std::size_t>(spec.bands));
    for (int r = 0; r < spec.irows; ++r) {
        auto line = out.image.lines[static_cast<std::size_t>(r)];
        for (int c = 0; c < spec.icols; ++c) {
            if (c + r < wedge) continue;  // no data
            const int f = (r / spec.fieldRows) * out.fieldsAcross + c / spec.fieldCols;
            const SpectralClass& k = classes[static_cast<std::size_t>(out.fieldClass[f])];
            for (double& v : z) v = rng.Normal();
            for (int b = 0; b < spec.bands; ++b) {
                double v = k.mean[b];
                for (int j = 0; j <= b; ++j) v += k.chol[b][j] * z[j];
                line[b * cols + c] = static_cast<std::uint8_t>(std::clamp(std::lround(v), 1L, 255L));
            }
        }
    }
    return out;
}

}  // namespace samples
