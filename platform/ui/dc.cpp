#include "platform/ui/dc.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/core/scanfill.h"

namespace ui {

Raster::Raster(int width, int height, Colour fill)
    : width_(std::max(0, width)), height_(std::max(0, height)),
      rgb_(size_t(width_) * size_t(height_) * 3) {
    Fill(fill);
}

Colour Raster::Pixel(int x, int y) const {
    if (!Inside(x, y)) return kInvalidColour;
    const std::uint8_t* p = &rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3];
    return Rgb(p[0], p[1], p[2]);
}

void Raster::SetPixel(int x, int y, Colour c) {
    if (!Inside(x, y)) return;
    std::uint8_t* p = &rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3];
    p[0] = std::uint8_t(c & 255);
    p[1] = std::uint8_t((c >> 8) & 255);
    p[2] = std::uint8_t((c >> 16) & 255);
}

void Raster::FillRow(int y, int x0, int x1, Colour c) {
    if (y < 0 || y >= height_) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, width_);
    if (x0 >= x1) return;
    const std::uint8_t r = std::uint8_t(c & 255), g = std::uint8_t((c >> 8) & 255), b = std::uint8_t((c >> 16) & 255);
    std::uint8_t* p = rgb_.data() + (size_t(y) * size_t(width_) + size_t(x0)) * 3;
    for (int x = x0; x < x1; ++x, p += 3) {
        p[0] = r;
        p[1] = g;
        p[2] = b;
    }
}

void Raster::Fill(Colour c) {
    for (int y = 0; y < height_; ++y) FillRow(y, 0, width_, c);
}

void Raster::Clear(Colour c) {
    Fill(c);
    texts.clear();
}

DeviceContext::DeviceContext(Raster& raster, int logPixelsX, int logPixelsY)
    : raster_(&raster), logPixelsX_(logPixelsX), logPixelsY_(logPixelsY) {}

void DeviceContext::SetWindowExt(int cx, int cy) {
    // A zero extent is refused by the platform; keep the old one.
    if (cx != 0 && cy != 0) winExt_ = {cx, cy};
}

void DeviceContext::SetViewportExt(int cx, int cy) {
    if (cx != 0 && cy != 0) vpExt_ = {cx, cy};
}

PointD DeviceContext::ToDevice(PointD l) const {
    double x = l.x - winOrg_.x, y = l.y - winOrg_.y;
    if (mode_ == MapMode::Anisotropic) {
        x = x * vpExt_.x / winExt_.x;
        y = y * vpExt_.y / winExt_.y;
    }
    return {x + vpOrg_.x, y + vpOrg_.y};
}

Point DeviceContext::LPtoDP(Point l) const {
    PointD d = ToDevice({double(l.x), double(l.y)});
    return {int(std::floor(d.x + 0.5)), int(std::floor(d.y + 0.5))};
}

void DeviceContext::DeviceLine(Point a, Point b) {
    // Bresenham from a, leaving out b.
    int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
    int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
    int err = dx + dy;
    Point p = a;
    while (!(p == b)) {
        raster_->SetPixel(p.x, p.y, pen_);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            p.x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            p.y += sy;
        }
    }
}

void DeviceContext::MoveTo(int x, int y) { cur_ = {x, y}; }

void DeviceContext::LineTo(int x, int y) {
    DeviceLine(LPtoDP(cur_), LPtoDP({x, y}));
    cur_ = {x, y};
}

void DeviceContext::Polyline(const std::vector<Point>& points) {
    for (size_t i = 1; i < points.size(); ++i) DeviceLine(LPtoDP(points[i - 1]), LPtoDP(points[i]));
}

void DeviceContext::TextOut(int x, int y, const std::string& text) {
    Point d = LPtoDP({x, y});
    raster_->texts.push_back({d.x, d.y, text, textColour_, bkMode_ == BkMode::Transparent});
}

void DeviceContext::FillPolygon(const std::vector<Point>& points, Colour c) {
    std::vector<PointD> ring;
    ring.reserve(points.size());
    for (Point p : points) ring.push_back({double(p.x), double(p.y)});
    FillPolyPolygon({ring}, c);
}

void DeviceContext::FillPolyPolygon(const std::vector<std::vector<PointD>>& rings, Colour c) {
    rice::FillRings device;
    device.reserve(rings.size());
    for (const auto& ring : rings) {
        std::vector<rice::FillPoint> r;
        r.reserve(ring.size());
        for (PointD p : ring) {
            PointD d = ToDevice(p);
            r.push_back({d.x, d.y});
        }
        device.push_back(std::move(r));
    }
    Raster& target = *raster_;
    rice::ScanFill(device, target.Width(), 0, target.Height(),
                   [&](int y, int x0, int x1) { target.FillRow(y, x0, x1, c); });
}

void DeviceContext::FillSolidRect(int x, int y, int w, int h, Colour c) {
    Point a = LPtoDP({x, y}), b = LPtoDP({x + w, y + h});
    int x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
    int y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
    for (int row = y0; row < y1; ++row) raster_->FillRow(row, x0, x1, c);
}

Colour DeviceContext::GetPixel(int x, int y) const {
    Point d = LPtoDP({x, y});
    return raster_->Pixel(d.x, d.y);
}

}  // namespace ui
