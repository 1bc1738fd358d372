#include "workbench/dialogs/OverlapDlg.h"

#include "platform/ui/ui.h"
#include "workbench/dialogs/pickers.h"
#include "workbench/dialogs/choice_checks.h"

namespace {

void Browse(const char* filter, const char* ext, const char* suffix,
            std::vector<std::string>& selection, std::vector<std::string>& paths,
            ui::Control& list) {
    std::vector<std::string> chosen = dlg::PickFiles(filter, ext);
    if (chosen.empty()) return;
    selection = chosen;
    for (const auto& p : selection) {
        paths.push_back(p);
        list.AddItem(COverlapDlg::ListItemOf(p, suffix));
    }
}

void Remove(std::vector<std::string>& paths, ui::Control& list) {
    int i = list.selected;
    if (i < 0 || i >= static_cast<int>(list.items.size())) {
        ui::AppMessageBox("請選取要移除的檔案!!");
        return;
    }
    list.DeleteItem(i);
    if (i < static_cast<int>(paths.size())) paths.erase(paths.begin() + i);
}

}  // namespace

COverlapDlg::COverlapDlg() : ui::Window("圖資批次套疊", 330, 200) {
    using ui::Kind;
    Add(Kind::Static, 0, "開啟Lan檔", {10, 10, 60, 10});
    Add(Kind::Button, IDC_BROWSE_IMAGES, "Browse…", {75, 7, 50, 14}).onClick = [this] {
        OnBnClickedBrowseImages();
    };
    Add(Kind::ListBox, IDC_LAN_LIST, "", {10, 25, 250, 60});
    Add(Kind::Button, IDC_REMOVE_IMAGE, "移除 >>", {268, 25, 52, 14}).onClick = [this] {
        OnBnClickedRemoveImage();
    };
    Add(Kind::Static, 0, "開啟SHP檔", {10, 95, 60, 10});
    Add(Kind::Button, IDC_BROWSE_PARCELS, "Browse…", {75, 92, 50, 14}).onClick = [this] {
        OnBnClickedBrowseParcels();
    };
    Add(Kind::ListBox, IDC_PARCEL_LIST, "", {10, 110, 250, 60});
    Add(Kind::Button, IDC_REMOVE_PARCEL, "移除 >>", {268, 110, 52, 14}).onClick = [this] {
        OnBnClickedRemoveParcel();
    };
    Add(Kind::DefaultButton, ui::kOK, "執行", {200, 178, 55, 14});
    Add(Kind::Button, ui::kCancel, "離開", {265, 178, 55, 14});
}

void COverlapDlg::DoDataExchange(ui::DataExchange& dx) {
    dx.Control(IDC_LAN_LIST);
    dx.Control(IDC_PARCEL_LIST);
    m_lanList = &Item(IDC_LAN_LIST);
    m_parcelList = &Item(IDC_PARCEL_LIST);
}

std::string COverlapDlg::ListItemOf(const std::string& path, const std::string& suffix) {
    size_t slash = path.rfind('/');
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return suffix;
    return path.substr(start, dot - start) + suffix;
}

void COverlapDlg::OnBnClickedBrowseImages() {
    Browse("分類後影像檔(*.lan)|*.lan||", "lan", ".lan", m_lanSelection, m_lanPaths,
           Item(IDC_LAN_LIST));
}

void COverlapDlg::OnBnClickedBrowseParcels() {
    Browse("坵塊資料檔(*.shp)|*.shp||", "shp", ".shp", m_parcelSelection, m_parcelPaths,
           Item(IDC_PARCEL_LIST));
}

void COverlapDlg::OnBnClickedRemoveImage() { Remove(m_lanPaths, Item(IDC_LAN_LIST)); }

void COverlapDlg::OnBnClickedRemoveParcel() { Remove(m_parcelPaths, Item(IDC_PARCEL_LIST)); }

void COverlapDlg::OnOK() {
    if (!dlg::ChecksPass({
            {m_lanPaths.empty(), "請重新選擇分類後影像檔"},
            {m_parcelPaths.empty(), "請重新選擇坵塊影像檔"},
        }))
        return;
    UpdateData(true);
    EndModal(ui::kOK);
}

void COverlapDlg::OnCancel() {
    if (ui::AppMessageBox("確定離開程式?", ui::Buttons::YesNo) != ui::kYes) return;
    m_parcelPaths.clear();
    m_lanPaths.clear();
    m_parcelSelection.clear();
    m_lanSelection.clear();
    EndModal(ui::kCancel);
}
