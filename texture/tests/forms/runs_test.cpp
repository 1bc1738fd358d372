// The four tool forms' runs: the order of their refusals, their output names, and one run of
// each on a small grid with the exact bytes written.
#include "texture/tests/forms/fixture.h"

#include <algorithm>

#include "texture/forms/Glcm.h"
#include "texture/lib/cross_diagonal.h"
#include "texture/lib/glcm.h"
#include "texture/lib/number_format.h"

namespace tex::test {
namespace {

// Messages shown, as the scripted operator writes them.
std::string Box(const std::string& text) { return "[main] " + text + "\n"; }

class Runs : public ToolFolder {
public:
    // Opens a form from the main form, sets its fields, presses its run button and closes it.
    std::string RunForm(const char* button, const std::string& sets, const char* run, const char* exit) {
        return Run(std::string("click ") + button + "\n" + sets + "click " + run + "\nclick " + exit + "\n");
    }
    std::string Glcm(const std::string& sets) { return RunForm("BtnGLCM", sets, "Btn_EXE", "Btn_EXIT"); }
    std::string Cross(const std::string& sets) {
        return RunForm("btnCROSS_DIAGONAL", sets, "Btn_EXE", "Btn_EXIT");
    }
    std::string Fractal(const std::string& sets) { return RunForm("BtnFractal", sets, "BtnExe", "BtnExit"); }
    std::string Variogram(const std::string& sets) { return RunForm("BtnClassify", sets, "BtnExe", "BtnExit"); }

    struct Case {
        std::string sets;
        std::string shown;
    };
    void Table(std::string (Runs::*form)(const std::string&), const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            fs::remove(Path("variogram.cfg"));  // each case from the defaults
            EXPECT_EQ((this->*form)(c.sets), c.shown) << c.sets;
            EXPECT_EQ(status, 0) << c.sets << errors;
        }
    }
    std::string image7 = Grid(7, 7, [](int x, int y) { return (x * 3 + y * 5) % 4; });
};

const std::string kNotInteger = "[main] 'x' is not a valid integer value\n";

TEST_F(Runs, GlcmRefusalsInOrder) {
    Write(Path("in.txt"), image7);
    std::string ok = "set EditFilename " + Path("in.txt") + "\nset EditOutputPath " + folder() + "\n";
    Table(&Runs::Glcm, {
        {"set ComboBox_MW_Size x\nset Edit_Image_Width\n", kNotInteger},
        {"set Edit_Image_Width\n", Box(" image 大小為空白")},
        {"set Edit_Image_Height 7a\n", Box(" image 大小 錯誤")},
        {"set Edit_Image_Height 2\n", Box(" image 大小 錯誤")},
        {"set Edit_Image_Height 100000\nset Edit_Image_Width 100000\n", Box(" image 大小 錯誤")},
        {"set ComboBox_MW_Size 4\n", Box("MASK 大小必須是 3 以上的奇數")},
        {"set ComboBox_MW_Size 1\n", Box("MASK 大小必須是 3 以上的奇數")},
        {"set ComboBox_MW_Size 9\n", Box("MASK 大小不可大於 image 大小")},
        {"set ComboBox_Gap x\n", kNotInteger},
        {"set ComboBox_Gap -1\n", Box("Gap 值大於等於 MASK 大小")},
        {"set ComboBox_Gap 3\n", Box("Gap 值大於等於 MASK 大小")},
        {"", Box("檔案名稱為空白")},
        {"set EditFilename " + Path("none.txt") + "\n", Box("檔案不能開啟 : " + Path("none.txt"))},
        {ok + "set ComboBox_DecimalFormat x\n", kNotInteger},
        {ok + "set ComboBox_DecimalFormat 16\n", Box("小數點後幾位必須在 0 到 15 之間")},
        {ok + "set ComboBox_DecimalFormat -1\n", Box("小數點後幾位必須在 0 到 15 之間")},
        {"set EditFilename " + Path("in.txt") + "\n", Box("輸出目錄為空白")},
    });
    EXPECT_EQ(Files(), (std::vector<std::string>{"in.txt"}));
}

TEST_F(Runs, GlcmDefaultsWriteOneGridOfTheLibrarysValues) {
    Write(Path("in.txt"), image7);
    EXPECT_EQ(Glcm("set EditFilename " + Path("in.txt") + "\nset EditOutputPath " + folder() + "/\n"), Box("執行完畢"));
    EXPECT_EQ(Files(), (std::vector<std::string>{"GLCM_contrast_n_s.txt", "in.txt"}));
    // The same computation done directly, written in one decimal.
    rice::SilentSink sink;
    rice::MATRIX<unsigned int> image;
    ASSERT_EQ(image.read_file(Path("in.txt"), 7, 7, sink), 1);
    rice::MATRIX<float> contrast;
    contrast.resize(7, 7);
    contrast.clear();
    contrast.set_decimal(1);
    rice::GLCM_PROBABILITY_MATRIX_N_S().compute(image, {{rice::contrast, &contrast}}, 3, 1);
    ASSERT_TRUE(contrast.write_file(Path("expected.txt"), sink));
    std::string grid = Bytes(Path("GLCM_contrast_n_s.txt"));
    EXPECT_EQ(grid, Bytes(Path("expected.txt")));
    EXPECT_EQ(grid.substr(0, 30), "0.0 0.0 0.0 0.0 0.0 0.0 0.0 \r\n");

    // A constant image: contrast 0 and energy 1 inside the border, in every direction and on average.
    Write(Path("flat.txt"), Grid(7, 7, [](int, int) { return 5; }));
    fs::create_directories(Path("out"));
    EXPECT_EQ(Glcm("set EditFilename " + Path("flat.txt") + "\nset EditOutputPath " + Path("out") +
                   "\nset CheckBox_Energy on\nset CheckBox_All on\nset ComboBox_DecimalFormat 2\n"),
              Box("執行完畢"));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Path("out"))) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{
                         "GLCM_contrast_avg.txt", "GLCM_contrast_e_w.txt", "GLCM_contrast_n_s.txt",
                         "GLCM_contrast_ne_sw.txt", "GLCM_contrast_nw_se.txt", "GLCM_energy_avg.txt",
                         "GLCM_energy_e_w.txt", "GLCM_energy_n_s.txt", "GLCM_energy_ne_sw.txt",
                         "GLCM_energy_nw_se.txt"}));
    EXPECT_EQ(Bytes(Path("out/GLCM_energy_avg.txt")), Framed(7, 7, 1, "1.00", "0.00"));
    EXPECT_EQ(Bytes(Path("out/GLCM_contrast_ne_sw.txt")), Framed(7, 7, 1, "0.00", "0.00"));
}

