#include "texture/forms/Cross_diagonal.h"

#include <vector>

#include "platform/ui/ui.h"
#include "texture/forms/features.h"
#include "texture/lib/cross_diagonal.h"

namespace tex {

TFORM_CROSS_DIAGONAL::TFORM_CROSS_DIAGONAL() : GridForm("CROSS_DIAGONAL", 520, 400, ui::Units::Pixels) {
    font = ui::Font{"MS Sans Serif", 8, false, false};
    auto label = [this](const char* name, const char* text, ui::Rect r) {
        Add(Make(ui::Kind::Label, name, text, r));
    };
    label("Label1", "The Width of image(col)", {16, 16, 150, 16});
    Add(Make(ui::Kind::Edit, "Edit_Image_Width", "7", {176, 12, 80, 21}));
    label("Label2", "The Height of image(row)", {16, 44, 150, 16});
    Add(Make(ui::Kind::Edit, "Edit_Image_Height", "7", {176, 40, 80, 21}));
    label("Label3", "The DecimalFormat is", {16, 72, 150, 16});
    ui::Control& decimals = Add(Make(ui::Kind::ComboBox, "ComboBox_DecimalFormat", "1", {176, 68, 80, 21}));
    decimals.items = {"1", "2", "3", "4", "5", "6"};
    decimals.selected = 0;
    AddFeatureBoxes(*this, 290, 16);
    Item("CheckBox_Correlation").checked = true;
    Add(Make(ui::Kind::CheckBox, "CheckBox_3_level", "3_level", {400, 16, 100, 17})).checked = true;
    Add(Make(ui::Kind::CheckBox, "CheckBox_2_level", "2_level", {400, 40, 100, 17})).checked = true;

    AddFileRow({.fileY = 180, .folderButtonY = 230,
                .labelName = "Label4", .labelY = 214, .folderY = 232, .runY = 300});
}

void TFORM_CROSS_DIAGONAL::Btn_EXEClick() {
    ui::WaitCursor busy;  // the run holds the user-interface thread
    int imageWidth = 0, imageHeight = 0;
    // The 3 x 3 window needs an image of at least 3 x 3.
    if (!ReadImageSize(*this, imageWidth, imageHeight)) return;
    std::string folder = Item("EditOutputPath").text;
    if (folder.empty()) return Info("輸出目錄為空白");
    folder = WithSeparator(folder);
    rice::MATRIX<unsigned int> image;
    int decimals = 0;
    if (!ReadInput(imageWidth, imageHeight, image, decimals)) return;
    InfoSink sink;
    rice::RESULT_MATRIX<float> results[kFeatureCount];
    std::vector<rice::PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX> pairs;
    for (size_t f = 0; f < kFeatureCount; ++f) {
        results[f].resize(unsigned(imageWidth), unsigned(imageHeight));
        results[f].clear();
        results[f].set_decimal(unsigned(decimals));
        pairs.push_back({kFeatures[f].function, &results[f]});
    }
    auto writeChecked = [&](const char* level) {
        for (size_t f = 0; f < kFeatureCount; ++f) {
            if (!Item(kFeatures[f].box).checked) continue;
            std::string name = folder + "CROSS_DIAGONAL_" + level + "_" + kFeatures[f].word + ".txt";
            if (!results[f].write_file(name, sink)) return false;
        }
        return true;
    };
    if (Item("CheckBox_3_level").checked) {
        rice::CROSS_DIAGONAL_PROBABILITY_MATRIX_3_LEVEL().compute(image, pairs);
        if (!writeChecked("l3")) return;
    }
    if (Item("CheckBox_2_level").checked) {
        rice::CROSS_DIAGONAL_PROBABILITY_MATRIX_2_LEVEL().compute(image, pairs);
        if (!writeChecked("l2")) return;
    }
    Info("執行完畢");
}

}  // namespace tex
