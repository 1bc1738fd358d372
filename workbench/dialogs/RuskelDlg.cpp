#include "workbench/dialogs/RuskelDlg.h"

#include "platform/core/command.h"
#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "workbench/dialogs/pickers.h"
#include "workbench/dialogs/ParamFileDlg.h"
#include "workbench/engine/param_files.h"

namespace rice {

CRuskelDlg::CRuskelDlg() : ui::Window("Ruskel", 300, 196) {
    font = ui::Font{"Arial", 8, false, false};
    using ui::Kind;
    Add(Kind::GroupBox, 1065, "圖檔座標資料", {7, 7, 286, 50});
    Add(Kind::Static, 0, "衛星影像(LAN)：", {14, 21, 60, 10});
    Add(Kind::Edit, 1013, "", {76, 19, 160, 14});
    Add(Kind::Button, 1014, "開啟", {240, 19, 46, 14}).onClick = [this] { OnBnClickedOpenImage(); };
    Add(Kind::Static, 0, "四角座標資訊：", {14, 39, 60, 10});
    Add(Kind::Edit, 1007, "", {76, 37, 160, 14});
    Add(Kind::Button, 1010, "開啟", {240, 37, 46, 14}).onClick = [this] { OnBnClickedOpenCornerFile(); };
    Add(Kind::GroupBox, 1068, "Pixel Size", {7, 61, 286, 34});
    Add(Kind::Static, 0, "X:", {14, 77, 10, 10});
    ui::Control& x = Add(Kind::ComboBox, 1062, "", {26, 75, 48, 60});
    Add(Kind::Static, 0, "Y:", {82, 77, 10, 10});
    ui::Control& y = Add(Kind::ComboBox, 1063, "", {94, 75, 48, 60});
    for (ui::Control* c : {&x, &y}) {
        c->AddItem("8.0");
        c->AddItem("1.6");
    }
    x.onSelect = [this] { OnCbnSelchangePixelSizeX(); };
    y.onSelect = [this] { OnCbnSelchangePixelSizeY(); };
    Add(Kind::Edit, 1008, "", {186, 75, 50, 14});
    Add(Kind::Button, 1011, "儲存", {240, 75, 46, 14}).onClick = [this] { OnBnClickedSaveTempFile(); };
    Add(Kind::GroupBox, 1066, "圖檔存放路徑", {7, 99, 286, 32});
    Add(Kind::Edit, 1015, "", {14, 111, 222, 14});
    Add(Kind::Button, 1016, "開啟", {240, 111, 46, 14}).onClick = [this] { OnBnClickedChooseMapFolder(); };
    Add(Kind::GroupBox, 1067, "輸出檔(erd08.dat;cul16.dat)", {7, 135, 286, 32});
    Add(Kind::Edit, 1009, "", {14, 147, 222, 14});
    Add(Kind::Button, 1012, "儲存", {240, 147, 46, 14}).onClick = [this] { OnBnClickedSaveOutput(); };
    Add(Kind::DefaultButton, ui::kOK, "執行", {180, 175, 52, 14});
    Add(Kind::Button, ui::kCancel, "離開", {240, 175, 52, 14});
}

void CRuskelDlg::DoDataExchange(ui::DataExchange& dx) {
    for (int id : {1007, 1008, 1009, 1013, 1015, 1062, 1063}) dx.Control(id);
}

void CRuskelDlg::OnInitDialog() {
    ui::Window::OnInitDialog();
    Item(1062).SetSel(0);
    Item(1063).SetSel(0);
    for (const auto& c : Controls()) OnCtlColor(*c);
}

void CRuskelDlg::OnCtlColor(ui::Control& c) {
    if (c.id >= 1065 && c.id <= 1068) ColourGroupBox(c);
}

void CRuskelDlg::BrowseName(int editId, std::string& name, bool save, const char* ext,
                            const char* filter, const char* initialName) {
    Item(editId).SetText("");
    name.clear();
    ui::FileRequest r;
    r.filter = filter;
    r.defaultExt = ext;
    r.initialName = initialName;
    r.hideReadOnly = true;
    r.mustExist = !save;
    r.overwritePrompt = save;
    std::vector<std::string> picked = save ? ui::Current().SaveFile(r) : ui::Current().OpenFile(r);
    if (picked.empty()) {
        // The file dialog still reports the name it started with.
        Item(editId).SetText(initialName);
        return;
    }
    Item(editId).SetText(picked.front());
    name = FileNameOf(picked.front());
}

void CRuskelDlg::OnBnClickedOpenCornerFile() {
    BrowseName(1007, m_cornerName, false, "txt", "影像四角座標資訊檔(*.txt)|*.txt||");
}

void CRuskelDlg::OnBnClickedSaveTempFile() {
    BrowseName(1008, m_tempName, true, "dat", "暫存檔(*.dat)|*.dat||", "Temp.dat");
}

void CRuskelDlg::OnBnClickedSaveOutput() {
    BrowseName(1009, m_outputName, true, "dat", "1/5000圖幅NDVI值(*.dat)|*.dat||");
}

void CRuskelDlg::OnBnClickedOpenImage() {
    Item(1013).SetText("");
    m_imagePath.clear();
    ui::FileRequest r;
    r.filter = "衛星影像檔(*.lan)|*.lan||";
    r.defaultExt = "lan";
    r.hideReadOnly = true;
    r.mustExist = true;
    std::vector<std::string> picked = ui::Current().OpenFile(r);
    if (picked.empty()) return;  // map X and Y keep their earlier values
    double x = 0, y = 0;
    std::string error = ReadLanOrigin(picked.front(), x, y);
    if (!error.empty()) {
        // The image stays unset, so OK asks for it again.
        ui::AppMessageBox(error);
        return;
    }
    Item(1013).SetText(picked.front());
    m_imagePath = picked.front();
    m_mapX = x;
    m_mapY = y;
}

void CRuskelDlg::OnBnClickedChooseMapFolder() {
    dlg::PickFolderInto(Item(1015), m_mapFolder, {.title = "chose a folder:", .fileSystemOnly = true});
}

void CRuskelDlg::OnCbnSelchangePixelSizeX() {
    Item(1063).SetSel(Item(1062).selected == 0 ? 0 : 1);
}

void CRuskelDlg::OnCbnSelchangePixelSizeY() {
    Item(1062).SetSel(Item(1063).selected == 0 ? 0 : 1);
}

void CRuskelDlg::OnOK() {
    std::string xText = Item(1062).SelectedText();
    std::string yText = Item(1063).SelectedText();
    std::string complaint = "\n";
    if (m_imagePath.empty()) complaint += "請選擇衛星影像檔\n";
    if (m_cornerName.empty()) complaint += "請選擇四角座標檔\n";
    if (m_tempName.empty()) complaint += "請選擇暫存檔儲存位置\n";
    if (m_outputName.empty()) complaint += "請選擇輸出檔儲存位置\n";
    if (complaint.size() > 1) {
        ui::AppMessageBox(complaint);
        return;
    }
    bool fine = xText == "1.6";
    std::string error = WriteParameterFile(
        "lumbek.txt",
        RuskelParameterLines(m_cornerName, m_tempName, m_outputName, xText, yText, m_mapX, m_mapY));
    if (!error.empty()) {
        ui::AppMessageBox(error);
        return;
    }
    System("ruskel < lumbek.txt");
    if (fine) {
        RewriteResult r = RewriteOutputList(m_mapFolder, m_outputName);
        if (r.status != RewriteStatus::Replaced) ui::AppMessageBox(r.message);
        // Files that could not be written keep the dialog open, as for "lumbek.txt".
        if (r.status == RewriteStatus::WriteFailed) return;
    }
    EndModal(ui::kOK);
}

void CRuskelDlg::OnCancel() {
    if (ui::AppMessageBox("確定離開程式?", ui::Buttons::YesNo) != ui::kYes) return;
    m_cornerName.clear();
    m_tempName.clear();
    m_outputName.clear();
    m_imagePath.clear();
    m_mapFolder.clear();
    EndModal(ui::kCancel);
}

}  // namespace rice
