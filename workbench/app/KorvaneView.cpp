#include "workbench/app/KorvaneView.h"

#include <algorithm>

#include "platform/core/exit.h"
#include "workbench/doc/KorvaneDoc.h"
#include "workbench/engine/parcel_raster.h"

namespace {

// The window device shows at most this many pixels a side; the analysis reads its raster band
// by band whatever the size, so a large parcel file never needs a device of its whole box.
constexpr int kMaxWindowSide = 8192;

}  // namespace

ui::DeviceContext CKorvaneView::GetWindowDC() {
    return ui::DeviceContext(*m_window, kLogPixels, kLogPixels);
}

void CKorvaneView::OnDraw(ui::DeviceContext& dc) {
    CKorvaneDoc* doc = GetDocument();
    if (!doc) return;
    dc.SetMapMode(ui::MapMode::Anisotropic);
    dc.SetWindowExt(480, 480);
    dc.SetViewportExt(dc.LogPixelsX(), dc.LogPixelsY());
    if (doc->m_curParcelFile.empty()) return;
    const bool ownWindow = &dc.Target() == m_window.get();
    // Nothing of an earlier parcel file stays on the window.
    if (ownWindow) m_window->Clear(ui::kWhite);

    rice::ParcelMap map;
    switch (rice::LoadParcelMap(doc->m_curParcelFile, doc->m_lanOriginX, doc->m_lanOriginY,
                                map)) {
        case rice::ParcelLoad::kOk: break;
        case rice::ParcelLoad::kCannotOpen: rice::EndProcess(1);
        case rice::ParcelLoad::kTooManyRecords:
        case rice::ParcelLoad::kDamaged: return;  // the analysis refuses the pair
    }
    const rice::PaintGeometry& g = map.geometry;
    doc->m_recordCount = g.recordCount;
    doc->m_originOffsetX = g.originOffsetX;
    doc->m_originOffsetY = g.originOffsetY;
    doc->m_paintedWidth = g.paintedWidth;
    doc->m_paintedHeight = g.paintedHeight;
    if (ownWindow) {
        // The device is as large as the parcel file's box (one pixel per map unit).
        *m_window = ui::Raster(std::clamp(g.paintedWidth + 1, 1, kMaxWindowSide),
                               std::clamp(g.paintedHeight + 1, 1, kMaxWindowSide));
    }
    dc.SetWindowOrg(g.windowOriginX, g.windowOriginY);
    std::vector<ui::Point> points;
    for (size_t i = 0; i < map.polygons.size(); ++i) {
        const auto& poly = map.polygons[i];
        if (poly.size() < 3) continue;  // no region to fill
        points.clear();
        for (const auto& p : poly) points.push_back({p.x, p.y});
        dc.FillPolygon(points, rice::ParcelColour(static_cast<int>(i)));
    }
}
