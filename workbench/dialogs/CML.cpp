#include "workbench/dialogs/CML.h"

#include <cstdlib>

#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "workbench/dialogs/pickers.h"
#include "workbench/dialogs/choice_checks.h"
#include "workbench/doc/KorvaneDoc.h"
#include "workbench/engine/classifier.h"
#include "workbench/engine/lan_image.h"

using ui::Kind;

namespace {

// Pixel sizes of the paint surfaces: the panes draw 0..300 in both directions.
constexpr int kPaneSize = 301;

ui::Control& Slider(ui::Control& c) {
    c.rangeMin = 0;
    c.rangeMax = 100;
    c.noTicks = true;
    return c;
}

// The open picker without the existing-file check: the chosen file, or "" on a cancel.
std::string ChosenFile(const char* filter, const char* ext) {
    ui::FileRequest r;
    r.filter = filter;
    r.defaultExt = ext;
    std::vector<std::string> chosen = ui::Current().OpenFile(r);
    return chosen.empty() ? std::string() : chosen.front();
}

}  // namespace

CML::CML() : ui::Window("影像分類", 569, 375) {
    font = {"MS Shell Dlg", 8};
    Add(Kind::GroupBox, 0, "開啟原始影像", {7, 7, 270, 32});
    Add(Kind::Edit, IDC_IMAGE_EDIT, "", {14, 19, 200, 14}).readOnly = true;
    Add(Kind::Button, IDC_IMAGE_BROWSE, "瀏覽…", {220, 19, 50, 14}).onClick = [this] { OnBnClickedOpenImage(); };
    Add(Kind::GroupBox, 0, "選擇分類資訊資料夾", {7, 42, 270, 32});
    Add(Kind::Edit, IDC_INFO_EDIT, "", {14, 54, 200, 14}).readOnly = true;
    Add(Kind::Button, IDC_INFO_BROWSE, "瀏覽…", {220, 54, 50, 14}).onClick = [this] { OnBnClickedClassInfoFolder(); };
    Add(Kind::GroupBox, 0, "選擇分類後影像儲存位置", {7, 77, 270, 32});
    Add(Kind::Edit, IDC_OUTPUT_EDIT, "", {14, 89, 200, 14}).readOnly = true;
    Add(Kind::Button, IDC_OUTPUT_BROWSE, "瀏覽…", {220, 89, 50, 14}).onClick = [this] { OnBnClickedOutputFolder(); };
    Add(Kind::GroupBox, 0, "開啟1/5000坵塊", {285, 7, 277, 102});
    Add(Kind::ListBox, IDC_PARCEL_LIST, "", {292, 19, 200, 84});
    Add(Kind::Button, IDC_SELECT_PARCELS, "<<選取", {500, 30, 55, 14}).onClick = [this] { OnBnClickedSelectParcels(); };
    Add(Kind::Button, IDC_REMOVE_PARCEL, "移除>>", {500, 55, 55, 14}).onClick = [this] { OnBnClickedRemoveParcel(); };

    Add(Kind::GroupBox, 0, "", {7, 112, 555, 238});
    // Left: probability histogram; right: difference histogram.
    Add(Kind::Static, IDC_PROB_COUNTS, "", {14, 120, 26, 192}).EnsureSurface(40, kPaneSize + 10);
    Add(Kind::Static, IDC_PROB_PANE, "", {42, 120, 201, 186}).EnsureSurface(kPaneSize, kPaneSize);
    Add(Kind::Static, IDC_PROB_LABELS, "", {42, 307, 220, 10}).EnsureSurface(kPaneSize + 30, 16);
    Slider(Add(Kind::Trackbar, IDC_PROB_SLIDER, "", {42, 318, 201, 14})).onScroll = [this] { OnHScroll(IDC_PROB_SLIDER); };
    Add(Kind::Static, IDC_PROB_TEXT, "", {42, 334, 60, 10});
    Add(Kind::Static, IDC_DIFF_COUNTS, "", {290, 120, 26, 192}).EnsureSurface(40, kPaneSize + 10);
    Add(Kind::Static, IDC_DIFF_PANE, "", {318, 120, 201, 186}).EnsureSurface(kPaneSize, kPaneSize);
    Add(Kind::Static, IDC_DIFF_LABELS, "", {318, 307, 220, 10}).EnsureSurface(kPaneSize + 30, 16);
    Slider(Add(Kind::Trackbar, IDC_DIFF_SLIDER, "", {318, 318, 201, 14})).onScroll = [this] { OnHScroll(IDC_DIFF_SLIDER); };
    Add(Kind::Static, IDC_DIFF_TEXT, "", {318, 334, 60, 10});

    // Laid out at the left edge and never shown.
    auto& openBase = Add(Kind::Button, IDC_OPEN_BASE, "開啟分類基礎影像", {0, 130, 6, 60});
    openBase.multiLine = true;
    openBase.visible = false;
    openBase.onClick = [this] { OnBnClickedOpenBaseImage(); };
    auto& createBase = Add(Kind::Button, IDC_CREATE_BASE, "建立分類基礎影像", {0, 200, 6, 60});
    createBase.multiLine = true;
    createBase.visible = false;
    createBase.onClick = [this] { OnBnClickedCreateBaseImage(); };

    Add(Kind::DefaultButton, ui::kOK, "執行", {450, 354, 50, 16});
    Add(Kind::Button, ui::kCancel, "離開", {507, 354, 50, 16});
}

