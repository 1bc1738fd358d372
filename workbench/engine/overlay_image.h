#pragma once
// Reading the classified image for the overlay.
#include <string>

#include "workbench/engine/overlay.h"

namespace rice {

enum class OverlayImageLoad { kOk, kCannotRead, kTooFewBands, kCellTooSmall };

// The whole nine-band image; a cell size that truncates below 1 or fewer than nine bands are
// refused before any line is read.
OverlayImageLoad LoadOverlayImage(const std::string& lanPath, OverlayImage& out);

}  // namespace rice
