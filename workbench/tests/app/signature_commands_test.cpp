// The document's signature merge, listing formatter and threshold grid commands, driven by
// the scripted operator.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/script/operator.h"
#include "platform/testing/temp_folder.h"
#include "samples/signature_samples.h"
#include "workbench/doc/KorvaneDoc.h"
#include "workbench/tests/app/workbench_run.h"
#include "workbench/tests/engine/test_util.h"
#include "workbench/engine/lan_image.h"

namespace {

namespace fs = std::filesystem;

class SignatureCommandTest : public rice::testing::InTempFolderTest {
protected:
    std::string P(const std::string& f) const { return dir_ + "/" + f; }
    void Write(const std::string& f, const std::string& bytes) {
        fs::create_directories(fs::path(P(f)).parent_path());
        ASSERT_TRUE(rice::WriteFileAtomic(P(f), bytes));
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (auto& e : fs::recursive_directory_iterator(dir_))
            if (e.is_regular_file()) names.push_back(fs::relative(e.path(), dir_).string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Runs one document command under the script; returns the message boxes shown.
    std::string Run(void (CKorvaneDoc::*handler)(), std::string script, int* status = nullptr) {
        const rice::testing::WorkbenchRun r = rice::testing::RunDocumentCommand(doc_, handler, std::move(script), dir_);
        if (status) *status = r.status;
        else EXPECT_EQ(r.status, 0) << r.errors;
        return r.shown;
    }
    CKorvaneDoc doc_;
    const std::string dir_ = folder();
};

samples::SignatureClass Class(int bands, double base) {
    samples::SignatureClass c;
    for (int b = 0; b < bands; ++b) c.mean.push_back(base + 3 * b);
    for (int r = 0; r < bands; ++r)
        for (int col = 0; col < bands; ++col) c.cov.push_back(r == col ? 30.0 + r : 1.5);
    return c;
}

std::vector<samples::SignatureClass> Classes(int n, int bands, double base) {
    std::vector<samples::SignatureClass> v;
    for (int k = 0; k < n; ++k) v.push_back(Class(bands, base + 4 * k));
    return v;
}

TEST_F(SignatureCommandTest, MergeRunsPerSheetAndForgetsEarlierRuns) {
    ASSERT_TRUE(samples::WriteSheetSignatures(P("a"), "S1", Classes(3, 4, 40), Classes(5, 4, 120)));
    ASSERT_TRUE(samples::WriteSheetSignatures(P("b"), "S2", Classes(2, 4, 50), Classes(2, 4, 130)));
    fs::create_directories(P("out1"));
    fs::create_directories(P("out2"));
    const char* script =
        "folder @%s/rice\nclick 1010\nfolder @%s/nonrice\nclick 1011\nfolder @%s\nclick 1012\nclick 1\n";
    char buf[512];
    std::snprintf(buf, sizeof buf, script, "a", "a", "out1");
    EXPECT_EQ(Run(&CKorvaneDoc::OnMergeClassInfo, buf), "");
    std::snprintf(buf, sizeof buf, script, "b", "b", "out2");
    EXPECT_EQ(Run(&CKorvaneDoc::OnMergeClassInfo, buf), "");
    EXPECT_EQ(doc_.m_riceGsgFiles, (std::vector<std::string>{P("b/rice/infoS2.gsg")}));
    EXPECT_EQ(Files(), (std::vector<std::string>{"a/nonrice/infoS1.gsg", "a/rice/infoS1.gsg",
                                                 "b/nonrice/infoS2.gsg", "b/rice/infoS2.gsg",
                                                 "out1/infoS1_Merge.gsg", "out2/infoS2_Merge.gsg"}));
    std::string merged = *rice::ReadWholeFile(P("out1/infoS1_Merge.gsg"));
    EXPECT_EQ(merged.substr(0, 7), "10\r\n4\r\n");
    // Cancel ends the command without a run.
    EXPECT_EQ(Run(&CKorvaneDoc::OnMergeClassInfo, "answer yes\nclick 2\n"), "[Korvane] 確定離開程式?\n");
}

TEST_F(SignatureCommandTest, ListingFormattedByFullPathsAndLeftAlone) {
    std::string listing = samples::ListingText("eight bands", Classes(2, 8, 60));
    Write("lists/stats.txt", listing);
    fs::create_directories(P("results"));
    // The save picker leaves the current folder in "results": the source is still found.
    EXPECT_EQ(Run(&CKorvaneDoc::OnClassInfoFormat,
                  "file @lists/stats.txt\nclick 1002\nfile @results/stats.txt\nclick 1003\nclick 1\n"),
              "");
    EXPECT_EQ(rice::CurrentFolder(), P("results"));
    EXPECT_EQ(*rice::ReadWholeFile(P("lists/stats.txt")), listing);
    EXPECT_EQ(doc_.m_bandCount, 8);
    EXPECT_EQ(Files(), (std::vector<std::string>{"lists/stats.txt", "results/stats.txt"}));
    std::string out = *rice::ReadWholeFile(P("results/stats.txt"));
    EXPECT_EQ(out.substr(0, 6), "2\r\n8\r\n");
    EXPECT_NE(out.find("\r\n30.0000 1.5000 1.5000 1.5000 1.5000 1.5000 1.5000 1.5000\r\n"), std::string::npos);
}

TEST_F(SignatureCommandTest, UnusableListingEndsTheProgram) {
    std::string good = samples::ListingText("x", Classes(2, 3, 60));
    struct Case { const char* name; std::string text; };
    const Case cases[] = {
        {"class count 0", good.substr(0, good.find("Number of classes:") + 20) + " 0" +
                              good.substr(good.find("\r\n", good.find("Number of classes:")))},
        {"truncated", good.substr(0, good.size() / 2)},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        Write("in.txt", c.text);
        int status = 0;
        EXPECT_EQ(Run(&CKorvaneDoc::OnClassInfoFormat,
                      "file @in.txt\nclick 1002\nfile @out.txt\nclick 1003\nclick 1\n", &status),
                  "[Korvane] Open File fail!\n")
            << c.name;
        EXPECT_EQ(status, 1) << c.name;
        EXPECT_FALSE(rice::FileExists(P("out.txt"))) << c.name;
        EXPECT_EQ(*rice::ReadWholeFile(P("in.txt")), c.text) << c.name;
    }
}

// A parcel shapefile whose box is (x0, y0) - (x1, y1).
void WriteParcels(const std::string& stem, double x0, double y0, double x1, double y1) {
    fs::create_directories(fs::path(stem).parent_path());
    rice::test::WriteBoxShapefile(stem, x0, y0, x1, y1);
}

class GridCommandTest : public SignatureCommandTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(rice::WriteLanImage(P("src.lan"), rice::test::FieldsImage(10)));
        WriteParcels(P("shp/s1"), 1000, 1800, 1200, 2000);
        WriteParcels(P("shp/s2"), 1100, 1750, 1350, 1950);
        fs::create_directories(P("lan"));
        fs::create_directories(P("cls"));
    }
    const std::string stats_ = rice::test::FieldsStatistics();
};

TEST_F(GridCommandTest, GridOverTwoParcelFiles) {
    Write("cls/infos1_Merge.gsg", stats_);
    Write("cls/infos2_Merge.gsg", stats_);
    EXPECT_EQ(Run(&CKorvaneDoc::OnThresholdCalc,
                  "file @src.lan\nclick 1010\nfolder @cls\nclick 1011\n"
                  "file @shp/s1.shp ; @shp/s2.shp\nclick 1076\nset 1072 0.2\nclick 1\n"),
              "");
    std::vector<std::string> files = Files();
    std::vector<std::string> outputs;
    for (const auto& f : files)
        if (f.find("_0.") != std::string::npos) outputs.push_back(f);
    EXPECT_EQ(outputs, (std::vector<std::string>{"shp/s1_0.10_0.10.lan", "shp/s1_0.15_0.10.lan",
                                                 "shp/s1_0.20_0.10.lan", "shp/s2_0.10_0.10.lan",
                                                 "shp/s2_0.15_0.10.lan", "shp/s2_0.20_0.10.lan"}));
    EXPECT_EQ(doc_.m_thresholdPairCount, 3);
    EXPECT_EQ(doc_.m_thr1Upper, 0.2);
    EXPECT_EQ(doc_.m_gridOutputPath, P("shp/s2_0.20_0.10.lan"));
    EXPECT_EQ(doc_.m_gridInputImage, P("lan/s2.lan"));
    EXPECT_EQ(doc_.m_gridStatsFile, P("cls/infos2_Merge.gsg"));
    EXPECT_EQ(rice::ReadWholeFile(P("shp/s1_0.15_0.10.lan"))->size(), 128u + 9 * 20 * 20);
}

TEST_F(GridCommandTest, MissingMergeInfoEndsTheProgramAfterWhatWasWritten) {
    Write("cls/infos1_Merge.gsg", stats_);
    int status = 0;
    EXPECT_EQ(Run(&CKorvaneDoc::OnThresholdCalc,
                  "file @src.lan\nclick 1010\nfolder @cls\nclick 1011\n"
                  "file @shp/s1.shp ; @shp/s2.shp\nclick 1076\nset 1072 1.0\nset 1074 1.0\nclick 1\n",
                  &status),
              "[Korvane] Open " + P("cls/infos2_Merge.gsg") + " Fail\n");
    EXPECT_EQ(status, 1);
    std::vector<std::string> files = Files();
    std::vector<std::string> outputs;
    for (const auto& f : files)
        if (f.find(".lan") != std::string::npos) outputs.push_back(f);
    // Both clips, then the first parcel file's first pair only.
    EXPECT_EQ(outputs, (std::vector<std::string>{"lan/s1.lan", "lan/s2.lan", "shp/s1_0.10_0.10.lan", "src.lan"}));
    EXPECT_EQ(doc_.m_thresholdPairCount, 19 * 19);
}

TEST_F(GridCommandTest, SourceThatCannotBeReadEndsOnlyTheCommand) {
    Write("cls/infos1_Merge.gsg", stats_);
    Write("bad.lan", "short");
    EXPECT_EQ(Run(&CKorvaneDoc::OnThresholdCalc,
                  "file @bad.lan\nclick 1010\nfile @shp/s1.shp\nclick 1076\nclick 1\n"),
              "[Korvane] " + P("bad.lan") + "開啟失敗敗敗敗!\n");
    EXPECT_FALSE(rice::FileExists(P("lan/s1.lan")));
}

TEST_F(GridCommandTest, ParcelPathWithoutShpIsLeftOutOfTheGrid) {
    WriteParcels(P("maps/UP"), 1000, 1800, 1200, 2000);
    fs::rename(P("maps/UP.shp"), P("maps/UP.SHP"));
    Write("cls/infoUP_Merge.gsg", stats_);
    Write("cls/infos1_Merge.gsg", stats_);
    EXPECT_EQ(Run(&CKorvaneDoc::OnThresholdCalc,
                  "file @src.lan\nclick 1010\nfolder @cls\nclick 1011\n"
                  "file @maps/UP.SHP ; @shp/s1.shp\nclick 1076\nclick 1\n"),
              "[Korvane] 錯誤類型0005" + P("maps/UP.SHP") + "\n");
    std::vector<std::string> files = Files();
    EXPECT_NE(std::find(files.begin(), files.end(), "shp/s1_0.10_0.10.lan"), files.end());
    EXPECT_EQ(std::count_if(files.begin(), files.end(),
                            [](const std::string& f) { return f.rfind("maps/", 0) == 0; }),
              2);  // UP.SHP and UP.shx untouched, nothing added beside them
}

}  // namespace