TEST_F(Runs, GlcmAverageIsTakenOfTheRoundedGrids) {
    Write(Path("in.txt"), image7);
    EXPECT_EQ(Glcm("set EditFilename " + Path("in.txt") + "\nset EditOutputPath " + folder() +
                   "\nset CheckBox_All on\nset CheckBox_Contrast off\nset CheckBox_Homogeneity on\n"),
              Box("執行完畢"));
    rice::SilentSink sink;
    rice::MATRIX<float> sum, grid;
    sum.resize(7, 7);
    sum.clear();
    for (const char* d : {"n_s", "e_w", "ne_sw", "nw_se"}) {
        ASSERT_EQ(grid.read_file(Path(std::string("GLCM_homogeneity_") + d + ".txt"), 7, 7, sink), 1);
        sum += grid;
    }
    sum /= 4;
    sum.set_decimal(1);
    ASSERT_TRUE(sum.write_file(Path("expected.txt"), sink));
    EXPECT_EQ(Bytes(Path("GLCM_homogeneity_avg.txt")), Bytes(Path("expected.txt")));
    EXPECT_FALSE(rice::FileExists(Path("GLCM_contrast_avg.txt")));
}

// Every grid of a full run, written in parallel, against the plain dense computation written
// value by value with the plain formatting.
TEST_F(Runs, GlcmGridsAreThoseOfThePlainComputation) {
    const int w = 17, h = 13;
    Write(Path("in.txt"), Grid(w, h, [](int x, int y) { return (x * 7 + y * 13 + x * y) % 23; }));
    EXPECT_EQ(Glcm("set EditFilename " + Path("in.txt") + "\nset EditOutputPath " + folder() +
                   "\nset Edit_Image_Width 17\nset Edit_Image_Height 13\nset ComboBox_MW_Size 5\nset ComboBox_Gap 2\n"
                   "set ComboBox_DecimalFormat 4\nset CheckBox_Entropy on\nset CheckBox_Dissimilarity on\n"
                   "set CheckBox_Energy on\nset CheckBox_Homogeneity on\nset CheckBox_Correlation on\n"
                   "set CheckBox_All on\n"),
              Box("執行完畢"));
    rice::SilentSink sink;
    rice::MATRIX<unsigned int> image;
    ASSERT_EQ(image.read_file(Path("in.txt"), w, h, sink), 1);
    const char* features[] = {"contrast", "entropy", "dissimilarity", "energy", "homogeneity", "correlation"};
    const rice::COMPUTATE_FUNCTION functions[] = {rice::contrast, rice::entropy, rice::dissimilarity,
                                                  rice::energy, rice::homogeneity, rice::correlation};
    rice::GLCM_PROBABILITY_MATRIX_N_S n_s;
    rice::GLCM_PROBABILITY_MATRIX_E_W e_w;
    rice::GLCM_PROBABILITY_MATRIX_NE_SW ne_sw;
    rice::GLCM_PROBABILITY_MATRIX_NW_SE nw_se;
    const std::pair<const char*, rice::GLCM_PROBABILITY_MATRIX*> directions[] = {
        {"n_s", &n_s}, {"e_w", &e_w}, {"ne_sw", &ne_sw}, {"nw_se", &nw_se}};
    for (const auto& [suffix, glcm] : directions) {
        rice::MATRIX<float> results[6];
        std::vector<rice::PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX> pairs;
        for (int f = 0; f < 6; ++f) {
            results[f].resize(w, h);
            results[f].clear();
            pairs.emplace_back(functions[f], &results[f]);
        }
        glcm->compute(image, pairs, 5, 2, {true, 1});
        for (int f = 0; f < 6; ++f) {
            std::string expected;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    rice::append_formatted_plain(expected, "0.0000", results[f].at(x, y));
                    expected += ' ';
                }
                expected += "\r\n";
            }
            EXPECT_EQ(Bytes(Path(std::string("GLCM_") + features[f] + "_" + suffix + ".txt")), expected)
                << features[f] << " " << suffix;
        }
    }
}

