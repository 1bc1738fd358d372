// Threshold grid run (32838).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>

#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/ui/ui.h"
#include "workbench/dialogs/BatchMLDlg.h"
#include "workbench/doc/KorvaneDoc.h"
#include "workbench/engine/clip.h"
#include "workbench/engine/lan_image.h"
#include "workbench/engine/threshold_grid.h"

namespace {

bool CanOpen(const std::string& path) {
    FILE* f = rice::OpenRegularFile(path);
    if (!f) return false;
    std::fclose(f);
    return true;
}

// The source image with only the lines the parcel files' clips take cells from: an operator's
// parcels cover a small part of a large scene.
std::optional<rice::LanImage> ReadClipSource(const std::string& path, const std::vector<std::string>& parcels) {
    std::optional<rice::LanHeader> header = rice::ReadLanHeader(path);
    if (!header) return std::nullopt;
    std::int64_t first = header->irows, last = 0;
    for (const std::string& parcel : parcels)
        if (auto lines = rice::ClipSourceLines(*header, parcel)) {
            first = std::min(first, lines->first);
            last = std::max(last, lines->second);
        }
    return rice::ReadLanImageLines(path, first, last);
}

}  // namespace

void CKorvaneDoc::OnThresholdCalc() {
    CBatchMLDlg dlg;
    if (ui::DoModal(dlg) != ui::kOK) return;
    ui::WaitCursor busy;  // the run holds the user-interface thread
    const std::vector<std::string> parcels = dlg.m_parcelPaths;
    std::set<std::string> notClipped;
    {
        std::optional<rice::LanImage> source = ReadClipSource(dlg.m_imagePath, parcels);
        if (!source) {
            Sink().ShowMessage(dlg.m_imagePath + "開啟失敗敗敗敗!");
            return;
        }
        // A parcel path without "shp" has no clip of its own: the clip says so, and the grid
        // leaves that file out. A clip refused or failed now may have left an older image at
        // its path: the grid finds no input there, as when nothing is left.
        const rice::RunInputs inputs({dlg.m_imagePath}, parcels, dlg.m_mergeInfoPaths);
        for (const std::string& parcel : parcels)
            if (!ClipLanToParcels(*source, parcel, &inputs))
                if (auto clip = rice::ClippedLanPath(parcel)) notClipped.insert(*clip);
    }
    m_thr1Lower = CBatchMLDlg::BoundValue(dlg.m_lo1Text);
    m_thr1Upper = CBatchMLDlg::BoundValue(dlg.m_hi1Text);
    m_thr2Lower = CBatchMLDlg::BoundValue(dlg.m_lo2Text);
    m_thr2Upper = CBatchMLDlg::BoundValue(dlg.m_hi2Text);
    rice::GridPlan plan{parcels, dlg.m_mergeInfoPaths, m_thr1Lower, m_thr2Lower,
                        rice::ThresholdGridCount(m_thr1Lower, m_thr1Upper),
                        rice::ThresholdGridCount(m_thr2Lower, m_thr2Upper)};
    m_thresholdPairCount = plan.p * plan.q;
    std::vector<rice::GridStep> steps = rice::GridSteps(plan);
    for (rice::GridStep& s : steps)
        if (notClipped.count(s.input)) s.input.clear();
    rice::GridHooks hooks;
    hooks.record = [this](const rice::GridStep& s) {
        m_gridInputImage = s.input;
        m_gridStatsFile = s.stats;
        m_gridOutputPath = s.output;
    };
    hooks.canRun = [](const rice::GridStep& s) { return CanOpen(s.stats); };
    std::size_t stopped = rice::RunGridSteps(steps, Sink(), hooks);
    if (stopped < steps.size()) {
        // What was written until here stays on disk.
        Sink().ShowMessage("Open " + steps[stopped].stats + " Fail");
        rice::EndProcess(1);
    }
}
