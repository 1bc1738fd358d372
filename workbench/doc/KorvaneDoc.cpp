#include "workbench/doc/KorvaneDoc.h"

#include "platform/core/command.h"
#include "platform/ui/ui.h"
#include "workbench/app/resource.h"
#include "workbench/engine/clip.h"

namespace {
ui::AppMessageSink g_appSink;
}

CKorvaneDoc::CKorvaneDoc() : m_sink(&g_appSink) {}

void CKorvaneDoc::SetSink(rice::MessageSink* sink) { m_sink = sink ? sink : &g_appSink; }

const std::vector<CKorvaneDoc::Command>& CKorvaneDoc::CommandTable() {
    static const std::vector<Command> table = {
        {ID_CLASS_INFO_FORMAT, "分類資訊格式化", "分類資訊格式化", &CKorvaneDoc::OnClassInfoFormat},
        {ID_MERGE_CLASS_INFO, "分類資訊批次格式化", "合併分類資訊", &CKorvaneDoc::OnMergeClassInfo},
        {ID_THRESHOLD_CALC, "分類前處理-閾值計算", "閾值計算", &CKorvaneDoc::OnThresholdCalc},
        {ID_IMAGE_CLASSIFY, "影像分類", "影像分類", &CKorvaneDoc::OnImageClassify},
        {ID_OVERLAP, "圖資套疊暨誤差分析", "影像套疊", &CKorvaneDoc::OnOverlap},
        {ID_RENAME, "ReName", nullptr, &CKorvaneDoc::OnReName},
        {ID_TESSMAR, "Tessmar", "Tessmar", &CKorvaneDoc::OnTessmar},
        {ID_RUSKEL, "RUSKEL", "Ruskel", &CKorvaneDoc::OnRuskel},
        {ID_TOLVEX, "tolvex", "TOLVEX", &CKorvaneDoc::OnTolvex},
        {ID_YARNEL, "Yarnel", "Yarnel", &CKorvaneDoc::OnYarnel},
        {ID_DRAVIK, "Dravik", "Dravik", &CKorvaneDoc::OnDravik},
        {ID_KAPPA, "Kappa", nullptr, &CKorvaneDoc::OnKappa},
    };
    return table;
}

const CKorvaneDoc::Command* CKorvaneDoc::FindCommand(int id) {
    for (const auto& c : CommandTable())
        if (c.id == id) return &c;
    return nullptr;
}

bool CKorvaneDoc::OnCmdMsg(int id) {
    const Command* c = FindCommand(id);
    if (!c) return false;
    (this->*(c->handler))();
    return true;
}

// Runs the cover batch tool with no arguments and no dialog.
void CKorvaneDoc::OnTessmar() { rice::System("Tessmar"); }

bool CKorvaneDoc::ClipLanToParcels(const rice::LanImage& source, const std::string& parcelPath,
                                   const rice::RunInputs* inputs) {
    return rice::ClipLanToParcels(source, parcelPath, Sink(), inputs);
}
