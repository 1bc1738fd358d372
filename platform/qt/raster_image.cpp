#include "platform/qt/raster_image.h"

#include <QPainter>

#include "platform/qt/convert.h"

namespace rice::qtui {

QImage RasterImage(const ui::Raster& raster, const QFont& textFont) {
    const int w = raster.Width(), h = raster.Height();
    if (w <= 0 || h <= 0) return {};
    // Copy: the raster may change or go away while the image is on screen.
    QImage image(reinterpret_cast<const uchar*>(raster.Bytes().data()), w, h, w * 3,
                 QImage::Format_RGB888);
    image = image.copy();
    if (!raster.texts.empty()) {
        QPainter p(&image);
        p.setFont(textFont);
        const QFontMetrics fm(textFont);
        for (const auto& t : raster.texts) {
            const QString s = Q(t.text);
            if (!t.transparent) p.fillRect(QRect(t.x, t.y, fm.horizontalAdvance(s), fm.height()), Qt::white);
            p.setPen(ToQColor(t.colour));
            p.drawText(t.x, t.y + fm.ascent(), s);
        }
    }
    return image;
}

}  // namespace rice::qtui
