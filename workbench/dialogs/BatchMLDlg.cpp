#include "workbench/dialogs/BatchMLDlg.h"

#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "workbench/dialogs/pickers.h"
#include "workbench/dialogs/choice_checks.h"
#include "workbench/dialogs/CML.h"
#include "workbench/engine/text_fields.h"

namespace {

const char* const kBounds[] = {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1.0"};

}  // namespace

CBatchMLDlg::CBatchMLDlg() : ui::Window("閾值計算", 269, 226) {
    using ui::Kind;
    font = {"MS Shell Dlg", 8};
    Add(Kind::GroupBox, 0, "最高分類機率", {7, 7, 125, 36}).centred = true;
    Add(Kind::ComboBox, IDC_LO1, "", {14, 20, 52, 80}).sorted = true;
    Add(Kind::ComboBox, IDC_HI1, "", {74, 20, 52, 80}).sorted = true;
    Add(Kind::GroupBox, 0, "水稻 - 非水稻機率", {137, 7, 125, 36}).centred = true;
    Add(Kind::ComboBox, IDC_LO2, "", {144, 20, 52, 80}).sorted = true;
    Add(Kind::ComboBox, IDC_HI2, "", {204, 20, 52, 80}).sorted = true;
    Add(Kind::GroupBox, 0, "開啟原始影像Lan檔", {7, 48, 255, 30});
    Add(Kind::Edit, IDC_IMAGE_EDIT, "", {14, 59, 190, 13});
    Add(Kind::Button, IDC_BROWSE_IMAGE, "瀏覽…", {210, 58, 45, 14}).onClick = [this] {
        OnBnClickedBrowseImage();
    };
    Add(Kind::GroupBox, 0, "選擇分類資訊所在目錄", {7, 82, 255, 30});
    Add(Kind::Edit, IDC_INFO_EDIT, "", {14, 93, 190, 13});
    Add(Kind::Button, IDC_BROWSE_INFO, "瀏覽…", {210, 92, 45, 14}).onClick = [this] {
        OnBnClickedBrowseInfoFolder();
    };
    Add(Kind::GroupBox, 0, "開啟1/5000坵塊資料", {7, 116, 255, 82});
    Add(Kind::ListBox, IDC_PARCEL_LIST, "", {14, 128, 180, 64});
    Add(Kind::Button, IDC_ADD_PARCELS, "<<選取", {202, 130, 52, 14}).onClick = [this] {
        OnBnClickedAddParcels();
    };
    Add(Kind::Button, IDC_REMOVE_PARCEL, "移除>>", {202, 152, 52, 14}).onClick = [this] {
        OnBnClickedRemoveParcel();
    };
    Add(Kind::DefaultButton, ui::kOK, "執行", {150, 205, 50, 14});
    Add(Kind::Button, ui::kCancel, "離開", {210, 205, 50, 14});
}

void CBatchMLDlg::DoDataExchange(ui::DataExchange& dx) {
    dx.CBString(IDC_LO1, m_lo1Text);
    dx.CBString(IDC_HI1, m_hi1Text);
    dx.CBString(IDC_LO2, m_lo2Text);
    dx.CBString(IDC_HI2, m_hi2Text);
    dx.Control(IDC_IMAGE_EDIT);
    dx.Control(IDC_INFO_EDIT);
    dx.Control(IDC_PARCEL_LIST);
}

void CBatchMLDlg::OnInitDialog() {
    // The framework's initialisation fills the combos from the template's data, then
    // transfers the members; the dialog transfers them once more.
    for (int id : {IDC_LO1, IDC_HI1, IDC_LO2, IDC_HI2}) {
        ui::Control& c = Item(id);
        c.ResetContent();
        for (const char* item : kBounds) c.AddItem(item);
    }
    ui::Window::OnInitDialog();
    UpdateData(false);
}

double CBatchMLDlg::BoundValue(const std::string& text) {
    std::vector<double> v = rice::LeadingNumbers(text);
    return v.empty() ? 0.0 : v[0];
}

void CBatchMLDlg::OnBnClickedBrowseImage() {
    dlg::PickFileInto(Item(IDC_IMAGE_EDIT), m_imagePath, "原始影像檔(*.lan)|*.lan||", "lan");
}

void CBatchMLDlg::OnBnClickedBrowseInfoFolder() {
    dlg::PickFolderInto(Item(IDC_INFO_EDIT), m_infoFolder,
                        {.title = "選擇水稻分類資訊所在目錄:", .fileSystemOnly = true});
}

void CBatchMLDlg::OnBnClickedAddParcels() {
    std::vector<std::string> chosen = dlg::PickFiles("坵塊資料檔(*.shp)|*.shp||", "shp");
    if (chosen.empty()) return;
    m_lastSelection = chosen;
    for (const std::string& path : m_lastSelection) {
        m_parcelPaths.push_back(path);
        Item(IDC_PARCEL_LIST).AddItem(rice::BaseNameOf(path) + ".shp");
        m_mergeInfoPaths.push_back(CML::MergeInfoPath(m_infoFolder, path));
    }
}

void CBatchMLDlg::OnBnClickedRemoveParcel() {
    ui::Control& list = Item(IDC_PARCEL_LIST);
    int i = list.selected;
    if (i < 0 || i >= static_cast<int>(list.items.size())) {
        ui::AppMessageBox("請選取要移除的檔案!!");
        return;
    }
    list.DeleteItem(i);
    auto at = static_cast<std::size_t>(i);
    if (at < m_parcelPaths.size()) m_parcelPaths.erase(m_parcelPaths.begin() + i);
    if (at < m_mergeInfoPaths.size()) m_mergeInfoPaths.erase(m_mergeInfoPaths.begin() + i);
}

void CBatchMLDlg::OnOK() {
    UpdateData(true);
    double lo1 = BoundValue(m_lo1Text), hi1 = BoundValue(m_hi1Text);
    double lo2 = BoundValue(m_lo2Text), hi2 = BoundValue(m_hi2Text);
    if (!dlg::ChecksPass({
            {hi1 < lo1, "最高分類機率上限大於下限，請重新選擇!!"},
            {hi2 < lo2, "水稻減非水稻上限大於下限，請重新選擇!!"},
        }))
        return;
    if (!dlg::ChecksPass({
            {m_imagePath.empty(), "請重新選擇原始影像檔!!"},
            {m_parcelPaths.empty(), "請重新選擇坵塊影像檔"},
        }))
        return;
    ui::Window::OnOK();
}

void CBatchMLDlg::OnCancel() {
    if (ui::AppMessageBox("確定離開程式?", ui::Buttons::YesNo) != ui::kYes) return;
    m_imagePath.clear();
    m_parcelPaths.clear();
    EndModal(ui::kCancel);
}