TEST_F(Runs, GlcmOutputFolderThatCannotBeWrittenIsReported) {
    Write(Path("in.txt"), image7);
    EXPECT_EQ(Glcm("set EditFilename " + Path("in.txt") + "\nset EditOutputPath " + Path("none") +
                   "\nset CheckBox_Energy on\nset CheckBox_0_degree on\n"),
              Box("檔案不能開啟 : " + Path("none/GLCM_contrast_n_s.txt")));
    EXPECT_EQ(Files(), (std::vector<std::string>{"in.txt"}));
}

TEST_F(Runs, GlcmTableTooLargeIsReportedAndTheToolGoesOn) {
    Write(Path("deep.txt"), Grid(7, 7, [](int x, int) { return x == 3 ? 100000 : 1; }));
    Write(Path("in.txt"), image7);
    std::string shown = Run("click BtnGLCM\nset EditFilename " + Path("deep.txt") + "\nset EditOutputPath " + folder() +
                            "\nclick Btn_EXE\nset EditFilename " + Path("in.txt") + "\nclick Btn_EXE\nclick Btn_EXIT\n");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(shown.substr(0, 7), "[main] ");
    EXPECT_NE(shown.find("\n[main] 執行完畢\n"), std::string::npos) << shown;
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 2) << shown;
}

TEST_F(Runs, GlcmWithNoFeatureWritesNothingAndFinishes) {
    Write(Path("in.txt"), image7);
    EXPECT_EQ(Glcm("set EditFilename " + Path("in.txt") + "\nset EditOutputPath " + folder() + "\nset CheckBox_Contrast off\n"),
              Box("執行完畢"));
    EXPECT_EQ(Files(), (std::vector<std::string>{"in.txt"}));
}

TEST_F(Runs, CrossDiagonalRefusalsInOrder) {
    Write(Path("in.txt"), image7);
    std::string ok = "set EditFilename " + Path("in.txt") + "\nset EditOutputPath " + folder() + "\n";
    Table(&Runs::Cross, {
        {"set Edit_Image_Height\n", Box(" image 大小為空白")},
        {"set Edit_Image_Width seven\n", Box(" image 大小 錯誤")},
        {"set Edit_Image_Width 2\n", Box(" image 大小 錯誤")},
        {"set EditFilename " + Path("in.txt") + "\n", Box("輸出目錄為空白")},
        {"set EditOutputPath " + folder() + "\n", Box("檔案名稱為空白")},
        {ok + "set Edit_Image_Width 6\n",
         Box("存檔格式錯誤(用ANSI不要用UNICODE)或檔案資料數過多 : " + Path("in.txt"))},
        {ok + "set ComboBox_DecimalFormat x\n", kNotInteger},
        {ok + "set ComboBox_DecimalFormat 99\n", Box("小數點後幾位必須在 0 到 15 之間")},
        {ok + "set CheckBox_3_level off\nset CheckBox_2_level off\n", Box("執行完畢")},
    });
    EXPECT_EQ(Files(), (std::vector<std::string>{"in.txt"}));
}

