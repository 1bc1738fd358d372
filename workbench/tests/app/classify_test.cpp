#include <gtest/gtest.h>
#include <shapefil.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/core/command.h"
#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/script/operator.h"
#include "platform/testing/temp_folder.h"
#include "samples/lan_samples.h"
#include "workbench/app/KorvaneApp.h"
#include "workbench/dialogs/CML.h"
#include "workbench/tests/app/workbench_run.h"
#include "workbench/doc/KorvaneDoc.h"
#include "workbench/doc/classify_run.h"
#include "workbench/engine/lan_image.h"
#include "workbench/tests/engine/test_util.h"

namespace {

namespace fs = std::filesystem;

// A temporary folder per test, current during it.
class ClassifyTest : public rice::testing::InTempFolderTest {
protected:
    void SetUp() override { ui::SetAppTitle("Korvane"); }
    std::string P(const std::string& rel) { return (dir_ / rel).string(); }
    void Touch(const std::string& rel) {
        fs::create_directories(fs::path(P(rel)).parent_path());
        std::ofstream(P(rel)) << "";
    }
    // Runs the dialog modally under a script; returns the status.
    int RunDialog(CML& dlg, const std::string& script) {
        out_.str("");
        err_.str("");
        script::Operator op(script, "c.script", out_, err_);
        ui::ScopedUi scope(op);
        return rice::RunUntilExit([&] {
            result_ = op.RunModal(dlg);
            return 0;
        });
    }

