#include "workbench/engine/overlay_image.h"

#include <cmath>

#include "workbench/engine/lan_image.h"

namespace rice {

OverlayImageLoad LoadOverlayImage(const std::string& lanPath, OverlayImage& out) {
    std::optional<LanHeader> header = ReadLanHeader(lanPath);
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
    std::optional<LanHeader> header = ReadLanHeader(lanPath);
    if (!header) return false;
    x0 = header->xmap;
    y0 = header->ymap;
    return true;
}

}  // namespace rice
