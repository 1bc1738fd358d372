#include "texture/forms/moving_window_form.h"

#include "platform/ui/ui.h"

namespace tex {

int MovingWindowForm::ShowModal() { return ui::Current().RunModal(*this); }

void MovingWindowForm::ComboBoxMVRowChange() { Item("ComboBoxMVColumn").SetText(Item("ComboBoxMVRow").text); }
void MovingWindowForm::ComboBoxMVColumnChange() { Item("ComboBoxMVRow").SetText(Item("ComboBoxMVColumn").text); }
void MovingWindowForm::EditMainRowSizeChange() { ResetCutRange("Row"); }
void MovingWindowForm::EditMainColumnSizeChange() { ResetCutRange("Column"); }

void MovingWindowForm::ResetCutRange(const std::string& side) {
    SetEditText(Item("EditCut" + side + "Size_bin"), "1");
    SetEditText(Item("EditCut" + side + "Size_end"), Item("EditMain" + side + "Size").text);
}

bool MovingWindowForm::ReadWindowSizes(int least, int& columns, int& rows, int& window) {
    columns = StrToInt(Item("EditMainColumnSize").text);
    rows = StrToInt(Item("EditMainRowSize").text);
    window = StrToInt(Item("ComboBoxMVColumn").text);
    const int windowRows = StrToInt(Item("ComboBoxMVRow").text);
    auto refuse = [](const std::string& text) {
        Info(text);
        return false;
    };
    if (!ImageSizeOk(columns, rows)) return refuse(kImageSizeError);
    if (window != windowRows) return refuse("Moveing Window 的 Row 與 Column 大小必須相同");
    if (window < least || window % 2 == 0)
        return refuse("Moveing Window 大小必須是 " + std::to_string(least) + " 以上的奇數");
    if (window > columns || window > rows) return refuse("Moveing Window 大小不可大於原始圖案大小");
    return true;
}

}  // namespace tex
