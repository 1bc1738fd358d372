// Signature merge (32836) and statistics listing formatting (32810).
#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/ui/ui.h"
#include "workbench/dialogs/ConvertDlg.h"
#include "workbench/dialogs/MergeClsInfoDlg.h"
#include "workbench/doc/KorvaneDoc.h"
#include "workbench/engine/signature.h"
#include "workbench/engine/stats_listing.h"

void CKorvaneDoc::CollectGsgFiles(const std::string& folder) {
    rice::CollectGsgFiles(folder, m_riceGsgFiles);
}

int CKorvaneDoc::DoConv(const std::string& gsgPath) {
    return rice::ConvertSignatureFile(gsgPath, Sink()).classes;
}

bool CKorvaneDoc::PadSignatureClasses(const std::string& gsgPath, int extra) {
    return rice::PadSignatureClasses(gsgPath, extra, Sink());
}

void CKorvaneDoc::OnMergeClassInfo() {
    CMergeClsInfoDlg dlg;
    if (ui::DoModal(dlg) != ui::kOK) return;
    // A second run must not merge the first run's files again into its own folder.
    m_riceGsgFiles.clear();
    CollectGsgFiles(dlg.m_riceFolder);
    for (const std::string& riceFile : m_riceGsgFiles)
        rice::MergeSignaturePair(riceFile, dlg.m_nonRiceFolder, dlg.m_outputFolder, Sink());
}

void CKorvaneDoc::OnClassInfoFormat() {
    CConvertDlg dlg;
    if (ui::DoModal(dlg) != ui::kOK) return;
    auto fail = [&] {
        Sink().ShowMessage("Open File fail!");
        rice::EndProcess(1);
    };
    // The listing is read by the path the operator picked and never rewritten; the blocks
    // are joined in memory.
    std::optional<std::string> listing =
        rice::ReadWholeFile(dlg.m_sourcePath, rice::kMaxStatisticsListingBytes);
    if (!listing) fail();
    m_bandCount = rice::ListingBandCount(*listing);
    std::optional<rice::FormattedListing> formatted = rice::FormatStatisticsListing(*listing);
    if (!formatted) fail();
    if (!rice::WriteFileAtomic(dlg.m_targetPath, formatted->text)) fail();
}