TEST_F(Runs, CrossDiagonalComputesAllSixAndWritesTheChecked) {
    Write(Path("in.txt"), image7);
    EXPECT_EQ(Cross("set EditFilename " + Path("in.txt") + "\nset EditOutputPath " + folder() +
                    "\nset CheckBox_Contrast on\nset ComboBox_DecimalFormat 3\n"),
              Box("執行完畢"));
    EXPECT_EQ(Files(), (std::vector<std::string>{"CROSS_DIAGONAL_l2_contrast.txt", "CROSS_DIAGONAL_l2_correlation.txt",
                                                 "CROSS_DIAGONAL_l3_contrast.txt", "CROSS_DIAGONAL_l3_correlation.txt",
                                                 "in.txt"}));
    rice::SilentSink sink;
    rice::MATRIX<unsigned int> image;
    ASSERT_EQ(image.read_file(Path("in.txt"), 7, 7, sink), 1);
    rice::MATRIX<float> m[6];
    std::vector<rice::PAIR_OF_COMPUTATE_FUNCTION_AND_P_RESULT_MATRIX> pairs;
    rice::COMPUTATE_FUNCTION f[] = {rice::contrast, rice::entropy, rice::dissimilarity,
                                    rice::energy, rice::homogeneity, rice::correlation};
    for (int i = 0; i < 6; ++i) {
        m[i].resize(7, 7);
        m[i].clear();
        m[i].set_decimal(3);
        pairs.push_back({f[i], &m[i]});
    }
    rice::CROSS_DIAGONAL_PROBABILITY_MATRIX_3_LEVEL().compute(image, pairs);
    ASSERT_TRUE(m[5].write_file(Path("l3.txt"), sink));
    rice::CROSS_DIAGONAL_PROBABILITY_MATRIX_2_LEVEL().compute(image, pairs);
    ASSERT_TRUE(m[0].write_file(Path("l2.txt"), sink));
    EXPECT_EQ(Bytes(Path("CROSS_DIAGONAL_l3_correlation.txt")), Bytes(Path("l3.txt")));
    EXPECT_EQ(Bytes(Path("CROSS_DIAGONAL_l2_contrast.txt")), Bytes(Path("l2.txt")));
    // A constant image has no contrast anywhere.
    Write(Path("flat.txt"), Grid(7, 7, [](int, int) { return 2; }));
    fs::create_directories(Path("out"));
    Cross("set EditFilename " + Path("flat.txt") + "\nset EditOutputPath " + Path("out") +
          "\nset CheckBox_Contrast on\nset CheckBox_2_level off\n");
    EXPECT_EQ(Bytes(Path("out/CROSS_DIAGONAL_l3_contrast.txt")), Framed(7, 7, 1, "0.0", "0.0"));
    EXPECT_FALSE(rice::FileExists(Path("out/CROSS_DIAGONAL_l2_contrast.txt")));
}

TEST_F(Runs, FractalRefusalsInOrder) {
    Write(Path("in.txt"), Grid(17, 17, [](int x, int y) { return (x * y) % 7; }));
    std::string names = "set EditInputFilename " + Path("in.txt") + "\nset EditROutFilename " + Path("r.txt") +
                        "\nset EditDFOutFilename " + Path("df.txt") + "\n";
    Table(&Runs::Fractal, {
        {"set EditMainColumnSize x\n", kNotInteger},
        {"set ComboBoxMVRow x\n", kNotInteger},
        {"set EditMainRowSize 2\n", Box(" image 大小 錯誤")},
        {"set ComboBoxMVRow 3\n", Box("Moveing Window 大小必須是 5 以上的奇數")},
        {"set ComboBoxMVRow 6\n", Box("Moveing Window 大小必須是 5 以上的奇數")},
        {"set ComboBoxMVRow 33\n", Box("Moveing Window 大小不可大於原始圖案大小")},
        {"", Box("輸入檔名?")},
        {"set EditInputFilename a\n", Box("輸出檔名(r)?")},
        {"set EditInputFilename a\nset EditROutFilename b\n", Box("輸出檔名(df)?")},
        {names + "set EditMainRowSize 16\n", Box("存檔格式錯誤(用ANSI不要用UNICODE)或檔案資料數過多 : " + Path("in.txt"))},
        {names + "set ComboBox1 x\n", kNotInteger},
        {names + "set ComboBox1 -3\n", Box("小數點後幾位必須在 0 到 15 之間")},
    });
    EXPECT_EQ(Files(), (std::vector<std::string>{"in.txt"}));
}

