#include "workbench/engine/overlay_image.h"

#include <cmath>
#include <cstdio>

#include "workbench/engine/lan_image.h"

namespace rice {

namespace {

// The raw header, whatever its values: the overlay judges cell size and bands itself.
std::optional<LanHeader> RawHeader(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    LanHeaderBytes bytes{};
    bool ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    std::fclose(f);
    if (!ok) return std::nullopt;
    return DecodeLanHeader(bytes);
}

}  // namespace

OverlayImageLoad LoadOverlayImage(const std::string& lanPath, OverlayImage& out) {
    std::optional<LanHeader> header = RawHeader(lanPath);
    if (!header) return OverlayImageLoad::kCannotRead;
    if (header->nbands < 9) return OverlayImageLoad::kTooFewBands;
    // A cell size of 0 cannot divide map units into cells.
    if (!(header->xcell >= 1)) return OverlayImageLoad::kCellTooSmall;
    std::optional<LanImage> image = ReadLanImage(lanPath);
    if (!image) return OverlayImageLoad::kCannotRead;
    out.rows = image->header.irows;
    out.cols = image->header.icols;
    out.bands = image->header.nbands;
    out.cellSize = image->header.xcell >= 2147483647.0f
                       ? 2147483647
                       : static_cast<int>(image->header.xcell);
    out.lines = std::move(image->lines);
    return OverlayImageLoad::kOk;
}

bool ReadLanOriginOf(const std::string& lanPath, double& x0, double& y0) {
    std::optional<LanHeader> header = RawHeader(lanPath);
    if (!header) return false;
    x0 = header->xmap;
    y0 = header->ymap;
    return true;
}

}  // namespace rice
