#pragma once
// Demo parcel files of two map sheets over the sample source image: a few hundred parcels
// each (some with a hole, some in two parts, some off the image, a couple too thin to hold a
// sample), with a `culture` truth taken from the image (nearest class mean of the cells under
// the parcel, rice for the first half of the classes) and a few truths deliberately wrong;
// and, for the classification run, each sheet's merged class statistics at
// class folder + "/info" + sheet + "_Merge.gsg".
#include <shapefil.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "workbench/engine/lan_image.h"

namespace samples {

struct OverlaySheet {
    std::string name;       // base name of the parcel file
    double minX, maxY;      // upper-left corner of the sheet in map units
    double width, height;   // map units
};

// Class means of a class-statistics text (K, B, then per class B means and B x B values).
inline std::vector<std::vector<double>> ClassMeans(const std::string& statsText) {
    std::istringstream in(statsText);
    int k = 0, b = 0;
    in >> k >> b;
    std::vector<std::vector<double>> means;
    for (int c = 0; c < k && in; ++c) {
        std::vector<double> m(static_cast<size_t>(b));
        for (auto& v : m) in >> v;
        double skip;
        for (int i = 0; i < b * b; ++i) in >> skip;
        means.push_back(m);
    }
    return means;
}

// Writes the sheets' parcel files into parcelFolder and their merged statistics into
// classFolder; returns the parcel file paths, or nothing when the inputs cannot be read.
inline std::optional<std::vector<std::string>> WriteOverlaySamples(
    const std::string& sourceLan, const std::string& statsPath, const std::string& parcelFolder,
    const std::string& classFolder) {
    std::optional<rice::LanImage> image = rice::ReadLanImage(sourceLan);
    std::optional<std::string> stats = rice::ReadWholeFile(statsPath);
    if (!image || !stats) return std::nullopt;
    const auto means = ClassMeans(*stats);
    if (means.empty()) return std::nullopt;
    const rice::LanHeader& h = image->header;
    const double cell = h.xcell, x0 = h.xmap, y0 = h.ymap;
    const double imageW = h.icols * cell, imageH = h.irows * cell;
    const int bands = std::min<int>(h.nbands, static_cast<int>(means[0].size()));

    // Rice when the cells under the box are mostly nearest to a rice class mean.
    auto truthOf = [&](double ax, double ay, double bx, double by) -> std::optional<bool> {
        int rice = 0, other = 0;
        for (double y = ay; y < by; y += cell)
            for (double x = ax; x < bx; x += cell) {
                long col = std::lround(std::floor((x - x0) / cell));
                long row = std::lround(std::floor((y0 - y) / cell));
                if (col < 0 || row < 0 || col >= h.icols || row >= h.irows) continue;
                double best = 1e300;
                size_t bestClass = 0;
                int sum = 0;
                for (int band = 0; band < bands; ++band)
                    sum += image->Cell(static_cast<int>(row), band, static_cast<int>(col));
                if (sum == 0) continue;
                for (size_t k = 0; k < means.size(); ++k) {
                    double d = 0;
                    for (int band = 0; band < bands; ++band) {
                        double v = image->Cell(static_cast<int>(row), band, static_cast<int>(col));
                        d += (v - means[k][band]) * (v - means[k][band]);
                    }
                    if (d < best) { best = d; bestClass = k; }
                }
                (bestClass < means.size() / 2 ? rice : other) += 1;
            }
        if (rice + other == 0) return std::nullopt;
        return rice >= other;
    };

    // Sheet 1 reaches past the image's left and upper edges; sheet 2 lies to its right.
    const OverlaySheet sheets[] = {
        {"94203021", x0 - 0.08 * imageW, y0 + 0.05 * imageH, 0.45 * imageW, 0.75 * imageH},
        {"94203022", x0 + 0.50 * imageW, y0 - 0.10 * imageH, 0.45 * imageW, 0.80 * imageH},
    };
    std::vector<std::string> paths;
    for (const auto& s : sheets) {
        const std::string stem = rice::JoinPath(parcelFolder, s.name);
        SHPHandle shp = SHPCreate(stem.c_str(), SHPT_POLYGON);
        DBFHandle dbf = DBFCreate((stem + ".dbf").c_str());
        if (!shp || !dbf) return std::nullopt;
        DBFAddField(dbf, "AREA", FTDouble, 12, 1);
        DBFAddField(dbf, "culture", FTString, 4, 0);
        const int across = 16, down = 14;
        const double pw = s.width / across, ph = s.height / down;
        int record = 0;
        auto write = [&](const std::vector<std::vector<std::pair<double, double>>>& rings,
                         const std::string& culture, double area) {
            std::vector<int> starts;
            std::vector<double> xs, ys;
            for (const auto& ring : rings) {
                starts.push_back(static_cast<int>(xs.size()));
                for (auto [x, y] : ring) {
                    xs.push_back(x);
                    ys.push_back(y);
                }
            }
            SHPObject* o = SHPCreateObject(SHPT_POLYGON, -1, static_cast<int>(starts.size()),
                                           starts.data(), nullptr, static_cast<int>(xs.size()),
                                           xs.data(), ys.data(), nullptr, nullptr);
            SHPWriteObject(shp, -1, o);
            SHPDestroyObject(o);
            DBFWriteDoubleAttribute(dbf, record, 0, area);
            DBFWriteStringAttribute(dbf, record, 1, culture.c_str());
            ++record;
        };
        // Clockwise outer rings, the hole the other way round, as shapefiles keep them.
        auto box = [](double ax, double ay, double bx, double by, bool hole = false) {
            std::vector<std::pair<double, double>> r = {{ax, ay}, {ax, by}, {bx, by}, {bx, ay},
                                                        {ax, ay}};
            if (hole) std::reverse(r.begin(), r.end());
            return r;
        };
        for (int r = 0; r < down; ++r)
            for (int c = 0; c < across; ++c) {
                const int n = r * across + c;
                // Parcels share their edges; a little inset keeps some field roads between.
                const double inset = (n % 5 == 0) ? 3.0 : 0.0;
                double ax = s.minX + c * pw + inset, bx = s.minX + (c + 1) * pw - inset;
                double by = s.maxY - r * ph - inset, ay = s.maxY - (r + 1) * ph + inset;
                std::optional<bool> rice = truthOf(ax, ay, bx, by);
                bool truth = rice.value_or(n % 2 == 0);
                if (n % 11 == 3) truth = !truth;  // wrong truths
                std::string culture = truth ? "1" : "0";
                if (n % 37 == 5) culture = truth ? "10" : "0 ";  // stored as its first character
                if (n % 9 == 4) {  // a pond
                    double cx = (ax + bx) / 2, cy = (ay + by) / 2, q = std::min(pw, ph) / 5;
                    write({box(ax, ay, bx, by), box(cx - q, cy - q, cx + q, cy + q, true)},
                          culture, (bx - ax) * (by - ay) - 4 * q * q);
                } else if (n % 13 == 7) {  // two parts split by a ditch
                    double mx = (ax + bx) / 2;
                    write({box(ax, ay, mx - 2, by), box(mx + 2, ay, bx, by)}, culture,
                          (bx - ax - 4) * (by - ay));
                } else {
                    write({box(ax, ay, bx, by)}, culture, (bx - ax) * (by - ay));
                }
            }
        // Slivers narrower than a map unit hold no sample.
        write({box(s.minX + 10, s.maxY - s.height / 2, s.minX + 10.4, s.maxY - s.height / 2 + 30)},
              "1", 12);
        write({box(s.minX + s.width / 2, s.maxY - 20.4, s.minX + s.width / 2 + 40, s.maxY - 20.2)},
              "0", 16);
        SHPClose(shp);
        DBFClose(dbf);
        const std::string merged =
            rice::JoinPath(classFolder, "info" + s.name + "_Merge.gsg");
        if (!rice::WriteFileAtomic(merged, *stats)) return std::nullopt;
        paths.push_back(stem + ".shp");
    }
    return paths;
}

}  // namespace samples
