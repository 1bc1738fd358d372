#include "workbench/engine/parcel_raster.h"

#include <shapefil.h>

#include <algorithm>
#include <cmath>

#include "platform/core/scanfill.h"
#include "workbench/engine/shape_open.h"

namespace rice {

namespace {

// Device coordinates stay far inside int so that sums of two never overflow.
constexpr double kCoordLimit = 1.0e9;

}  // namespace

std::uint32_t ParcelColour(int record) {
    std::uint32_t i = static_cast<std::uint32_t>(record);
    return (i % 256) | (((i / 256) % 256) << 8) | (((i / 65536) % 256) << 16);
}

std::uint32_t RecordFromColour(std::uint32_t colorref) {
    return (colorref & 0xFF) + 256 * ((colorref >> 8) & 0xFF) + 65536 * ((colorref >> 16) & 0xFF);
}

int TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::clamp(std::trunc(v), -kCoordLimit, kCoordLimit));
}

int RoundHalfAwayFromZero(double v) {
    if (std::isnan(v)) return 0;
    return TruncToInt(v >= 0 ? v + 0.5 : v - 0.5);
}

ParcelLoad LoadParcelMap(const std::string& shpPath, double x0, double y0, ParcelMap& out) {
    bool damaged = false;
    SHPHandle h = OpenShapesForReading(shpPath, &damaged);
    if (!h) return damaged ? ParcelLoad::kDamaged : ParcelLoad::kCannotOpen;
    int count = 0, type = 0;
    double minB[4] = {0, 0, 0, 0}, maxB[4] = {0, 0, 0, 0};
    SHPGetInfo(h, &count, &type, minB, maxB);
    if (count > kMaxParcelRecords) {
        SHPClose(h);
        return ParcelLoad::kTooManyRecords;
    }
    PaintGeometry& g = out.geometry;
    g.recordCount = count;
    g.originOffsetX = minB[0] - x0;
    g.originOffsetY = y0 - maxB[1];
    g.paintedWidth = TruncToInt(maxB[0] - minB[0]);
    g.paintedHeight = TruncToInt(maxB[1] - minB[1]);
    g.windowOriginX = TruncToInt(minB[0] - x0);
    g.windowOriginY = TruncToInt(y0 - maxB[1]);
    out.polygons.assign(static_cast<size_t>(std::max(count, 0)), {});
    for (int i = 0; i < count; ++i) {
        SHPObject* shape = SHPReadObject(h, i);
        if (!shape) continue;  // unreadable record: paints nothing
        std::vector<IntPoint>& pts = out.polygons[i];
        bool finite = true;
        for (int k = 0; k < shape->nVertices && finite; ++k) {
            double x = shape->padfX[k] - x0, y = y0 - shape->padfY[k];
            finite = std::isfinite(x) && std::isfinite(y);
            pts.push_back({RoundHalfAwayFromZero(x), RoundHalfAwayFromZero(y)});
        }
        if (!finite) pts.clear();
        SHPDestroyObject(shape);
    }
    SHPClose(h);
    return ParcelLoad::kOk;
}

std::string ParcelLoadMessage(ParcelLoad result, const std::string& shpPath) {
    if (result == ParcelLoad::kTooManyRecords)
        return "坵塊檔的坵塊數超過 16777214，無法以顏色區分: " + shpPath;
    if (result == ParcelLoad::kDamaged) return DamagedParcelFileMessage(shpPath);
    return "";
}

BandedParcelRaster::BandedParcelRaster(const ParcelMap& map, int bandCells)
    : map_(map),
      width_(std::max(0, map.geometry.paintedWidth)),
      height_(std::max(0, map.geometry.paintedHeight)) {
    bandRows_ = std::max(1, bandCells / std::max(1, width_));
    rowSpan_.reserve(map.polygons.size());
    for (const auto& poly : map.polygons) {
        if (poly.size() < 3) {
            rowSpan_.push_back({1, 0});
            continue;
        }
        int lo = poly[0].y, hi = poly[0].y;
        for (const auto& p : poly) {
            lo = std::min(lo, p.y);
            hi = std::max(hi, p.y);
        }
        rowSpan_.push_back({lo - map.geometry.windowOriginY, hi - map.geometry.windowOriginY});
    }
}

void BandedParcelRaster::RasteriseBand(int firstRow) {
    bandTop_ = firstRow;
    bandCount_ = std::min(bandRows_, height_ - firstRow);
    band_.assign(static_cast<size_t>(bandCount_) * width_, kNoParcel);
    const int wx = map_.geometry.windowOriginX, wy = map_.geometry.windowOriginY;
    FillRings ring(1);
    for (size_t i = 0; i < map_.polygons.size(); ++i) {
        // A pixel row r holds centres at r + 0.5, so polygon rows [lo, hi] touch [lo, hi).
        if (rowSpan_[i].second <= bandTop_ || rowSpan_[i].first >= bandTop_ + bandCount_)
            continue;
        // All parts as one ring, as the view paints them.
        ring[0].clear();
        for (const auto& p : map_.polygons[i])
            ring[0].push_back({static_cast<double>(p.x - wx), static_cast<double>(p.y - wy)});
        const std::uint32_t record = static_cast<std::uint32_t>(i);
        ScanFill(ring, width_, bandTop_, bandTop_ + bandCount_,
                          [&](int row, int xBegin, int xEnd) {
                              std::uint32_t* line =
                                  band_.data() + static_cast<size_t>(row - bandTop_) * width_;
                              std::fill(line + xBegin, line + xEnd, record);
                          });
    }
}

void BandedParcelRaster::ReadRow(int y, int x0, int n, std::uint32_t* out) {
    const int row = y - map_.geometry.windowOriginY;
    if (row < 0 || row >= height_) {
        std::fill(out, out + n, kNoParcel);
        return;
    }
    if (row < bandTop_ || row >= bandTop_ + bandCount_) RasteriseBand(row);
    const std::uint32_t* line = band_.data() + static_cast<size_t>(row - bandTop_) * width_;
    const int dx = x0 - map_.geometry.windowOriginX;
    for (int i = 0; i < n; ++i) {
        int c = dx + i;
        out[i] = (c >= 0 && c < width_) ? line[c] : kNoParcel;
    }
}

}  // namespace rice
