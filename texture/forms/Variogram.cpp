#include "texture/forms/Variogram.h"

#include <sstream>
#include <vector>

#include "platform/core/encoding.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "texture/forms/Gis.h"
#include "texture/forms/Openpath.h"
#include "texture/lib/variogram_lib.h"

namespace tex {
namespace {

using Single = bool (*)(rice::VARIOGRAM_MATRIX&, unsigned, rice::DIRECTION_OPTION, const std::string&, int,
                        rice::MessageSink&, const rice::TEXTURE_RUN_OPTIONS&);
using Pair = bool (*)(rice::VARIOGRAM_MATRIX&, rice::VARIOGRAM_MATRIX&, unsigned, rice::DIRECTION_OPTION,
                      const std::string&, int, rice::MessageSink&, const rice::TEXTURE_RUN_OPTIONS&);

struct Method {
    const char* box;
    const char* caption;
    const char* list;
    const char* word;
    Single single;  // null for the pair statistics
    Pair pair;
};
const Method kMethods[] = {
    {"CheckBox_Direct_variogram", "Direct variogram", "CheckListBox1", "Direct_variogram", rice::direct_variogram, nullptr},
    {"CheckBox_Madogram", "Madogram", "CheckListBox2", "Madogram", rice::madogram, nullptr},
    {"CheckBox_Cross_Mdgram", "Cross Madgram", "CheckListBox3", "Cross_Mdgram", nullptr, rice::cross_madogram},
    {"CheckBox_Pesudo_cross", "Pseudo-cross", "CheckListBox4", "Pesudo_cross", nullptr, rice::pseudo_cross_variogram},
};

const std::vector<std::string> kBandItems{"1", "2", "3", "4"};
const std::vector<std::string> kPairItems{"1-2", "1-3", "1-4", "2-1", "2-3", "2-4",
                                          "3-1", "3-2", "3-4", "4-1", "4-2", "4-3"};

// Text fields in the order of the settings file's first twelve lines.
const char* const kTextFields[] = {
    "EditBand1Filename", "EditBand2Filename", "EditBand3Filename", "EditBand4Filename",
    "EditMainRowSize", "EditMainColumnSize", "EditCutRowSize_bin", "EditCutRowSize_end",
    "EditCutColumnSize_bin", "EditCutColumnSize_end", "ComboBoxMVRow", "ComboBoxMVColumn"};
const char* const kDirectionBoxes[] = {"CheckBox_N_S", "CheckBox_E_W", "CheckBox_NE_SW",
                                       "CheckBox_NW_SE", "CheckBox_average"};

const char* Bool(bool b) { return b ? "true" : "false"; }

void StripCr(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace

TFORM_VARIOGRAM::TFORM_VARIOGRAM() : MovingWindowForm("VARIOGRAM", 760, 560, ui::Units::Pixels) {
    font = ui::Font{"MS Sans Serif", 8, false, false};
    auto label = [this](const char* name, const char* text, ui::Rect r) {
        Add(Make(ui::Kind::Label, name, text, r));
    };
    auto edit = [this](const char* name, const char* text, ui::Rect r) -> ui::Control& {
        return Add(Make(ui::Kind::Edit, name, text, r));
    };
    auto combo = [this](const char* name, const char* text, std::vector<std::string> items,
                        ui::Rect r) -> ui::Control& {
        ui::Control& c = Add(Make(ui::Kind::ComboBox, name, text, r));
        c.items = std::move(items);
        c.selected = c.FindExact(text);
        return c;
    };

    Add(Make(ui::Kind::GroupBox, "GroupBox1", "檔案輸入", {8, 8, 440, 140}));
    for (int b = 1; b <= 4; ++b) {
        int y = 24 + (b - 1) * 30;
        std::string n = std::to_string(b);
        label(("LabelBand" + n).c_str(), ("Band" + n).c_str(), {16, y + 4, 40, 16});
        edit(("EditBand" + n + "Filename").c_str(), "", {60, y, 290, 21});
        Add(Make(ui::Kind::Button, "BtnFilename" + n, "開啟檔案", {360, y - 2, 75, 25})).onClick =
            Handler([this, b] { BtnFilenameClick(b); });
    }

    Add(Make(ui::Kind::GroupBox, "GroupBox2", "原始圖案大小", {456, 8, 140, 80}));
    label("Label1", "Row", {464, 28, 50, 16});
    edit("EditMainRowSize", "17", {520, 24, 60, 21}).onChange = Handler([this] { EditMainRowSizeChange(); });
    label("Label2", "Column", {464, 56, 50, 16});
    edit("EditMainColumnSize", "17", {520, 52, 60, 21}).onChange =
        Handler([this] { EditMainColumnSizeChange(); });

    Add(Make(ui::Kind::GroupBox, "GroupBox3", "剪裁大小", {604, 8, 148, 96}));
    label("Label3", "開始", {652, 22, 40, 16});
    label("Label4", "結束", {700, 22, 40, 16});
    label("Label5", "Row", {612, 44, 36, 16});
    edit("EditCutRowSize_bin", "1", {652, 40, 40, 21});
    edit("EditCutRowSize_end", "17", {700, 40, 40, 21});
    label("Label6", "Column", {612, 72, 36, 16});
    edit("EditCutColumnSize_bin", "1", {652, 68, 40, 21});
    edit("EditCutColumnSize_end", "17", {700, 68, 40, 21});

    Add(Make(ui::Kind::GroupBox, "GroupBox4", "Moveing Window 大小", {456, 108, 296, 50}));
    const std::vector<std::string> windows{"3", "5", "7", "9", "11", "13", "15", "17"};
    label("Label7", "Row", {464, 128, 30, 16});
    combo("ComboBoxMVRow", "7", windows, {500, 124, 80, 21}).onChange = Handler([this] { ComboBoxMVRowChange(); });
    label("Label8", "Column", {600, 128, 50, 16});
    combo("ComboBoxMVColumn", "7", windows, {656, 124, 80, 21}).onChange =
        Handler([this] { ComboBoxMVColumnChange(); });

    Add(Make(ui::Kind::GroupBox, "GroupBox5", "方式", {8, 160, 560, 260}));
    for (int m = 0; m < 4; ++m) {
        const Method& method = kMethods[m];
        int x = 16 + m * 136;
        ui::Control& box = Add(Make(ui::Kind::CheckBox, method.box, method.caption, {x, 180, 128, 17}));
        box.checked = true;
        box.onClick = Handler([this, m] { CheckBox_MethodClick(m); });
        ui::Control& list = Add(Make(ui::Kind::CheckListBox, method.list, "", {x, 204, 120, 204}));
        list.items = m < 2 ? kBandItems : kPairItems;
        list.itemChecks.assign(list.items.size(), false);
    }

    Add(Make(ui::Kind::GroupBox, "GroupBox6", "方向", {576, 160, 176, 150}));
    const char* directionCaptions[] = {"N-S", "E-W", "NE-SW", "NW-SE", "平均"};
    for (int d = 0; d < 5; ++d)
        Add(Make(ui::Kind::CheckBox, kDirectionBoxes[d], directionCaptions[d], {588, 180 + d * 24, 120, 17}))
            .checked = d < 4;

    Add(Make(ui::Kind::GroupBox, "GroupBox7", "輸出精確度", {576, 316, 176, 52}));
    label("Label9", "小數點後幾位", {588, 338, 80, 16});
    combo("ComboBox1", "3", {"3", "4", "5", "6", "7", "8"}, {672, 334, 70, 21});
    Add(Make(ui::Kind::GroupBox, "GroupBox8", "h 值", {576, 372, 176, 48}));
    combo("ComboBox2", "1", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13"},
          {588, 390, 70, 21});

    label("Label10", "檔案輸出目錄", {8, 432, 100, 16});
    edit("EditOutputPath", "", {110, 428, 440, 21});
    Add(Make(ui::Kind::Button, "BtnPathOpen", "開啟目錄", {560, 426, 75, 25})).onClick =
        Handler([this] { BtnPathOpenClick(); });
    Add(Make(ui::Kind::Button, "BtnExe", "執行", {240, 480, 75, 25})).onClick = Handler([this] { BtnExeClick(); });
    Add(Make(ui::Kind::Button, "BtnExit", "離開", {400, 480, 75, 25})).onClick = Handler([this] { BtnExitClick(); });

    // Neutral start in place of a fixed drive folder: the folder the program started in.
    OpenDialog1.InitialDir = work_directory();
    FormCreate();
}

OpenDialog& TFORM_VARIOGRAM::DialogOf(int band) {
    switch (band) {
    case 1: return OpenDialog1;
    case 2: return OpenDialog2;
    case 3: return OpenDialog3;
    default: return OpenDialog4;
    }
}

void TFORM_VARIOGRAM::BtnFilenameClick(int band) {
    OpenDialog& dialog = DialogOf(band);
    dialog.Execute();
    SetEditText(Item("EditBand" + std::to_string(band) + "Filename"), dialog.FileName);
}

void TFORM_VARIOGRAM::BtnPathOpenClick() {
    FORM_Openpath->ShowModal();
    SetEditText(Item("EditOutputPath"), FORM_Openpath->ChosenPath);
}

void TFORM_VARIOGRAM::CheckBox_MethodClick(int method) {
    Item(kMethods[method].list).enabled = Item(kMethods[method].box).checked;
}

void TFORM_VARIOGRAM::BtnExitClick() {
    FormClose();
    EndModal(ui::kCancel);
}

void TFORM_VARIOGRAM::BtnExeClick() {
    ui::WaitCursor busy;  // the run holds the user-interface thread
    int h = StrToInt(Item("ComboBox2").text);
    std::string folder = Item("EditOutputPath").text;
    if (folder.empty()) return Info("輸出目錄為空白");
    folder = WithSeparator(folder);
    std::string names[4];
    for (int b = 0; b < 4; ++b) names[b] = Item("EditBand" + std::to_string(b + 1) + "Filename").text;
    rice::VARIOGRAM_MATRIX bands[4];
    int columns = 0, rows = 0, windowColumns = 0;
    if (!ReadWindowSizes(3, columns, rows, windowColumns)) return;
    if (h >= windowColumns) return Info("h值必須小於moveing window大小");
    if (h < 1) return Info("h值必須大於等於 1");

    InfoSink sink;
    for (int b = 0; b < 4; ++b) {
        if (names[b].empty()) continue;
        if (!bands[b].read_file(names[b], unsigned(columns), unsigned(rows), sink)) return;
        int decimals = StrToInt(Item("ComboBox1").text);
        if (!DecimalsOk(decimals)) return Info(kDecimalsError);
        bands[b].set_decimal(unsigned(decimals));
    }
    rice::DIRECTION_OPTION option;
    option.set_direction(Item("CheckBox_N_S").checked, Item("CheckBox_E_W").checked,
                         Item("CheckBox_NE_SW").checked, Item("CheckBox_NW_SE").checked);
    option.set_average(Item("CheckBox_average").checked);
    const std::string stem = "_h" + std::to_string(h) + "_b";
    for (const Method& method : kMethods) {
        if (!Item(method.box).checked) continue;
        const ui::Control& list = Item(method.list);
        for (size_t i = 0; i < list.items.size(); ++i) {
            if (!list.ItemChecked(int(i))) continue;
            const std::string& itemText = list.items[i];
            std::string base = folder + method.word + stem + itemText;
            bool ok = true;
            if (method.single) {
                rice::VARIOGRAM_MATRIX& a = bands[itemText[0] - '1'];
                if (a.size_of_x() == 0) continue;
                ok = method.single(a, unsigned(windowColumns), option, base, h, sink, {});
            } else {
                rice::VARIOGRAM_MATRIX& a = bands[itemText[0] - '1'];
                rice::VARIOGRAM_MATRIX& b = bands[itemText[2] - '1'];
                if (a.size_of_x() == 0 || b.size_of_x() == 0) continue;
                ok = method.pair(a, b, unsigned(windowColumns), option, base, h, sink, {});
            }
            if (!ok) return;
        }
    }
    Info("執行完畢");
}

std::string TFORM_VARIOGRAM::SettingsText() {
    std::string out;
    auto line = [&out](const std::string& text) { out += text + "\r\n"; };
    for (const char* field : kTextFields) line(std::string(field) + " " + Item(field).text);
    for (const char* box : kDirectionBoxes) line(std::string(box) + " " + Bool(Item(box).checked));
    for (const Method& method : kMethods) {
        line(std::string(method.box) + " " + Bool(Item(method.box).checked));
        const ui::Control& list = Item(method.list);
        for (size_t i = 0; i < list.items.size(); ++i) line(Bool(list.ItemChecked(int(i))));
    }
    line("EditOutputPath " + Item("EditOutputPath").text);
    return out;
}

void TFORM_VARIOGRAM::LoadSettings(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        // Whole lines: a long path keeps every later field.
        StripCr(line);
        size_t start = line.find_first_not_of(" \t\f\v");
        if (start == std::string::npos) continue;
        size_t end = line.find_first_of(" \t\f\v", start);
        std::string key = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string value = end == std::string::npos ? "" : line.substr(end + 1);
        bool known = false;
        for (const char* field : kTextFields) {
            if (key != field) continue;
            ui::Control& c = Item(field);
            if (c.kind == ui::Kind::Edit) {
                SetEditText(c, value);
            } else {
                c.SetText(value);
                c.selected = c.FindExact(value);
            }
            known = true;
        }
        if (key == "EditOutputPath") {
            SetEditText(Item(key), value);
            known = true;
        }
        for (const char* box : kDirectionBoxes)
            if (key == box) {
                SetChecked(Item(box), value == "true");
                known = true;
            }
        if (known) continue;
        for (const Method& method : kMethods) {
            if (key != method.box) continue;
            SetChecked(Item(method.box), value == "true");
            ui::Control& list = Item(method.list);
            for (size_t i = 0; i < list.items.size(); ++i) {
                std::string item;
                if (!std::getline(in, item)) return;
                StripCr(item);
                list.SetItemChecked(int(i), item == "true");
            }
        }
    }
}

void TFORM_VARIOGRAM::FormCreate() {
    if (!work_directory().empty()) rice::SetCurrentFolder(work_directory());
    // 54 lines of a name and a value (a path at most): 256 KiB is far beyond a real file, and
    // anything else (a device, a pipe, a huge file) is treated as no settings at all.
    std::optional<std::string> bytes = rice::ReadWholeFile(kSettingsFile, kMaxSettingsFileBytes);
    if (!bytes) return;
    // Decoded line by line, so a garbled line leaves only the fields after it unread.
    std::string text;
    std::istringstream in(*bytes);
    std::string line;
    while (std::getline(in, line)) {
        std::string decoded;
        if (!rice::TryCp950ToUtf8(line, decoded)) break;
        text += decoded + "\n";
    }
    LoadSettings(text);
}

void TFORM_VARIOGRAM::FormClose() {
    if (!work_directory().empty()) rice::SetCurrentFolder(work_directory());
    std::string bytes;
    if (!rice::TryUtf8ToCp950(SettingsText(), bytes)) {
        Info("設定檔無法存入非 Big5 文字 : " + std::string(kSettingsFile));
        return;
    }
    // A file that cannot be opened stays as it is, quietly; one that could not be written
    // whole also stays as it was, and the operator is told so.
    rice::AtomicFile file;
    if (!file.Open(kSettingsFile)) return;
    if (!file.Write(bytes) || !file.Commit()) Info(file.Error());
}

}  // namespace tex
