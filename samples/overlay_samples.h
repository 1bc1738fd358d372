#pragma once
// Demo parcel files of two map sheets over the sample source image: a few hundred parcels
// each (some with a hole, some in two parts, some off the image, a couple too thin to hold a
// sample), with a `culture` truth from the field under the parcel and a few truths wrong;
// and, for the classification run, each sheet's merged class statistics at
// class folder + "/info" + sheet + "_Merge.gsg".
#include <shapefil.h>

#include <algorithm>
#include <functional>
#include <optional>
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

// Truth of a map position: rice or not, nothing where the image has no data.
using TruthAt = std::function<std::optional<bool>(double x, double y)>;

// Writes the sheets' parcel files into parcelFolder and, for each, the merged class
// statistics statsText into classFolder; returns the parcel file paths, nothing on failure.
// The sheets follow the image's fields (300 x 250 map units), half a field per parcel.
inline std::optional<std::vector<std::string>> WriteOverlaySamples(
    const rice::LanHeader& h, const std::string& statsText, const TruthAt& truthAt,
    const std::string& parcelFolder, const std::string& classFolder) {
    const double x0 = h.xmap, y0 = h.ymap;
    // Sheet 1 reaches past the image's left and upper edges, sheet 2 past its right edge.
    const double pw = 150, ph = 125;
    struct Grid {
        OverlaySheet sheet;
        int across, down;
    };
    const Grid grids[] = {
        {{"94203021", x0 - pw, y0 + ph, 20 * pw, 14 * ph}, 20, 14},
        {{"94203022", x0 + 20 * pw, y0 - 18 * ph, 21 * pw, 16 * ph}, 21, 16},
    };
    std::vector<std::string> paths;
    for (const auto& grid : grids) {
        const OverlaySheet& s = grid.sheet;
        const std::string stem = rice::JoinPath(parcelFolder, s.name);
        SHPHandle shp = SHPCreate(stem.c_str(), SHPT_POLYGON);
        DBFHandle dbf = DBFCreate((stem + ".dbf").c_str());
        if (!shp || !dbf) return std::nullopt;
        DBFAddField(dbf, "AREA", FTDouble, 12, 1);
        DBFAddField(dbf, "culture", FTString, 4, 0);
        const int across = grid.across, down = grid.down;
        int record = 0;
        auto write = [&](const std::vector<std::vector<std::pair<double, double>>>& rings,
                         const char* culture, double area) {
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
            DBFWriteStringAttribute(dbf, record, 1, culture);
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
                std::optional<bool> rice = truthAt((ax + bx) / 2, (ay + by) / 2);
                bool truth = rice.value_or(n % 2 == 0);
                if (n % 11 == 3) truth = !truth;  // wrong truths
                // Now and then a longer value, stored as its first character.
                const char* culture = n % 37 == 5 ? (truth ? "10" : "0 ") : (truth ? "1" : "0");
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
        if (!rice::WriteFileAtomic(merged, statsText)) return std::nullopt;
        paths.push_back(stem + ".shp");
    }
    return paths;
}

}  // namespace samples