void CML::DoDataExchange(ui::DataExchange& dx) {
    dx.Text(IDC_INFO_EDIT, m_classInfoFolder);
    dx.Text(IDC_IMAGE_EDIT, m_sourceImagePath);
    dx.Text(IDC_OUTPUT_EDIT, m_outputFolder);
    dx.Slider(IDC_PROB_SLIDER, m_probSliderPos);
    dx.Slider(IDC_DIFF_SLIDER, m_diffSliderPos);
    dx.Text(IDC_PROB_TEXT, m_probThresholdText);
    dx.Text(IDC_DIFF_TEXT, m_diffThresholdText);
    dx.Control(IDC_PARCEL_LIST);
}

std::string CML::MergeInfoPath(const std::string& folder, const std::string& parcelPath) {
    return folder + "/info" + rice::BaseNameOf(parcelPath) + "_Merge.gsg";
}

void CML::OnBnClickedClassInfoFolder() {
    dlg::PickFolderInto(Item(IDC_INFO_EDIT), m_classInfoFolder, {.title = "選擇分類資訊所在目錄:"});
}

void CML::OnBnClickedOutputFolder() {
    dlg::PickFolderInto(Item(IDC_OUTPUT_EDIT), m_outputFolder,
                        {.title = "選擇分類後影像儲存目錄:", .newStyle = true, .noNetworkBelowDomain = true});
}

void CML::OnBnClickedOpenImage() {
    // A cancel leaves the path, the name and the edit empty.
    dlg::PickFileInto(Item(IDC_IMAGE_EDIT), m_sourceImagePath, "原始影像檔(*.lan)|*.lan||", "lan");
    m_sourceImageName = rice::FileNameOf(m_sourceImagePath);
}

void CML::OnBnClickedSelectParcels() {
    std::vector<std::string> chosen = dlg::PickFiles("坵塊資料檔(*.shp)|*.shp||", "shp");
    if (chosen.empty()) return;
    m_lastSelection = chosen;
    ui::Control& list = Item(IDC_PARCEL_LIST);
    for (const auto& path : m_lastSelection) {
        m_parcelFiles.push_back(path);
        list.AddItem(rice::BaseNameOf(path) + ".shp");
        m_mergeInfoFiles.push_back(MergeInfoPath(m_classInfoFolder, path));
    }
}

void CML::OnBnClickedRemoveParcel() {
    ui::Control& list = Item(IDC_PARCEL_LIST);
    int row = list.selected;
    if (row < 0) {
        ui::AppMessageBox("請選取要移除的檔案!!");
        return;
    }
    list.DeleteItem(row);
    if (row < int(m_parcelFiles.size())) m_parcelFiles.erase(m_parcelFiles.begin() + row);
    if (row < int(m_mergeInfoFiles.size())) m_mergeInfoFiles.erase(m_mergeInfoFiles.begin() + row);
}

void CML::OnHScroll(int sliderId) {
    int pos = Item(sliderId).pos;
    if (sliderId == IDC_PROB_SLIDER) {
        m_probSliderPos = pos;
        m_probThresholdText = ui::Format("%1.2f", pos / 100.0);
    } else {
        m_diffSliderPos = pos;
        m_diffThresholdText = ui::Format("%1.2f", pos / 100.0);
    }
    UpdateData(false);
}

void CML::OnOK() {
    if (!dlg::ChecksPass({
            {m_sourceImageName.empty(), "請重新選擇原始影像檔!!"},
            {m_classInfoFolder.empty(), "請重新選擇分類資訊檔!!"},
            {m_outputFolder.empty(), "請重新選擇分類後影像儲存位置!!"},
        }))
        return;
    ui::Window::OnOK();
}