TEST_F(Runs, FractalWritesBothGridsWithoutAMessage) {
    // A flat surface: the same area at every step, so r² 0 and dimension 2.
    Write(Path("in.txt"), Grid(17, 17, [](int, int) { return 9; }));
    EXPECT_EQ(Fractal("file " + Path("in.txt") + "\nclick BtnFilename1\n"), "");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(Bytes(Path("in_r.txt")), Framed(17, 17, 2, "0.000", "0.000"));
    EXPECT_EQ(Bytes(Path("in_df.txt")), Framed(17, 17, 2, "2.000", "0.000"));
}

TEST_F(Runs, VariogramRefusalsInOrder) {
    Write(Path("b1.txt"), Grid(17, 17, [](int x, int y) { return (x + 2 * y) % 5; }));
    std::string out = "set EditOutputPath " + folder() + "\n";
    Table(&Runs::Variogram, {
        {"set ComboBox2 x\n", kNotInteger},
        {"", Box("輸出目錄為空白")},
        {out + "set EditMainColumnSize x\n", kNotInteger},
        {out + "set ComboBoxMVRow x\n", kNotInteger},
        {out + "set EditMainColumnSize 1\n", Box(" image 大小 錯誤")},
        {out + "set EditMainRowSize 5\n", Box("Moveing Window 大小不可大於原始圖案大小")},
        {out + "set ComboBoxMVRow 8\n", Box("Moveing Window 大小必須是 3 以上的奇數")},
        {out + "set ComboBoxMVColumn 1\nset ComboBox2 0\n", Box("Moveing Window 大小必須是 3 以上的奇數")},
        {out + "set ComboBox2 7\n", Box("h值必須小於moveing window大小")},
        {out + "set ComboBox2 0\n", Box("h值必須大於等於 1")},
        {out + "set ComboBox2 -2\n", Box("h值必須大於等於 1")},
        {out + "set EditBand1Filename " + Path("none") + "\n", Box("檔案不能開啟 : " + Path("none"))},
        {out + "set EditBand1Filename " + Path("b1.txt") + "\nset ComboBox1 x\n", kNotInteger},
        {out + "set EditBand1Filename " + Path("b1.txt") + "\nset ComboBox1 20\n",
         Box("小數點後幾位必須在 0 到 15 之間")},
        // Items of bands that were not read are skipped silently.
        {out + "check CheckListBox1 1 on\n", Box("執行完畢")},
    });
    EXPECT_EQ(Files(), (std::vector<std::string>{"b1.txt", "variogram.cfg"}));
    // Unequal windows can only come from the settings file.
    Write(Path("variogram.cfg"), "ComboBoxMVRow 5\r\nComboBoxMVColumn 7\r\n");
    EXPECT_EQ(Variogram(out), Box("Moveing Window 的 Row 與 Column 大小必須相同"));
}

TEST_F(Runs, VariogramNamesEachRunAfterStatisticHAndItem) {
    Write(Path("b1.txt"), Grid(17, 17, [](int, int) { return 4; }));
    Write(Path("b2.txt"), Grid(17, 17, [](int x, int) { return x % 3; }));
    fs::create_directories(Path("out"));
    std::string shown = Variogram("set EditBand1Filename " + Path("b1.txt") + "\nset EditBand2Filename " + Path("b2.txt") +
                                  "\nset EditOutputPath " + Path("out") + "/\nset ComboBox2 2\n"
                                  "check CheckListBox1 0 on\ncheck CheckListBox2 2 on\ncheck CheckListBox3 3 on\n"
                                  "check CheckListBox4 0 on\nset CheckBox_E_W off\nset CheckBox_NE_SW off\n"
                                  "set CheckBox_NW_SE off\nset CheckBox_average on\nclick CheckBox_Pesudo_cross\n");
    EXPECT_EQ(shown, Box("執行完畢"));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Path("out"))) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Cross_Mdgram_h2_b2-1_avg.txt", "Cross_Mdgram_h2_b2-1_n_s.txt",
                                               "Direct_variogram_h2_b1_avg.txt", "Direct_variogram_h2_b1_n_s.txt"}));
    // A constant band has no variation at any lag.
    EXPECT_EQ(Bytes(Path("out/Direct_variogram_h2_b1_n_s.txt")), Framed(17, 17, 3, "0.000", "0.000"));
}

}  // namespace
}  // namespace tex::test
