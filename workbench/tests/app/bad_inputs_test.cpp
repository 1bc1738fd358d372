// Damaged inputs through the classification run and the threshold grid, driven by the
// scripted operator: each names the file, and the run goes on with the next parcel file
// where it may.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/script/operator.h"
#include "platform/testing/temp_folder.h"
#include "workbench/doc/KorvaneDoc.h"
#include "workbench/tests/app/workbench_run.h"
#include "workbench/engine/lan_image.h"
#include "workbench/tests/engine/test_util.h"

namespace {

namespace fs = std::filesystem;

class BadRunInputs : public rice::testing::InTempFolderTest {
protected:
    void SetUp() override { EmptyFolders(); }
    void EmptyFolders() {
        for (const char* f : {"shp", "lan", "cls", "out"}) {
            fs::remove_all(P(f));
            fs::create_directories(P(f));
        }
    }
    std::string P(const std::string& f) const { return dir_ + "/" + f; }
    // 40 x 30 cells of four bands from (1000, 2000).
    void Source(float xcell) {
        ASSERT_TRUE(rice::WriteLanImage(P("src.lan"), rice::test::FieldsImage(xcell)));
    }
    // Runs one document command under the script ("@" stands for the test's folder).
    std::string Run(void (CKorvaneDoc::*handler)(), std::string script, int* status = nullptr) {
        CKorvaneDoc doc;
        const rice::testing::WorkbenchRun r = rice::testing::RunDocumentCommand(doc, handler, std::move(script), dir_);
        if (status) *status = r.status;
        else EXPECT_EQ(r.status, 0) << r.errors;
        return r.shown;
    }
    const std::string dir_ = folder();
    const std::string stats_ = rice::test::FieldsStatistics();
};

// The first parcel file is damaged or its statistics are; the second is sound and must still
// be clipped and classified, by the classification run and by the threshold grid.
TEST_F(BadRunInputs, DamagedParcelFileIsNamedAndTheNextIsStillClassified) {
    struct Case {
        const char* what;
        float xcell;
        double box[4];        // the first parcel file's box
        double goodBox[4];    // the second one's
        bool statsFolder;     // the first one's merge-info path is a folder
        std::string classify;  // messages of the classification run
        std::string grid;      // messages of the threshold grid
    };
    const std::string bad = P("shp/bad.shp");
    const std::string tooLarge = "[Korvane] 裁切影像 7999992128 位元組，超過原始影像的 16 倍，不裁切此坵塊檔: " + bad + "\n";
    const std::string tiny = "[Korvane] 裁切影像 159998400132 位元組，超過原始影像的 16 倍，不裁切此坵塊檔: " + bad + "\n";
    // No clip: the classifier then finds no input, as after any failed clip.
    const std::string noInput = "[Korvane] 錯誤類型0001\n";
    const Case cases[] = {
        {"box reaching x = 1e9", 10, {1000, 1800, 1e9, 2000}, {1100, 1750, 1350, 1950}, false,
         tooLarge + noInput, tooLarge + noInput},
        {"cells of 0.001", 0.001f, {1000, 1800, 1200, 2000}, {1000.004, 1999.984, 1000.02, 1999.996}, false,
         tiny + noInput, tiny + noInput},
        // A box narrower than a cell: a clip and classified images of the header alone.
        {"zero-column clip", 10, {1021, 1900, 1029, 1950}, {1100, 1750, 1350, 1950}, false, "", ""},
        {"merge-info path is a folder", 10, {1000, 1800, 1200, 2000}, {1100, 1750, 1350, 1950}, true, "",
         "[Korvane] Open " + P("cls/infobad_Merge.gsg") + " Fail\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EmptyFolders();
        Source(c.xcell);
        rice::test::WriteBoxShapefile(bad, c.box[0], c.box[1], c.box[2], c.box[3]);
        rice::test::WriteBoxShapefile(P("shp/good.shp"), c.goodBox[0], c.goodBox[1], c.goodBox[2], c.goodBox[3]);
        // An earlier run's clip of the damaged file: never classified when this run's clip
        // of it is refused.
        fs::copy_file(P("src.lan"), P("lan/bad.lan"));
        const bool refused = !c.classify.empty() && c.classify.find("0001") != std::string::npos;
        if (c.statsFolder) fs::create_directories(P("cls/infobad_Merge.gsg"));
        else ASSERT_TRUE(rice::WriteFileAtomic(P("cls/infobad_Merge.gsg"), stats_));
        ASSERT_TRUE(rice::WriteFileAtomic(P("cls/infogood_Merge.gsg"), stats_));

        EXPECT_EQ(Run(&CKorvaneDoc::OnImageClassify,
                      "file @src.lan\nclick 1011\nfolder @cls\nclick 1010\nfolder @out\nclick 1012\n"
                      "file @shp/bad.shp ; @shp/good.shp\nclick 1055\nclick 1\n"),
                  c.classify);
        auto good = rice::ReadLanImage(P("out/good_0.00_0.00.lan"));
        ASSERT_TRUE(good);
        EXPECT_EQ(good->header.nbands, 9);
        EXPECT_EQ(rice::FileExists(P("out/bad_0.00_0.00.lan")), !refused && !c.statsFolder);
        EXPECT_GT(good->header.icols, 0);
        // The picker left the current folder in shp: the log is there.
        EXPECT_EQ(rice::ReadWholeFile(P("shp/erlog.er")).value_or(""),
                  c.statsFolder ? "Open " + P("cls/infobad_Merge.gsg") + " Fail\r\n" : "");

        int status = 0;
        EXPECT_EQ(Run(&CKorvaneDoc::OnThresholdCalc,
                      "file @src.lan\nclick 1010\nfolder @cls\nclick 1011\n"
                      "file @shp/good.shp ; @shp/bad.shp\nclick 1076\nclick 1\n",
                      &status),
                  c.grid);
        EXPECT_TRUE(rice::IsRegularFile(P("shp/good_0.10_0.10.lan")));
        if (refused) {
            EXPECT_FALSE(rice::FileExists(P("shp/bad_0.10_0.10.lan")));
        }
        // The grid ends the program at a merge-info file it cannot open, as it always did.
        EXPECT_EQ(status, c.statsFolder ? 1 : 0);
    }
}

// Operator files that a run's outputs could land on, and outputs that cannot be written. In
// each case the first parcel file (p1) is refused or its image not written, with a message
// naming the files; the second (good) is still clipped and classified, and no input changes.
TEST_F(BadRunInputs, RunsNeverReplaceTheirInputsAndNameWhatTheyCouldNotWrite) {
    const std::string p1 = P("shp/p1.shp");
    const std::string clip = P("lan/p1.lan");
    const std::string over = "[Korvane] 裁切影像 " + clip + " 會覆蓋此次執行的輸入檔，不裁切此坵塊檔: " + p1 + "\n";
    const std::string damaged = "[Korvane] 坵塊檔已損壞（.shx 的紀錄與 .shp 或 .dbf 不符），不處理此坵塊檔: " + p1 + "\n";
    const std::string noInput = "[Korvane] 錯誤類型0001\n";
    struct Case {
        const char* what;
        std::string source;                           // the source image the run picks
        std::function<void()> make;                   // after the source and the parcel files
        std::string classify, grid;                   // messages of each run
    };
    const Case cases[] = {
        // The layout of D/lan/p1.lan beside D/shp/p1.shp: the clip's path is the source.
        {"source at the clip's path", clip, [] {}, over + noInput, over + noInput},
        {"clip path a link to the source", P("src.lan"), [&] { fs::create_symlink(P("src.lan"), clip); },
         over + noInput, over + noInput},
        {"clip path a link to the statistics", P("src.lan"),
         [&] { fs::create_symlink(P("cls/infop1_Merge.gsg"), clip); }, over + noInput, over + noInput},
        {"clip path a link to the other parcel file", P("src.lan"),
         [&] { fs::create_symlink(P("shp/good.shp"), clip); }, over + noInput, over + noInput},
        // A record of the index beyond the end of the .shp.
        {"damaged index", P("src.lan"),
         [&] {
             std::string shx = rice::test::ReadBytes(P("shp/p1.shx"));
             shx[100] = '\x7f';  // the first record's offset, big-endian words
             ASSERT_TRUE(rice::WriteFileAtomic(P("shp/p1.shx"), shx));
         },
         damaged + noInput, damaged + noInput},
        // An index shorter than its header says, which shapelib itself refuses.
        {"truncated index", P("src.lan"),
         [&] { ASSERT_TRUE(rice::WriteFileAtomic(P("shp/p1.shx"), rice::test::ReadBytes(P("shp/p1.shx")).substr(0, 100))); },
         damaged + noInput, damaged + noInput},
        // A folder in the place of p1's classified images: the message names the file.
        {"output cannot be written", P("src.lan"),
         [&] {
             fs::create_directories(P("out/p1_0.00_0.00.lan"));
             fs::create_directories(P("shp/p1_0.10_0.10.lan"));
         },
         "[Korvane] 錯誤類型0003" + P("out/p1_0.00_0.00.lan") + "\n",
         "[Korvane] 錯誤類型0003" + P("shp/p1_0.10_0.10.lan") + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EmptyFolders();
        fs::remove(P("src.lan"));
        ASSERT_TRUE(rice::WriteLanImage(c.source, rice::test::FieldsImage(10)));
        rice::test::WriteBoxShapefile(p1, 1000, 1800, 1200, 2000);
        rice::test::WriteBoxShapefile(P("shp/good.shp"), 1100, 1750, 1350, 1950);
        ASSERT_TRUE(rice::WriteFileAtomic(P("cls/infop1_Merge.gsg"), stats_));
        ASSERT_TRUE(rice::WriteFileAtomic(P("cls/infogood_Merge.gsg"), stats_));
        c.make();
        auto inputs = [&] {
            std::string all;
            for (const std::string& f : {c.source, P("cls/infop1_Merge.gsg"), p1, P("shp/p1.shx"),
                                         P("shp/good.shp"), P("shp/good.shx")})
                all += rice::test::ReadBytes(f) + "|";
            return all;
        };
        const std::string before = inputs();

        EXPECT_EQ(Run(&CKorvaneDoc::OnImageClassify,
                      "file @" + c.source.substr(dir_.size() + 1) +
                          "\nclick 1011\nfolder @cls\nclick 1010\nfolder @out\nclick 1012\n"
                          "file @shp/p1.shp ; @shp/good.shp\nclick 1055\nclick 1\n"),
                  c.classify);
        EXPECT_TRUE(inputs() == before) << "an input changed";
        auto good = rice::ReadLanImage(P("out/good_0.00_0.00.lan"));
        ASSERT_TRUE(good);
        EXPECT_EQ(good->header.nbands, 9);

        EXPECT_EQ(Run(&CKorvaneDoc::OnThresholdCalc,
                      "file @" + c.source.substr(dir_.size() + 1) +
                          "\nclick 1010\nfolder @cls\nclick 1011\n"
                          "file @shp/p1.shp ; @shp/good.shp\nclick 1076\nclick 1\n"),
                  c.grid);
        EXPECT_TRUE(inputs() == before) << "an input changed";
        EXPECT_TRUE(rice::IsRegularFile(P("shp/good_0.10_0.10.lan")));
    }
}

// A source image whose header announces far more than its 128 bytes is refused as any
// unreadable source is: nothing clipped, no memory taken for the cells it claims.
TEST_F(BadRunInputs, SourceAnnouncingFarMoreCellsThanItHoldsIsRefused) {
    rice::LanHeader h;
    h.nbands = 2;
    h.icols = 100000;
    h.irows = 100000;
    h.xmap = 1000;
    h.ymap = 2000;
    h.xcell = h.ycell = 10;
    rice::LanHeaderBytes bytes = rice::EncodeLanHeader(h);
    ASSERT_TRUE(rice::WriteFileAtomic(P("src.lan"), std::string(bytes.begin(), bytes.end())));
    rice::test::WriteBoxShapefile(P("shp/s1.shp"), 1000, 1800, 1200, 2000);
    ASSERT_TRUE(rice::WriteFileAtomic(P("cls/infos1_Merge.gsg"), stats_));
    EXPECT_EQ(Run(&CKorvaneDoc::OnThresholdCalc,
                  "file @src.lan\nclick 1010\nfolder @cls\nclick 1011\nfile @shp/s1.shp\nclick 1076\nclick 1\n"),
              "[Korvane] " + P("src.lan") + "開啟失敗敗敗敗!\n");
    int status = 0;
    EXPECT_EQ(Run(&CKorvaneDoc::OnImageClassify,
                  "file @src.lan\nclick 1011\nfolder @cls\nclick 1010\nfolder @out\nclick 1012\n"
                  "file @shp/s1.shp\nclick 1055\nclick 1\n",
                  &status),
              "[Korvane] 原始Lan檔開啟錯誤! - src.lan\n");
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(rice::FileExists(P("lan/s1.lan")));
}

}  // namespace
