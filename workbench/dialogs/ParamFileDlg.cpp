#include "workbench/dialogs/ParamFileDlg.h"

#include <algorithm>

#include "platform/core/command.h"
#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "workbench/engine/param_files.h"

namespace rice {

namespace {

constexpr int kLeft = 7, kLeftWidth = 220;            // file inputs
constexpr int kRight = 234, kRightWidth = 100;        // typed values and the choice: room for the
                                                      // longest caption, "轉為二分類之水稻機率值"
constexpr int kWidth = kRight + kRightWidth + 7;

bool IsFile(const ParamInput& in) {
    return in.kind == ParamInput::OpenFile || in.kind == ParamInput::SaveFile;
}

}  // namespace

void ColourGroupBox(ui::Control& c) {
    c.textColour = ui::Rgb(kGroupTextRed, kGroupTextGreen, kGroupTextBlue);
    // A LOGFONT of height 12 with every other field zero: 12 pixels, about 9 points.
    c.font = ui::Font{kGroupFontFace, 9, false, false};
}

CParamFileDlg::CParamFileDlg(const ParamDialogSpec& spec)
    : ui::Window(spec.title, kWidth, 0), spec_(spec), names_(spec.inputs.size()) {
    font = ui::Font{spec.fontName, spec.fontPoints, false, false};
    int leftY = 7, rightY = 7;
    for (const ParamGroup& g : spec.groups) {
        bool files = std::all_of(g.inputs.begin(), g.inputs.end(),
                                 [&](int i) { return IsFile(spec.inputs[size_t(i)]); });
        if (files) {
            int h = 14 + 18 * int(g.inputs.size());
            Add(ui::Kind::GroupBox, g.id, g.caption, {kLeft, leftY, kLeftWidth, h});
            int y = leftY + 12;
            for (int i : g.inputs) {
                const ParamInput& in = spec.inputs[size_t(i)];
                Add(ui::Kind::Edit, in.editId, "", {kLeft + 6, y, 150, 14});
                Add(ui::Kind::Button, in.buttonId, in.buttonCaption, {kLeft + 162, y, 52, 14});
                y += 18;
            }
            leftY += h + 4;
        } else {
            int h = 14 + 26 * int(g.inputs.size());
            Add(ui::Kind::GroupBox, g.id, g.caption, {kRight, rightY, kRightWidth, h});
            int y = rightY + 12;
            for (int i : g.inputs) {
                const ParamInput& in = spec.inputs[size_t(i)];
                if (in.kind == ParamInput::Choice) {
                    ui::Control& combo = Add(ui::Kind::ComboBox, in.editId, "",
                                             {kRight + 6, y + 4, 60, 80});
                    combo.sorted = true;
                    for (const std::string& item : spec.choiceItems) combo.AddItem(item);
                } else {
                    Add(ui::Kind::Static, 0, in.label, {kRight + 6, y, 66, 10});
                    Add(ui::Kind::Edit, in.editId, "", {kRight + 6, y + 10, 60, 14});
                }
                y += 26;
            }
            rightY += h + 4;
        }
    }
    int bottom = std::max(leftY, rightY) + 2;
    Add(ui::Kind::DefaultButton, ui::kOK, "執行", {kWidth - 120, bottom, 52, 14});
    Add(ui::Kind::Button, ui::kCancel, "離開", {kWidth - 62, bottom, 52, 14});
    height = bottom + 21;
}

void CParamFileDlg::DoDataExchange(ui::DataExchange& dx) {
    for (const ParamInput& in : spec_.inputs) dx.Control(in.editId);
}

void CParamFileDlg::OnInitDialog() {
    ui::Window::OnInitDialog();
    if (spec_.colouredGroupIds.empty()) return;
    for (const auto& c : Controls()) OnCtlColor(*c);
}

void CParamFileDlg::OnCtlColor(ui::Control& c) {
    if (std::find(spec_.colouredGroupIds.begin(), spec_.colouredGroupIds.end(), c.id) !=
        spec_.colouredGroupIds.end())
        ColourGroupBox(c);
}

void CParamFileDlg::Browse(int input) {
    const ParamInput& in = spec_.inputs[size_t(input)];
    ui::Control& box = Item(in.editId);
    box.SetText("");
    names_[size_t(input)].clear();
    ui::FileRequest r;
    r.filter = in.filter;
    r.defaultExt = in.defaultExt;
    r.hideReadOnly = true;
    bool save = in.kind == ParamInput::SaveFile;
    r.mustExist = !save;
    r.overwritePrompt = save;
    std::vector<std::string> picked = save ? ui::Current().SaveFile(r) : ui::Current().OpenFile(r);
    std::string path = picked.empty() ? std::string() : picked.front();
    box.SetText(path);
    names_[size_t(input)] = FileNameOf(path);
}

std::string CParamFileDlg::ValueOf(int input) {
    const ParamInput& in = spec_.inputs[size_t(input)];
    switch (in.kind) {
    case ParamInput::Choice: return Item(in.editId).SelectedText();
    case ParamInput::Value: return Item(in.editId).text;  // exactly as typed
    default: return names_[size_t(input)];
    }
}

void CParamFileDlg::OnOK() {
    std::string complaint = "\n";
    for (int i : spec_.complaintOrder) {
        if (!ValueOf(i).empty()) continue;
        complaint += spec_.inputs[size_t(i)].complaint;
        if (spec_.complaintLineBreaks) complaint += "\n";
    }
    if (complaint.size() > 1) {
        ui::AppMessageBox(complaint);
        return;
    }
    std::vector<std::string> lines;
    for (const ParamLine& line : spec_.lines)
        lines.push_back(line.input < 0 ? line.literal : ValueOf(line.input));
    // Bare names and the current folder: the program finds everything where the last
    // picker left the current folder.
    std::string error = WriteParameterFile(spec_.paramFile, lines);
    if (!error.empty()) {
        ui::AppMessageBox(error);
        return;
    }
    for (const std::string& command : spec_.commands) System(command);
    EndModal(ui::kOK);
}

void CParamFileDlg::OnCancel() {
    if (ui::AppMessageBox("確定離開程式?", ui::Buttons::YesNo) != ui::kYes) return;
    for (std::string& n : names_) n.clear();
    EndModal(ui::kCancel);
}

CDravikDlg::CDravikDlg() : CParamFileDlg(DravikSpec()) {
    Item(1010).onClick = [this] { OnBnClickedOpenPeriod1(); };
    Item(1011).onClick = [this] { OnBnClickedOpenPeriod2(); };
    Item(1012).onClick = [this] { OnBnClickedOpenPeriod3(); };
    Item(1013).onClick = [this] { OnBnClickedOpenProbability(); };
    Item(1053).onClick = [this] { OnBnClickedSaveResult(); };
}

CTolvexDlg::CTolvexDlg() : CParamFileDlg(TolvexSpec()) {
    Item(1013).onClick = [this] { OnBnClickedOpenNdvi(); };
    Item(1011).onClick = [this] { OnBnClickedOpenCulture(); };
    Item(1012).onClick = [this] { OnBnClickedOpenNdviImage(); };
    Item(1031).onClick = [this] { OnBnClickedSaveFrequency(); };
    Item(1035).onClick = [this] { OnBnClickedSaveNdviStats(); };
}

CKappaDlg::CKappaDlg() : CParamFileDlg(KappaSpec()) {
    Item(1010).onClick = [this] { OnBnClickedOpenData(); };
    Item(1011).onClick = [this] { OnBnClickedSaveReport(); };
}

CYarnelDlg::CYarnelDlg() : CParamFileDlg(YarnelSpec()) {
    Item(1010).onClick = [this] { OnBnClickedOpenIds(); };
    Item(1011).onClick = [this] { OnBnClickedOpenCulture(); };
    Item(1012).onClick = [this] { OnBnClickedOpenNdviValues(); };
    Item(1055).onClick = [this] { OnBnClickedOpenNdviImage(); };
    Item(1057).onClick = [this] { OnBnClickedSaveResult(); };
}

}  // namespace rice
