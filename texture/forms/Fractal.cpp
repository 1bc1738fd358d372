#include "texture/forms/Fractal.h"

#include "platform/ui/ui.h"
#include "texture/forms/Gis.h"
#include "texture/lib/fractal_lib.h"

namespace tex {

std::pair<std::string, std::string> ProposedOutputNames(const std::string& input) {
    std::string stem, extension;
    // Backwards from the last but one character: a "." splits off the extension, a folder
    // separator found first means there is none.
    for (size_t i = input.size() >= 2 ? input.size() - 1 : 0; i-- > 0;) {
        if (input[i] == '.') {
            stem = input.substr(0, i);
            extension = input.substr(i);
            break;
        }
        if (input[i] == '/') {
            stem = input;
            break;
        }
    }
    if (stem.empty()) return {"_r", "_df"};
    return {stem + "_r" + extension, stem + "_df" + extension};
}

TFORM_FRACTAL::TFORM_FRACTAL() : MovingWindowForm("FRACTAL", 560, 400, ui::Units::Pixels) {
    font = ui::Font{"MS Sans Serif", 8, false, false};
    auto label = [this](const char* name, const char* text, ui::Rect r) {
        Add(Make(ui::Kind::Label, name, text, r));
    };
    const char* edits[][4] = {{"Label1", "輸入檔名", "EditInputFilename", "BtnFilename1"},
                              {"Label2", "輸出檔名r", "EditROutFilename", "BtnFilename2"},
                              {"Label3", "輸出檔名df", "EditDFOutFilename", "BtnFilename3"}};
    int y = 16;
    for (auto& e : edits) {
        label(e[0], e[1], {16, y + 4, 80, 16});
        Add(Make(ui::Kind::Edit, e[2], "", {100, y, 340, 21}));
        Add(Make(ui::Kind::Button, e[3], "開啟檔案", {456, y - 2, 75, 25}));
        y += 36;
    }
    Item("BtnFilename1").onClick = Handler([this] { BtnFilename1Click(); });
    Item("BtnFilename2").onClick = Handler([this] { BtnFilename2Click(); });
    Item("BtnFilename3").onClick = Handler([this] { BtnFilename3Click(); });

    Add(Make(ui::Kind::GroupBox, "GroupBox1", "原始圖案大小", {16, 130, 160, 90}));
    label("Label4", "Row", {28, 156, 40, 16});
    Add(Make(ui::Kind::Edit, "EditMainRowSize", "17", {80, 152, 80, 21})).onChange =
        Handler([this] { EditMainRowSizeChange(); });
    label("Label5", "Column", {28, 186, 50, 16});
    Add(Make(ui::Kind::Edit, "EditMainColumnSize", "17", {80, 182, 80, 21})).onChange =
        Handler([this] { EditMainColumnSizeChange(); });

    Add(Make(ui::Kind::GroupBox, "GroupBox2", "Moveing Window 大小", {192, 130, 170, 90}));
    const std::vector<std::string> windows{"5", "9", "17", "33", "65", "129"};
    label("Label6", "Row", {204, 156, 40, 16});
    ui::Control& row = Add(Make(ui::Kind::ComboBox, "ComboBoxMVRow", "5", {256, 152, 90, 21}));
    row.items = windows;
    row.selected = 0;
    row.onChange = Handler([this] { ComboBoxMVRowChange(); });
    label("Label7", "Column", {204, 186, 50, 16});
    ui::Control& column = Add(Make(ui::Kind::ComboBox, "ComboBoxMVColumn", "5", {256, 182, 90, 21}));
    column.items = windows;
    column.selected = 0;
    column.onChange = Handler([this] { ComboBoxMVColumnChange(); });

    Add(Make(ui::Kind::GroupBox, "GroupBox3", "輸出精確度", {378, 130, 160, 90}));
    label("Label8", "小數點後幾位", {390, 156, 80, 16});
    ui::Control& decimals = Add(Make(ui::Kind::ComboBox, "ComboBox1", "3", {390, 182, 90, 21}));
    decimals.items = {"3", "4", "5", "6", "7", "8"};
    decimals.selected = 0;

    Add(Make(ui::Kind::Button, "BtnExe", "執行", {160, 300, 75, 25})).onClick = Handler([this] { BtnExeClick(); });
    Add(Make(ui::Kind::Button, "BtnExit", "離開", {300, 300, 75, 25})).onClick = Handler([this] { BtnExitClick(); });

    const char* cuts[][2] = {{"EditCutRowSize_bin", "1"}, {"EditCutRowSize_end", "17"},
                             {"EditCutColumnSize_bin", "1"}, {"EditCutColumnSize_end", "17"}};
    int x = 16;
    for (auto& c : cuts) {
        Add(Make(ui::Kind::Edit, c[0], c[1], {x, 240, 60, 21})).visible = false;
        x += 70;
    }
    // Neutral start in place of a fixed drive folder: the folder the program started in.
    OpenDialog1.InitialDir = work_directory();
}

void TFORM_FRACTAL::BtnFilename1Click() {
    OpenDialog1.Execute();
    Item("EditInputFilename").SetText(OpenDialog1.FileName);
    auto [r, df] = ProposedOutputNames(OpenDialog1.FileName);
    Item("EditROutFilename").SetText(r);
    Item("EditDFOutFilename").SetText(df);
}

void TFORM_FRACTAL::BtnFilename2Click() {
    OpenDialog2.Execute();
    Item("EditROutFilename").SetText(OpenDialog2.FileName);
}

void TFORM_FRACTAL::BtnFilename3Click() {
    OpenDialog3.Execute();
    Item("EditDFOutFilename").SetText(OpenDialog3.FileName);
}

void TFORM_FRACTAL::BtnExitClick() { EndModal(ui::kCancel); }

void TFORM_FRACTAL::BtnExeClick() {
    ui::WaitCursor busy;  // the run holds the user-interface thread
    int columns = 0, rows = 0, window = 0;
    if (!ReadWindowSizes(5, columns, rows, window)) return;
    const std::string input = Item("EditInputFilename").text;
    const std::string rName = Item("EditROutFilename").text;
    const std::string dfName = Item("EditDFOutFilename").text;
    if (input.empty()) return Info("輸入檔名?");
    if (rName.empty()) return Info("輸出檔名(r)?");
    if (dfName.empty()) return Info("輸出檔名(df)?");

    InfoSink sink;
    rice::FRACTAL_MATRIX image;
    if (!image.read_file(input, unsigned(columns), unsigned(rows), sink)) return;
    int decimals = StrToInt(Item("ComboBox1").text);
    if (!DecimalsOk(decimals)) return Info(kDecimalsError);
    image.set_decimal(unsigned(decimals));
    rice::fractal_dimension(image, rName, dfName, unsigned(window), unsigned(window), sink);
}

}  // namespace tex
