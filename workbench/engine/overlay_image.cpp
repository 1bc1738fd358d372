#include "workbench/engine/overlay_image.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace rice {

namespace {

// Interim reader until the shared LAN reader lands.
struct Head {
    int bands = 0, cols = 0, rows = 0;
    float xmap = 0, ymap = 0, xcell = 0;
};

bool ReadHead(std::FILE* f, Head& h) {
    unsigned char b[128];
    if (std::fread(b, 1, 128, f) != 128) return false;
    auto i16 = [&](int o) { return static_cast<int>(static_cast<std::int16_t>(b[o] | (b[o + 1] << 8))); };
    auto i32 = [&](int o) {
        std::uint32_t v = b[o] | (b[o + 1] << 8) | (b[o + 2] << 16) | (std::uint32_t(b[o + 3]) << 24);
        return static_cast<std::int32_t>(v);
    };
    auto f32 = [&](int o) {
        std::uint32_t v = b[o] | (b[o + 1] << 8) | (b[o + 2] << 16) | (std::uint32_t(b[o + 3]) << 24);
        float x;
        std::memcpy(&x, &v, 4);
        return x;
    };
    h.bands = i16(8);
    h.cols = i32(16);
    h.rows = i32(20);
    h.xmap = f32(112);
    h.ymap = f32(116);
    h.xcell = f32(120);
    return h.bands >= 1 && h.cols >= 0 && h.rows >= 0 && std::isfinite(h.xcell) && h.xcell > 0;
}

}  // namespace

OverlayImageLoad LoadOverlayImage(const std::string& lanPath, OverlayImage& out) {
    std::FILE* f = std::fopen(lanPath.c_str(), "rb");
    if (!f) return OverlayImageLoad::kCannotRead;
    Head h;
    if (!ReadHead(f, h)) {
        std::fclose(f);
        return OverlayImageLoad::kCannotRead;
    }
    if (h.bands < 9) {
        std::fclose(f);
        return OverlayImageLoad::kTooFewBands;
    }
    if (!(h.xcell >= 1)) {
        std::fclose(f);
        return OverlayImageLoad::kCellTooSmall;
    }
    out.rows = h.rows;
    out.cols = h.cols;
    out.bands = h.bands;
    out.cellSize = h.xcell >= 2147483647.0f ? 2147483647 : static_cast<int>(h.xcell);
    out.lines.assign(static_cast<size_t>(h.rows),
                     std::vector<std::uint8_t>(static_cast<size_t>(h.bands) * h.cols, 0));
    for (auto& line : out.lines) {
        if (std::fread(line.data(), 1, line.size(), f) != line.size()) break;
    }
    std::fclose(f);
    return OverlayImageLoad::kOk;
}

bool ReadLanOriginOf(const std::string& lanPath, double& x0, double& y0) {
    std::FILE* f = std::fopen(lanPath.c_str(), "rb");
    if (!f) return false;
    Head h;
    bool ok = ReadHead(f, h);
    std::fclose(f);
    if (!ok) return false;
    x0 = h.xmap;
    y0 = h.ymap;
    return true;
}

}  // namespace rice
