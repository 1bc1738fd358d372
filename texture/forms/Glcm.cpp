#include "texture/forms/Glcm.h"

#include <memory>
#include <vector>

#include "platform/ui/ui.h"
#include "texture/forms/features.h"
#include "texture/lib/glcm.h"

namespace tex {
namespace {

// In the order the run computes them.
struct Direction {
    const char* box;
    const char* suffix;
};
const Direction kDirections[] = {
    {"CheckBox_90_degree", "n_s"},
    {"CheckBox_0_degree", "e_w"},
    {"CheckBox_45_degree", "ne_sw"},
    {"CheckBox_135_degree", "nw_se"},
};

std::unique_ptr<rice::GLCM_PROBABILITY_MATRIX> ComputationOf(int direction) {
    switch (direction) {
    case 0: return std::make_unique<rice::GLCM_PROBABILITY_MATRIX_N_S>();
    case 1: return std::make_unique<rice::GLCM_PROBABILITY_MATRIX_E_W>();
    case 2: return std::make_unique<rice::GLCM_PROBABILITY_MATRIX_NE_SW>();
    default: return std::make_unique<rice::GLCM_PROBABILITY_MATRIX_NW_SE>();
    }
}

std::string FileName(const Feature& f, const std::string& suffix) {
    return std::string("GLCM_") + f.word + "_" + suffix + ".txt";
}

}  // namespace

TFORM_GLCM::TFORM_GLCM() : GridForm("GLCM", 520, 420, ui::Units::Pixels) {
    font = ui::Font{"MS Sans Serif", 8, false, false};
    auto label = [this](const char* name, const char* text, ui::Rect r) {
        Add(Make(ui::Kind::Label, name, text, r));
    };
    auto combo = [this](const char* name, const char* text, std::vector<std::string> items, ui::Rect r) {
        ui::Control& c = Add(Make(ui::Kind::ComboBox, name, text, r));
        c.items = std::move(items);
        c.selected = c.FindExact(text);
    };
    label("Label1", "The Size of MASK", {16, 16, 150, 16});
    combo("ComboBox_MW_Size", "3", {"3", "5", "7", "9", "11", "13", "15", "17"}, {176, 12, 80, 21});
    label("Label2", "The Width of image(col)", {16, 44, 150, 16});
    Add(Make(ui::Kind::Edit, "Edit_Image_Width", "7", {176, 40, 80, 21}));
    label("Label3", "The Height of image(row)", {16, 72, 150, 16});
    Add(Make(ui::Kind::Edit, "Edit_Image_Height", "7", {176, 68, 80, 21}));
    label("Label4", "The Gap is", {16, 100, 150, 16});
    combo("ComboBox_Gap", "1", {"1", "2", "3", "4", "5", "6", "7", "8", "9"}, {176, 96, 80, 21});
    label("Label5", "The DecimalFormat is", {16, 128, 150, 16});
    combo("ComboBox_DecimalFormat", "1", {"1", "2", "3", "4", "5", "6"}, {176, 124, 80, 21});

    AddFeatureBoxes(*this, 290, 16);
    Item("CheckBox_Contrast").checked = true;
    const char* directionCaptions[][2] = {{"CheckBox_0_degree", "0 度(E-W)"},
                                          {"CheckBox_45_degree", "45 度(NE-SW)"},
                                          {"CheckBox_90_degree", "90 度(N-S)"},
                                          {"CheckBox_135_degree", "135 度(NW-SE)"}};
    int y = 16;
    for (auto& d : directionCaptions) {
        const char* name = d[0];
        Add(Make(ui::Kind::CheckBox, name, d[1], {400, y, 110, 17})).onClick =
            Handler([this, name] { CheckBox_directionClick(name); });
        y += 24;
    }
    Item("CheckBox_90_degree").checked = true;
    Add(Make(ui::Kind::CheckBox, "CheckBox_All", "All(average)", {400, y, 110, 17})).onClick =
        Handler([this] { CheckBox_AllClick(); });

    AddFileRow({.fileY = 200, .folderButtonY = 240,
                .labelName = "Label6", .labelY = 232, .folderY = 250, .runY = 320});
}

void TFORM_GLCM::CheckBox_AllClick() {
    if (!Item("CheckBox_All").checked) return;
    for (const Direction& d : kDirections) SetChecked(Item(d.box), true);
}

void TFORM_GLCM::CheckBox_directionClick(const char* name) {
    if (Item("CheckBox_All").checked) SetChecked(Item(name), true);
}

void TFORM_GLCM::Btn_EXEClick() {
    ui::WaitCursor busy;  // the run holds the user-interface thread
    int MASK = StrToInt(Item("ComboBox_MW_Size").text);
    int imageWidth = 0, imageHeight = 0;
    if (!ReadImageSize(*this, imageWidth, imageHeight)) return;
    // The window must be odd, at least 3 and inside the image: the computation assumes it.
    if (MASK < 3 || MASK % 2 == 0) return Info("MASK 大小必須是 3 以上的奇數");
    if (MASK > imageWidth || MASK > imageHeight) return Info("MASK 大小不可大於 image 大小");
    int gap = StrToInt(Item("ComboBox_Gap").text);
    // Compared as unsigned numbers: a negative gap is as large as any.
    if (unsigned(gap) >= unsigned(MASK)) return Info("Gap 值大於等於 MASK 大小");
    rice::MATRIX<unsigned int> image;
    int decimals = 0;
    if (!ReadInput(imageWidth, imageHeight, image, decimals)) return;
    InfoSink sink;
    // Two sets of result matrices: one direction's grids are written while the next one is
    // computed into the other set.
    rice::RESULT_MATRIX<float> results[2][kFeatureCount];
    std::vector<rice::PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX> pairs[2];
    std::vector<size_t> checked;
    for (size_t f = 0; f < kFeatureCount; ++f) {
        if (!Item(kFeatures[f].box).checked) continue;
        for (int set = 0; set < 2; ++set) {
            results[set][f].set_decimal(unsigned(decimals));
            results[set][f].resize(unsigned(imageWidth), unsigned(imageHeight));
            results[set][f].clear();
            pairs[set].push_back({kFeatures[f].function, &results[set][f]});
        }
        checked.push_back(f);
    }
    std::string folder = Item("EditOutputPath").text;
    if (folder.empty()) return Info("輸出目錄為空白");
    folder = WithSeparator(folder);

    std::vector<rice::GRID_FILE> pending;  // the grids of the direction computed last
    int set = 0;
    for (int d = 0; d < 4; ++d) {
        if (!Item(kDirections[d].box).checked) continue;
        auto compute = [&, d, set] { ComputationOf(d)->compute(image, pairs[set], unsigned(MASK), unsigned(gap)); };
        if (!rice::write_files(pending, sink, 0, compute)) return;
        pending.clear();
        for (size_t f : checked)
            pending.emplace_back(&results[set][f], folder + FileName(kFeatures[f], kDirections[d].suffix));
        set = 1 - set;
    }
    if (!rice::write_files(pending, sink)) return;
    if (Item("CheckBox_All").checked) {
        // The average of the grids as written, rounded to the chosen decimals.
        for (size_t f : checked) {
            rice::MATRIX<float> sum;
            sum.resize(unsigned(imageWidth), unsigned(imageHeight));
            sum.clear();
            for (const Direction& d : kDirections) {
                rice::MATRIX<float> grid;
                if (!grid.read_file(folder + FileName(kFeatures[f], d.suffix), unsigned(imageWidth),
                                    unsigned(imageHeight), sink))
                    return;
                sum += grid;
            }
            sum /= 4;
            sum.set_format(results[0][f].get_format());
            if (!sum.write_file(folder + FileName(kFeatures[f], "avg"), sink)) return;
        }
    }
    Info("執行完畢");
}

}  // namespace tex
