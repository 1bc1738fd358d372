#include "workbench/dialogs/MergeClsInfoDlg.h"

#include "platform/ui/ui.h"
#include "workbench/dialogs/pickers.h"
#include "workbench/dialogs/choice_checks.h"

namespace {

void BrowseInto(ui::Control& edit, std::string& folder, const char* title, bool outputStyle) {
    dlg::PickFolderInto(edit, folder,
                        {.title = title,
                         .fileSystemOnly = true,
                         .newStyle = outputStyle,
                         .noNetworkBelowDomain = outputStyle});
}

}  // namespace

CMergeClsInfoDlg::CMergeClsInfoDlg() : ui::Window("分類資訊批次格式化", 280, 150) {
    using ui::Kind;
    Add(Kind::GroupBox, 0, "選擇水稻與非水稻原始分類資訊資料夾", {7, 7, 266, 62});
    Add(Kind::Edit, IDC_RICE_EDIT, "", {15, 22, 190, 14});
    Add(Kind::Button, IDC_RICE_FOLDER, "水稻", {212, 22, 52, 14}).onClick = [this] {
        OnBnClickedRiceFolder();
    };
    Add(Kind::Edit, IDC_NONRICE_EDIT, "", {15, 44, 190, 14});
    Add(Kind::Button, IDC_NONRICE_FOLDER, "非水稻", {212, 44, 52, 14}).onClick = [this] {
        OnBnClickedNonRiceFolder();
    };
    Add(Kind::GroupBox, 0, "選擇合併後分類資訊儲存位置", {7, 76, 266, 40});
    Add(Kind::Edit, IDC_OUTPUT_EDIT, "", {15, 92, 190, 14});
    Add(Kind::Button, IDC_OUTPUT_FOLDER, "儲存", {212, 92, 52, 14}).onClick = [this] {
        OnBnClickedOutputFolder();
    };
    Add(Kind::DefaultButton, ui::kOK, "執行", {150, 126, 55, 16});
    Add(Kind::Button, ui::kCancel, "離開", {212, 126, 55, 16});
}

void CMergeClsInfoDlg::DoDataExchange(ui::DataExchange& dx) {
    dx.Control(IDC_RICE_EDIT);
    dx.Control(IDC_NONRICE_EDIT);
    dx.Control(IDC_OUTPUT_EDIT);
}

void CMergeClsInfoDlg::OnBnClickedRiceFolder() {
    BrowseInto(Item(IDC_RICE_EDIT), m_riceFolder, "選擇水稻分類資訊所在目錄:", false);
}

void CMergeClsInfoDlg::OnBnClickedNonRiceFolder() {
    BrowseInto(Item(IDC_NONRICE_EDIT), m_nonRiceFolder, "選擇非水稻分類資訊所在目錄:", false);
}

void CMergeClsInfoDlg::OnBnClickedOutputFolder() {
    BrowseInto(Item(IDC_OUTPUT_EDIT), m_outputFolder, "選擇合併後分類資訊儲存目錄:", true);
}

void CMergeClsInfoDlg::OnOK() {
    if (!dlg::ChecksPass({
            {m_riceFolder.empty(), "請選擇原始水稻分類資訊資料夾"},
            {m_nonRiceFolder.empty(), "請選擇原始非水稻分類資訊資料夾"},
            {m_outputFolder.empty(), "請選擇合併後分類資訊儲存位置"},
        }))
        return;
    ui::Window::OnOK();
}

void CMergeClsInfoDlg::OnCancel() {
    if (ui::AppMessageBox("確定離開程式?", ui::Buttons::YesNo) != ui::kYes) return;
    m_riceFolder.clear();
    m_nonRiceFolder.clear();
    m_outputFolder.clear();
    EndModal(ui::kCancel);
}
