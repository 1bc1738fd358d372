#pragma once
// A device context's raster as the screen shows it: the exact pixels, then the placed texts.
#include <QFont>
#include <QImage>

#include "platform/ui/dc.h"

namespace rice::qtui {

QImage RasterImage(const ui::Raster& raster, const QFont& textFont);

}  // namespace rice::qtui