void CML::OnCancel() {
    if (ui::AppMessageBox("確定離開程式?", ui::Buttons::YesNo) != ui::kYes) return;
    m_classInfoFolder.clear();
    m_sourceImageName.clear();
    m_sourceImagePath.clear();
    m_outputFolder.clear();
    EndModal(ui::kCancel);
}

void CML::OnBnClickedCreateBaseImage() {
    m_baseImageName = ChosenFile("原始影像檔(*.lan)|*.lan||", "lan");
    m_classInfoFolder = ChosenFile("分類資訊檔(*.txt)|*.txt||", "txt");
    if (m_baseImageName.empty() || m_classInfoFolder.empty()) {
        ui::AppMessageBox("Without Creation!!");
        return;
    }
    // "show.lan" goes into the current folder, which the second picker left in the
    // statistics file's folder.
    ui::AppMessageSink sink;
    rice::ClassifyMaximumLikelihood(m_baseImageName, m_classInfoFolder, "show.lan", 0.0, 0.0, sink);
    LoadHistograms("show.lan");
}

void CML::OnBnClickedOpenBaseImage() {
    m_baseImageName = ChosenFile("分類後影像檔(*.lan)|*.lan||", "lan");
    LoadHistograms(m_baseImageName);
}

int CML::BinOf(double p) {
    for (int k = 0; k < 10; ++k)
        if (p >= k / 10.0 && p < (k + 1) / 10.0) return k;
    return -1;
}

bool CML::LoadHistograms(const std::string& name) {
    if (name.empty()) return true;
    auto image = rice::ReadLanImage(name);
    if (!image || image->header.nbands < 8) {
        // A base image that cannot be read is named and the dialog stays open.
        ui::AppMessageBox("分類基礎影像開啟錯誤! - " + name);
        return false;
    }
    const rice::LanHeader& h = image->header;
    m_baseCols = h.icols;
    m_baseRows = h.irows;
    m_probHistogram.fill(0);
    m_diffHistogram.fill(0);
    for (int r = 0; r < h.irows; ++r) {
        for (int c = 0; c < h.icols; ++c) {
            int b2 = image->Cell(r, 1, c);
            int b7 = image->Cell(r, 6, c);
            int b8 = image->Cell(r, 7, c);
            if (b2 != 0) {
                int k = BinOf(b2 / 255.0);
                if (k >= 0) ++m_probHistogram[size_t(k)];
            }
            if (b7 != 0 || b8 != 0) {
                int k = BinOf(std::abs(b7 - b8) / 255.0);
                if (k >= 0) ++m_diffHistogram[size_t(k)];
            }
        }
    }
    return true;
}

std::vector<ui::Point> CML::HistogramPolyline(const std::array<int, 10>& counts, long long s) {
    std::vector<ui::Point> points;
    for (int j = 0; j < 10; ++j) {
        int c = counts[size_t(j)];
        if (c > 0)
            points.push_back({30 * (j + 1), int(300 - c / s)});
        else
            points.push_back({30 * j, 300});
    }
    return points;
}

void CML::OnPaint() {
    const long long total = (long long)m_baseCols * m_baseRows;
    const long long s = total / 300;
    for (int id : {IDC_PROB_COUNTS, IDC_PROB_LABELS, IDC_PROB_PANE, IDC_DIFF_COUNTS, IDC_DIFF_LABELS,
                   IDC_DIFF_PANE}) {
        ui::Control& c = Item(id);
        if (!c.surface) continue;
        c.surface->Clear();  // the control repaints itself first
        ui::DeviceContext dc(*c.surface);
        if (id == IDC_PROB_COUNTS || id == IDC_DIFF_COUNTS) {
            dc.SetBkMode(ui::BkMode::Transparent);
            for (int k = 1; k <= 10; ++k) dc.TextOut(0, 300 - 30 * k, ui::Format("%lld", k * (total / 10)));
        } else if (id == IDC_PROB_LABELS || id == IDC_DIFF_LABELS) {
            dc.SetBkMode(ui::BkMode::Transparent);
            for (int k = 0; k <= 10; ++k) dc.TextOut(30 * k, 0, ui::Format("%1.1f", k / 10.0));
        } else {
            dc.MoveTo(0, 0);
            dc.LineTo(0, 300);
            dc.LineTo(300, 300);
            if (s > 0) dc.Polyline(HistogramPolyline(id == IDC_PROB_PANE ? m_probHistogram : m_diffHistogram, s));
        }
    }
}
