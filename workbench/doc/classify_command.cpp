// The image classification run: CML, then every parcel file's clip, then the classification
// of every clip with its merge-info statistics.
#include <cstdio>

#include "platform/core/encoding.h"
#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "workbench/dialogs/CML.h"
#include "workbench/doc/KorvaneDoc.h"
#include "workbench/doc/classify_run.h"
#include "workbench/engine/classifier.h"
#include "workbench/engine/clip.h"

std::string ClassifiedName(const std::string& inputFileName, double v, double u) {
    std::string thresholds = ui::Format("_%1.2f_%1.2f", v, u);
    std::string name = inputFileName;
    // Inserted before the last four characters (".lan"); a shorter name gets it at its end.
    size_t at = name.size() >= 4 ? name.size() - 4 : name.size();
    name.insert(at, thresholds);
    return name;
}

bool AppendErlog(const std::string& mergeInfoPath, bool failed) {
    // Opened in append mode for every parcel file the run reaches, written only on failure.
    std::string line;
    if (failed) {
        // Paths go in as code page 950 where it can hold them; a name it cannot hold keeps
        // the platform's own bytes rather than being altered.
        std::string path;
        if (!rice::TryUtf8ToCp950(mergeInfoPath, path)) path = mergeInfoPath;
        line = "Open " + path + " Fail\r\n";
    }
    return rice::AppendToFile("erlog.er", line);
}

void RunImageClassification(CKorvaneDoc& doc, const CML& dlg) {
    const std::vector<std::string> parcels = dlg.m_parcelFiles;
    // The image is opened by the full path the operator picked.
    std::optional<rice::LanImage> image = rice::ReadLanImage(dlg.m_sourceImagePath);
    if (!image) {
        ui::AppMessageBox("原始Lan檔開啟錯誤! - " + dlg.m_sourceImageName);
        rice::EndProcess(1);
    }
    // No clip replaces the source, a parcel file or a statistics file of the run.
    const rice::RunInputs inputs({dlg.m_sourceImagePath}, parcels, dlg.m_mergeInfoFiles);
    std::vector<bool> clipped;
    for (const auto& parcel : parcels) clipped.push_back(doc.ClipLanToParcels(*image, parcel, &inputs));
    image.reset();

    const double v = unsigned(dlg.m_probSliderPos) / 100.0;
    const double u = unsigned(dlg.m_diffSliderPos) / 100.0;
    for (size_t i = 0; i < parcels.size(); ++i) {
        const std::string& stats = dlg.m_mergeInfoFiles[i];
        // A path with no lower-case "shp" has no clip of its own: the clip refused it. The run
        // still reached it, so the log is opened as for any other.
        std::optional<std::string> input = rice::ClippedLanPath(parcels[i]);
        if (!input) {
            AppendErlog(stats, false);
            continue;
        }
        std::string output = rice::JoinPath(dlg.m_outputFolder, ClassifiedName(rice::FileNameOf(*input), v, u));
        // A folder, device or pipe is as unreadable as a missing file.
        FILE* statsFile = rice::OpenRegularFile(stats);
        AppendErlog(stats, statsFile == nullptr);
        if (!statsFile) continue;
        std::fclose(statsFile);
        // A clip refused or failed now may have left an older image at its path: the
        // classifier gets no input, as when nothing is left.
        rice::ClassifyMaximumLikelihood(clipped[i] ? *input : std::string(), stats, output, v, u, doc.Sink());
    }
}

void CKorvaneDoc::OnImageClassify() {
    CML dlg;
    if (ui::DoModal(dlg) != ui::kOK) return;
    ui::WaitCursor busy;  // the run holds the user-interface thread
    RunImageClassification(*this, dlg);
}
