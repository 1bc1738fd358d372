#pragma once
// Device context on our own 24-bit raster: the mapping modes the system uses (MM_TEXT and
// MM_ANISOTROPIC with window and viewport extents and origins), lines, polylines, text
// placement, solid even-odd polygon fill with an exact colour, and GetPixel read-back.
// Pixel ownership of fills follows rice::ScanFill (pixel centres, scanline rule on edges).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/window.h"

namespace ui {

constexpr Colour kWhite = 0xFFFFFF;   // the window background
constexpr Colour kBlack = 0x000000;
constexpr Colour kInvalidColour = 0xFFFFFFFF;  // GetPixel outside the device

// Width x height pixels, RGB bytes row by row, starting white.
class Raster {
public:
    Raster() = default;
    Raster(int width, int height, Colour fill = kWhite);
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    Colour Pixel(int x, int y) const;  // kInvalidColour outside
    void SetPixel(int x, int y, Colour c);  // ignored outside
    void FillRow(int y, int x0, int x1, Colour c);  // x0 <= x < x1, clipped
    void Fill(Colour c);
    // Clears the pixels to c and forgets the placed texts.
    void Clear(Colour c = kWhite);
    const std::vector<std::uint8_t>& Bytes() const { return rgb_; }  // R, G, B per pixel

    // Texts placed by TextOut (device position of the text's top-left corner). The front-end
    // draws them over the pixels; the system never reads them back.
    struct TextMark {
        int x, y;
        std::string text;
        Colour colour;
        bool transparent;
    };
    std::vector<TextMark> texts;

private:
    int width_ = 0, height_ = 0;
    std::vector<std::uint8_t> rgb_;
};

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};
struct PointD {
    double x = 0, y = 0;
};

enum class MapMode { Text, Anisotropic };
enum class BkMode { Opaque, Transparent };

class DeviceContext {
public:
    // logPixels: the device's pixels per inch (LOGPIXELSX / LOGPIXELSY).
    explicit DeviceContext(Raster& raster, int logPixelsX = 96, int logPixelsY = 96);

    Raster& Target() { return *raster_; }
    int LogPixelsX() const { return logPixelsX_; }
    int LogPixelsY() const { return logPixelsY_; }

    // Mapping. Extents only matter in MM_ANISOTROPIC (MM_TEXT is one logical unit per pixel);
    // origins apply in both. device = (logical - windowOrg) * viewportExt / windowExt + viewportOrg.
    void SetMapMode(MapMode m) { mode_ = m; }
    MapMode GetMapMode() const { return mode_; }
    void SetWindowExt(int cx, int cy);
    void SetViewportExt(int cx, int cy);
    void SetWindowOrg(int x, int y) { winOrg_ = {x, y}; }
    void SetViewportOrg(int x, int y) { vpOrg_ = {x, y}; }
    Point WindowOrg() const { return winOrg_; }
    PointD ToDevice(PointD logical) const;          // exact
    Point LPtoDP(Point logical) const;              // rounded to the nearest pixel

    // Drawing in logical units. Lines leave out their last pixel, as the platform's do.
    void SetPenColour(Colour c) { pen_ = c; }
    void SetTextColour(Colour c) { textColour_ = c; }
    void SetBkMode(BkMode m) { bkMode_ = m; }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(const std::vector<Point>& points);  // the current position is not moved
    void TextOut(int x, int y, const std::string& text);
    // Solid fills, no outline; rings close themselves; even-odd over all rings together.
    void FillPolygon(const std::vector<Point>& points, Colour c);
    void FillPolyPolygon(const std::vector<std::vector<PointD>>& rings, Colour c);
    void FillSolidRect(int x, int y, int w, int h, Colour c);
    // The colour at a logical point; kInvalidColour outside the device.
    Colour GetPixel(int x, int y) const;

private:
    void DeviceLine(Point a, Point b);
    Raster* raster_;
    int logPixelsX_, logPixelsY_;
    MapMode mode_ = MapMode::Text;
    Point winExt_{1, 1}, vpExt_{1, 1}, winOrg_{}, vpOrg_{};
    Point cur_{};
    Colour pen_ = kBlack, textColour_ = kBlack;
    BkMode bkMode_ = BkMode::Opaque;
};

}  // namespace ui