    const fs::path dir_ = folder();
    std::ostringstream out_, err_;
    int result_ = -1;
};

TEST_F(ClassifyTest, ValidationCollectsEveryMissingInput) {
    struct Case {
        const char* image;
        const char* folder;
        const char* output;
        const char* message;  // "" = accepted
    };
    const Case cases[] = {
        {"", "", "", "[Korvane] \\n請重新選擇原始影像檔!!\\n請重新選擇分類資訊檔!!\\n請重新選擇分類後影像儲存位置!!\\n"},
        {"a.lan", "", "", "[Korvane] \\n請重新選擇分類資訊檔!!\\n請重新選擇分類後影像儲存位置!!\\n"},
        {"", "/c", "/o", "[Korvane] \\n請重新選擇原始影像檔!!\\n"},
        {"a.lan", "/c", "", "[Korvane] \\n請重新選擇分類後影像儲存位置!!\\n"},
        {"a.lan", "/c", "/o", ""},  // an empty parcel list is accepted
    };
    for (const auto& c : cases) {
        CML dlg;
        dlg.m_sourceImageName = c.image;
        dlg.m_sourceImagePath = c.image;
        dlg.m_classInfoFolder = c.folder;
        dlg.m_outputFolder = c.output;
        // A refused OK keeps the dialog open: Cancel, confirmed, ends it.
        int status = RunDialog(dlg, "click 1\nanswer yes\nclick 2\n");
        std::string expected = *c.message ? std::string(c.message) + "\n" : "";
        if (*c.message) {
            EXPECT_EQ(status, 0) << err_.str();
            EXPECT_EQ(result_, ui::kCancel);
            EXPECT_EQ(out_.str(), expected + "[Korvane] 確定離開程式?\n");
            EXPECT_EQ(dlg.m_sourceImageName, "");  // Cancel empties the three paths
            EXPECT_EQ(dlg.m_classInfoFolder, "");
            EXPECT_EQ(dlg.m_outputFolder, "");
        } else {
            EXPECT_EQ(result_, ui::kOK);
            EXPECT_EQ(out_.str(), "");
        }
    }
}

TEST_F(ClassifyTest, CancelAnsweredNoKeepsTheDialog) {
    CML dlg;
    dlg.m_outputFolder = "/o";
    EXPECT_EQ(RunDialog(dlg, "answer no\nclick 2\nanswer yes\nclose\n"), 0) << err_.str();
    EXPECT_EQ(out_.str(), "[Korvane] 確定離開程式?\n[Korvane] 確定離開程式?\n");
    EXPECT_EQ(result_, ui::kCancel);
}

TEST_F(ClassifyTest, ParcelListAndMergeInfoPathsStayInStep) {
    for (const char* f : {"maps/a.shp", "maps/b.shp", "maps/c.shp"}) Touch(f);
    fs::create_directories(P("cls"));
    CML dlg;
    std::string script =
        "click 1056\n"                                              // nothing selected
        "file " + P("maps/a.shp") + " ; " + P("maps/b.shp") + "\n"  // before any folder
        "click 1055\n"
        "folder " + P("cls") + "\nclick 1010\n"
        "file cancel\nclick 1055\n"                                 // adds nothing
        "file c.shp\nclick 1055\n"                                  // the picker left us in maps
        "file a.shp\nclick 1055\n"                                  // the same file twice
        "select 1077 1\nclick 1056\n"
        "answer yes\nclick 2\n";
    ASSERT_EQ(RunDialog(dlg, script), 0) << err_.str();
    EXPECT_EQ(out_.str(), "[Korvane] 請選取要移除的檔案!!\n[Korvane] 確定離開程式?\n");
    EXPECT_EQ(dlg.m_parcelFiles, (std::vector<std::string>{P("maps/a.shp"), P("maps/c.shp"), P("maps/a.shp")}));
    EXPECT_EQ(dlg.m_mergeInfoFiles,
              (std::vector<std::string>{"/infoa_Merge.gsg", P("cls") + "/infoc_Merge.gsg",
                                        P("cls") + "/infoa_Merge.gsg"}));
    EXPECT_EQ(dlg.Item(CML::IDC_PARCEL_LIST).items, (std::vector<std::string>{"a.shp", "c.shp", "a.shp"}));
    EXPECT_EQ(dlg.m_lastSelection, (std::vector<std::string>{P("maps/a.shp")}));
    EXPECT_EQ(CML::MergeInfoPath("D:/cls", "E:/maps/s12.shp"), "D:/cls/infos12_Merge.gsg");
}

TEST_F(ClassifyTest, FolderAndImageButtons) {
    Touch("img/src.lan");
    fs::create_directories(P("out"));
    {
        // A cancelled browser leaves the field and the folder empty.
        CML dlg;
        dlg.m_classInfoFolder = "/before";
        dlg.m_sourceImageName = "a.lan";
        dlg.m_outputFolder = "/o";
        ASSERT_EQ(RunDialog(dlg, "folder cancel\nclick 1010\nclick 1\nanswer yes\nclick 2\n"), 0) << err_.str();
        EXPECT_EQ(out_.str(), "[Korvane] \\n請重新選擇分類資訊檔!!\\n\n[Korvane] 確定離開程式?\n");
        EXPECT_EQ(dlg.Item(CML::IDC_INFO_EDIT).text, "");
    }
    CML dlg;
    std::string script = "folder " + P("out") + "\nclick 1012\n"
                         "folder " + P("out") + "\nclick 1010\n"
                         "file " + P("img/src.lan") + "\nclick 1011\n"
                         "click 1\n";
    ASSERT_EQ(RunDialog(dlg, script), 0) << err_.str();
    EXPECT_EQ(result_, ui::kOK);
    EXPECT_EQ(dlg.m_outputFolder, P("out"));
    EXPECT_EQ(dlg.Item(CML::IDC_OUTPUT_EDIT).text, P("out"));
    EXPECT_EQ(dlg.m_classInfoFolder, P("out"));
    EXPECT_EQ(dlg.m_sourceImageName, "src.lan");
    EXPECT_EQ(dlg.m_sourceImagePath, P("img/src.lan"));
    EXPECT_EQ(dlg.Item(CML::IDC_IMAGE_EDIT).text, P("img/src.lan"));
    // The picker's result is not tested: a cancel empties the name and the edit.
    EXPECT_EQ(RunDialog(dlg, "file cancel\nclick 1011\nanswer yes\nclick 2\n"), 0) << err_.str();
    EXPECT_EQ(dlg.Item(CML::IDC_IMAGE_EDIT).text, "");
}

TEST_F(ClassifyTest, SliderTexts) {
    struct Case {
        int pos;
        const char* text;
    };
    for (const Case c : {Case{0, "0.00"}, Case{37, "0.37"}, Case{100, "1.00"}}) {
        CML dlg;
        std::string p = std::to_string(c.pos);
        ASSERT_EQ(RunDialog(dlg, "set 1005 " + p + "\nset 1006 " + p + "\nanswer yes\nclick 2\n"), 0);
        EXPECT_EQ(dlg.Item(CML::IDC_PROB_TEXT).text, c.text);
        EXPECT_EQ(dlg.Item(CML::IDC_DIFF_TEXT).text, c.text);
        EXPECT_EQ(dlg.m_probSliderPos, c.pos);
        EXPECT_EQ(dlg.m_diffSliderPos, c.pos);
    }
    CML fresh;  // the statics start blank
    ASSERT_EQ(RunDialog(fresh, "answer yes\nclick 2\n"), 0);
    EXPECT_EQ(fresh.Item(CML::IDC_PROB_TEXT).text, "");
}

// A nine-band classified image whose cells carry the given bands 2, 7 and 8.
void WriteClassified(const std::string& path, const std::vector<std::array<int, 3>>& cells) {
    rice::LanHeader h;
    h.nbands = 9;
    h.icols = int(cells.size());
    h.irows = 1;
    h.xcell = h.ycell = 1;
    rice::LanImage img = rice::LanImage::Blank(h);
    for (size_t c = 0; c < cells.size(); ++c) {
        img.lines[0][1 * cells.size() + c] = std::uint8_t(cells[c][0]);
        img.lines[0][6 * cells.size() + c] = std::uint8_t(cells[c][1]);
        img.lines[0][7 * cells.size() + c] = std::uint8_t(cells[c][2]);
    }
    ASSERT_TRUE(rice::WriteLanImage(path, img));
}

TEST_F(ClassifyTest, HistogramBinning) {
    // band 2 / band 7 / band 8; the last cell is background.
    WriteClassified(P("base.lan"), {{25, 25, 0}, {26, 0, 26}, {51, 102, 51}, {153, 0, 153}, {255, 255, 0},
                                    {0, 10, 10}, {0, 0, 0}});
    CML dlg;
    ASSERT_TRUE(dlg.LoadHistograms(P("base.lan")));
    EXPECT_EQ(dlg.m_baseCols, 7);
    EXPECT_EQ(dlg.m_baseRows, 1);
    EXPECT_EQ(dlg.m_probHistogram, (std::array<int, 10>{1, 1, 1, 0, 0, 0, 1, 0, 0, 0}));  // 255: no bin
    // |b7 - b8|: 25, 26, 51, 153, 255 (no bin), 0 (counted: a band is non-zero)
    EXPECT_EQ(dlg.m_diffHistogram, (std::array<int, 10>{2, 1, 1, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(CML::BinOf(25 / 255.0), 0);
    EXPECT_EQ(CML::BinOf(26 / 255.0), 1);
    EXPECT_EQ(CML::BinOf(1.0), -1);
}

TEST_F(ClassifyTest, BaseImageThatCannotBeOpenedKeepsTheDialog) {
    Touch("broken.lan");  // shorter than a header
    CML dlg;
    ASSERT_EQ(RunDialog(dlg, "answer yes\nclick 2\n"), 0);
    std::ostringstream out, err;
    script::Operator op("", "x", out, err);
    ui::ScopedUi scope(op);
    EXPECT_FALSE(dlg.LoadHistograms(P("broken.lan")));
    EXPECT_TRUE(dlg.LoadHistograms(""));  // nothing chosen: nothing to do
    EXPECT_EQ(out.str(), "[Korvane] 分類基礎影像開啟錯誤! - " + P("broken.lan") + "\n");
}

TEST_F(ClassifyTest, PanesDrawLabelsAxesAndPolyline) {
    std::array<int, 10> counts{0, 30, 0, 0, 0, 0, 0, 0, 0, 600};
    EXPECT_EQ(CML::HistogramPolyline(counts, 2),
              (std::vector<ui::Point>{{0, 300}, {60, 285}, {60, 300}, {90, 300}, {120, 300}, {150, 300},
                                      {180, 300}, {210, 300}, {240, 300}, {300, 0}}));
    for (int cells : {299, 600}) {
        CML dlg;
        dlg.m_baseCols = cells;
        dlg.m_baseRows = 1;
        dlg.m_probHistogram = counts;
        dlg.OnPaint();
        const ui::Raster& pane = *dlg.Item(CML::IDC_PROB_PANE).surface;
        EXPECT_EQ(pane.Pixel(0, 150), ui::kBlack);    // axis
        EXPECT_EQ(pane.Pixel(150, 300), ui::kBlack);  // axis
        // The polyline only when there are at least 300 cells: its point (60, 285).
        EXPECT_EQ(pane.Pixel(60, 285), cells >= 300 ? ui::kBlack : ui::kWhite) << cells;
        const auto& counts17 = dlg.Item(CML::IDC_PROB_COUNTS).surface->texts;
        ASSERT_EQ(counts17.size(), 10u);
        EXPECT_EQ(counts17[0].text, std::to_string(cells / 10));
        EXPECT_EQ(counts17[0].y, 270);
        EXPECT_EQ(counts17[9].text, std::to_string(10 * (cells / 10)));
        EXPECT_EQ(counts17[9].y, 0);
        const auto& labels = dlg.Item(CML::IDC_DIFF_LABELS).surface->texts;
        ASSERT_EQ(labels.size(), 11u);
        EXPECT_EQ(labels[0].text, "0.0");
        EXPECT_EQ(labels[10].text, "1.0");
        EXPECT_EQ(labels[10].x, 300);
        dlg.OnPaint();  // repainting starts afresh
        EXPECT_EQ(dlg.Item(CML::IDC_DIFF_LABELS).surface->texts.size(), 11u);
    }
}

TEST(ClassifiedName, ThresholdsBeforeTheExtension) {
    EXPECT_EQ(ClassifiedName("s12.lan", 0.5, 0.3), "s12_0.50_0.30.lan");
    EXPECT_EQ(ClassifiedName("s12.lan", 0.37, 1.0), "s12_0.37_1.00.lan");
    EXPECT_EQ(ClassifiedName("s.lan", 0, 0), "s_0.00_0.00.lan");
    EXPECT_EQ(ClassifiedName("abc", 0, 0), "abc_0.00_0.00");  // shorter than four: at the end
    EXPECT_EQ(ClassifiedName("", 0.1, 0.2), "_0.10_0.20");
}

constexpr auto WriteBox = rice::test::WriteBoxShapefile;

TEST_F(ClassifyTest, ScriptedRunEndToEnd) {
    // 60 x 50 cells of 10 units from (250000, 2655000); two rice and two other classes.
    auto classes = samples::MakeSpectralClasses(4, 2, 2, 7);
    samples::FieldImageSpec spec;
    spec.icols = 60;
    spec.irows = 50;
    spec.fieldCols = 10;
    spec.fieldRows = 10;
    fs::create_directories(P("img"));
    fs::create_directories(P("maps"));
    fs::create_directories(P("cls"));
    fs::create_directories(P("out"));
    ASSERT_TRUE(rice::WriteLanImage(P("img/src.lan"), samples::MakeFieldImage(spec, classes).image));
    WriteBox(P("maps/p1.shp"), 250100, 2654600, 250300, 2654900);
    WriteBox(P("maps/p2.shp"), 250000, 2654500, 250200, 2654800);
    WriteBox(P("maps/P3.shp"), 250000, 2654500, 250200, 2654800);
    fs::rename(P("maps/P3.shp"), P("maps/P3.SHP"));
    fs::rename(P("maps/P3.shx"), P("maps/P3.SHX"));
    ASSERT_TRUE(rice::WriteFileAtomic(P("cls/infop1_Merge.gsg"), samples::ClassStatisticsText(classes)));

    // The image is picked in one folder, the parcel files in another.
    std::string script =
        "answer no\nmenu 32774\nmenu 32777\n"
        "file " + P("img/src.lan") + "\nclick 1011\n"
        "folder " + P("cls") + "\nclick 1010\n"
        "folder " + P("out") + "\nclick 1012\n"
        "file " + P("maps/p1.shp") + " ; " + P("maps/p2.shp") + " ; " + P("maps/P3.SHP") + "\nclick 1055\n"
        "set 1005 37\nset 1006 100\nclick 1\n";
    rice::RecordingInterpreter starts;
    auto run = [&](std::string& out) {
        rice::testing::WorkbenchRun r = rice::testing::RunWorkbench(script, P("config"), &starts);
        out = r.shown;
        EXPECT_EQ(r.errors, "");
        return r.status;
    };
    std::string out;
    EXPECT_EQ(run(out), 0);
    // The clip refuses the upper-case parcel file; nothing is classified over it.
    EXPECT_EQ(out, "[詢問] 是否先進行紋理影像處理？\n[Korvane] 錯誤類型0005" + P("maps/P3.SHP") + "\n");
    EXPECT_TRUE(rice::IsRegularFile(P("maps/p1.lan")));
    EXPECT_TRUE(rice::IsRegularFile(P("maps/p2.lan")));  // clipped though never classified
    auto classified = rice::ReadLanImage(P("out/p1_0.37_1.00.lan"));
    ASSERT_TRUE(classified);
    EXPECT_EQ(classified->header.nbands, 9);
    EXPECT_EQ(classified->header.icols, 20);
    EXPECT_EQ(classified->header.irows, 30);
    EXPECT_FALSE(fs::exists(P("out/p2_0.37_1.00.lan")));
    std::vector<std::string> outputs;
    for (auto& e : fs::directory_iterator(P("out"))) outputs.push_back(e.path().filename().string());
    EXPECT_EQ(outputs, (std::vector<std::string>{"p1_0.37_1.00.lan"}));
    // The log is in the current folder, which the parcel picker left in maps.
    const std::string line = "Open " + P("cls") + "/infop2_Merge.gsg Fail\r\n";
    EXPECT_EQ(rice::ReadWholeFile(P("maps/erlog.er")).value_or(""), line);
    EXPECT_EQ(starts.commands, (std::vector<std::string>{"arcgis.mxd"}));

    // A second run appends to the log.
    rice::SetCurrentFolder(folder());
    EXPECT_EQ(run(out), 0);
    EXPECT_EQ(rice::ReadWholeFile(P("maps/erlog.er")).value_or(""), line + line);
}

TEST_F(ClassifyTest, MissingSourceImageEndsTheProgram) {
    Touch("img/src.lan");
    fs::create_directories(P("out"));
    std::string script = "answer no\nmenu 32774\nmenu 32777\n"
                         "file " + P("img/src.lan") + "\nclick 1011\n"
                         "folder " + P("out") + "\nclick 1010\nfolder " + P("out") + "\nclick 1012\nclick 1\n";
    rice::RecordingInterpreter starts;
    const rice::testing::WorkbenchRun run = rice::testing::RunWorkbench(script, P("config"), &starts);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.shown, "[詢問] 是否先進行紋理影像處理？\n[Korvane] 原始Lan檔開啟錯誤! - src.lan\n");
    EXPECT_FALSE(fs::exists(P("out/erlog.er")));
}

}  // namespace
