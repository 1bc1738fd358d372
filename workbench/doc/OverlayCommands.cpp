// Command 32778: overlay of classified images on parcel files, with the error analysis.
#include "platform/core/exit.h"
#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "workbench/app/KorvaneView.h"
#include "workbench/dialogs/OverlapDlg.h"
#include "workbench/doc/KorvaneDoc.h"
#include "workbench/engine/overlay.h"
#include "workbench/engine/parcel_raster.h"

void CKorvaneDoc::OnOverlap() {
    COverlapDlg dlg;
    if (ui::DoModal(dlg) != ui::kOK) return;
    m_parcelFiles = dlg.m_parcelPaths;
    m_lanFiles = dlg.m_lanPaths;
    if (!m_parcelFiles.empty() || !m_lanFiles.empty()) OverlapViews();
}

void CKorvaneDoc::OverlapViews() {
    CKorvaneView* view = GetView();  // the workbench has one view
    if (!view) return;
    ui::WaitCursor busy;  // the run holds the user-interface thread
    ui::DeviceContext dc = view->GetWindowDC();
    const rice::RunInputs inputs(m_lanFiles, m_parcelFiles);
    m_runInputs = &inputs;
    for (const std::string& lan : m_lanFiles) {
        m_curLanFile = lan;
        if (!ReadLanOrigin(lan)) continue;
        for (const std::string& parcel : m_parcelFiles) {
            m_curParcelFile = parcel;
            view->OnDraw(dc);
            AnalyseOverlap(dc);
        }
    }
    m_runInputs = nullptr;
    m_parcelFiles.clear();
    m_lanFiles.clear();
    ui::AppMessageBox("執行完畢!");
}

bool CKorvaneDoc::ReadLanOrigin(const std::string& lanPath) {
    double x0 = 0, y0 = 0;
    bool opened = false;
    if (!rice::ReadLanOriginOf(lanPath, x0, y0, &opened)) {
        if (!opened) rice::EndProcess(1);
        // A file too short for a header, a folder, a device or a pipe: its pairs are left out, the
        // run goes on with the next image.
        Sink().ShowMessage("無法讀取分類後影像檔: " + lanPath);
        return false;
    }
    m_lanOriginX = x0;
    m_lanOriginY = y0;
    return true;
}

void CKorvaneDoc::AnalyseOverlap(ui::DeviceContext&) {
    // The parcel-index raster is read band by band from the same points and the same filler
    // as the painting just done on the view, which gives the pixels the device holds, without
    // a device of the whole box in memory.
    rice::ParcelMap map;
    const rice::ParcelLoad result = rice::LoadParcelMap(m_curParcelFile, m_lanOriginX, m_lanOriginY, map);
    switch (result) {
        case rice::ParcelLoad::kOk: break;
        case rice::ParcelLoad::kCannotOpen: rice::EndProcess(1);
        case rice::ParcelLoad::kTooManyRecords:
        case rice::ParcelLoad::kDamaged:
            Sink().ShowMessage(rice::ParcelLoadMessage(result, m_curParcelFile));
            m_curParcelFile.clear();
            return;
    }
    rice::PaintGeometry painted = map.geometry;
    painted.recordCount = m_recordCount;
    painted.originOffsetX = m_originOffsetX;
    painted.originOffsetY = m_originOffsetY;
    painted.paintedWidth = m_paintedWidth;
    painted.paintedHeight = m_paintedHeight;
    rice::BandedParcelRaster raster(map);
    rice::OverlayOutcome out = rice::AnalyseOverlayPair(
        {m_curLanFile, m_curParcelFile, rice::CurrentFolder(), m_runInputs}, painted, raster,
        Sink());
    if (out.analysed) {
        m_lanRows = out.lanRows;
        m_lanCols = out.lanCols;
        m_lanRowBytes = out.lanRowBytes;
        m_cellSize = out.cellSize;
        m_resultDbfFile = out.resultDbfFile;
        m_misclassified = out.misclassified;
    }
    // Later repaints of the view paint no parcels.
    m_curParcelFile.clear();
}
