// The dialogs of the threshold grid, the signature merge and the listing formatter.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/core/exit.h"
#include "platform/core/paths.h"
#include "platform/script/operator.h"
#include "platform/testing/temp_folder.h"
#include "workbench/dialogs/BatchMLDlg.h"
#include "workbench/dialogs/ConvertDlg.h"
#include "workbench/dialogs/MergeClsInfoDlg.h"

namespace {

namespace fs = std::filesystem;

// Files in a fresh folder, named in scripts as @.
class SignatureDlgTest : public rice::testing::InTempFolderTest {
protected:
    void SetUp() override {
        fs::create_directories(dir_ + "/maps");
        fs::create_directories(dir_ + "/cls");
        for (const char* f : {"src.lan", "maps/s1.shp", "maps/s2.shp", "maps/s3.shp", "list.txt"})
            std::ofstream(dir_ + "/" + f) << "x";
    }
    std::string P(const std::string& f) const { return dir_ + "/" + f; }
    // Runs the dialog modally under the script; returns the message boxes shown.
    std::string Run(ui::Window& dlg, std::string script, int* result = nullptr) {
        for (size_t at; (at = script.find('@')) != std::string::npos;) script.replace(at, 1, dir_ + "/");
        std::ostringstream out, err;
        script::Operator op(script, "dlg.script", out, err);
        ui::ScopedUi scope(op);
        ui::SetAppTitle("Korvane");
        int r = -1;
        int status = rice::RunUntilExit([&] {
            r = op.RunModal(dlg);
            return 0;
        });
        EXPECT_EQ(status, 0) << err.str();
        if (result) *result = r;
        return out.str();
    }
    // Each script over a fresh dialog: the message boxes it shows and how the dialog ends.
    struct ScriptCase {
        const char* script;
        const char* out;
        int result;
    };
    template <class Dialog>
    void ExpectRuns(const std::vector<ScriptCase>& cases) {
        for (const auto& c : cases) {
            Dialog dlg;
            int result = 0;
            EXPECT_EQ(Run(dlg, c.script, &result), c.out) << c.script;
            EXPECT_EQ(result, c.result) << c.script;
        }
    }
    const std::string dir_ = folder();
};

TEST_F(SignatureDlgTest, BatchCombosStartOnTheFirstBound) {
    CBatchMLDlg dlg;
    int result = 0;
    EXPECT_EQ(Run(dlg, "answer yes\nclick 2\n"), "[Korvane] 確定離開程式?\n");
    for (int id : {1071, 1072, 1073, 1074}) {
        EXPECT_EQ(dlg.Item(id).items, (std::vector<std::string>{"0.1", "0.2", "0.3", "0.4", "0.5",
                                                                "0.6", "0.7", "0.8", "0.9", "1.0"}));
        EXPECT_EQ(dlg.Item(id).text, "0.1");
    }
    EXPECT_EQ(dlg.caption, "閾值計算");
    // All four on 0.1 is accepted once an image and a parcel file are there.
    CBatchMLDlg ok;
    EXPECT_EQ(Run(ok, "file @src.lan\nclick 1010\nfile @maps/s1.shp\nclick 1076\nclick 1\n", &result), "");
    EXPECT_EQ(result, ui::kOK);
    EXPECT_EQ(ok.m_lo1Text, "0.1");
    EXPECT_EQ(ok.m_hi2Text, "0.1");
    EXPECT_EQ(ok.m_imagePath, P("src.lan"));
}

TEST_F(SignatureDlgTest, BatchValidationOrder) {
    ExpectRuns<CBatchMLDlg>({
        // Only the second range is wrong: only its complaint; the missing inputs wait.
        {"set 1073 0.5\nset 1074 0.2\nclick 1\nset 1074 0.5\nclick 1\nanswer yes\nclick 2\n",
         "[Korvane] \\n水稻減非水稻上限大於下限，請重新選擇!!\\n\n"
         "[Korvane] \\n請重新選擇原始影像檔!!\\n請重新選擇坵塊影像檔\\n\n[Korvane] 確定離開程式?\n",
         ui::kCancel},
        {"set 1071 1.0\nset 1073 0.9\nclick 1\nanswer yes\nclick 2\n",
         "[Korvane] \\n最高分類機率上限大於下限，請重新選擇!!\\n水稻減非水稻上限大於下限，請重新選擇!!\\n\n"
         "[Korvane] 確定離開程式?\n",
         ui::kCancel},
        {"file @maps/s1.shp\nclick 1076\nclick 1\nanswer no\nclick 2\nfile @src.lan\nclick 1010\n"
         "set 1072 0.7\nset 1071 0.7\nclick 1\n",
         "[Korvane] \\n請重新選擇原始影像檔!!\\n\n[Korvane] 確定離開程式?\n", ui::kOK},
        // A cancelled image picker empties the image again.
        {"file @src.lan\nclick 1010\nfile cancel\nclick 1010\nfile @maps/s1.shp\nclick 1076\nclick 1\n"
         "answer yes\nclick 2\n",
         "[Korvane] \\n請重新選擇原始影像檔!!\\n\n[Korvane] 確定離開程式?\n", ui::kCancel},
    });
}

TEST_F(SignatureDlgTest, BatchParcelsPairWithTheFolderOfTheirAddition) {
    CBatchMLDlg dlg;
    std::string out = Run(dlg,
        "file @maps/s1.shp\nclick 1076\nfolder @cls\nclick 1011\n"
        "file @maps/s2.shp ; @maps/s3.shp\nclick 1076\nfile cancel\nclick 1076\n"
        "click 1014\nselect 1075 1\nclick 1014\nfile @src.lan\nclick 1010\nclick 1\n");
    EXPECT_EQ(out, "[Korvane] 請選取要移除的檔案!!\n");
    // Added before any folder: "/info..."; the second row removed from all lists.
    EXPECT_EQ(dlg.m_parcelPaths, (std::vector<std::string>{P("maps/s1.shp"), P("maps/s3.shp")}));
    EXPECT_EQ(dlg.m_mergeInfoPaths,
              (std::vector<std::string>{"/infos1_Merge.gsg", P("cls") + "/infos3_Merge.gsg"}));
    EXPECT_EQ(dlg.Item(1075).items, (std::vector<std::string>{"s1.shp", "s3.shp"}));
    EXPECT_EQ(dlg.m_lastSelection, (std::vector<std::string>{P("maps/s2.shp"), P("maps/s3.shp")}));
    EXPECT_EQ(dlg.m_infoFolder, P("cls"));
    EXPECT_EQ(dlg.Item(1008).text, P("cls"));
}

TEST_F(SignatureDlgTest, MergeDialogTexts) {
    ExpectRuns<CMergeClsInfoDlg>({
        {"click 1\nanswer yes\nclick 2\n",
         "[Korvane] \\n請選擇原始水稻分類資訊資料夾\\n請選擇原始非水稻分類資訊資料夾\\n"
         "請選擇合併後分類資訊儲存位置\\n\n[Korvane] 確定離開程式?\n",
         ui::kCancel},
        {"folder @cls\nclick 1010\nfolder @maps\nclick 1011\nfolder cancel\nclick 1012\nclick 1\n"
         "answer no\nclick 2\nfolder @\nclick 1012\nclick 1\n",
         "[Korvane] \\n請選擇合併後分類資訊儲存位置\\n\n[Korvane] 確定離開程式?\n", ui::kOK},
    });
    CMergeClsInfoDlg dlg;
    Run(dlg, "folder @cls\nclick 1010\nfolder @maps\nclick 1011\nfolder @\nclick 1012\nclick 1\n");
    EXPECT_EQ(dlg.m_riceFolder, P("cls"));
    EXPECT_EQ(dlg.m_nonRiceFolder, P("maps"));
    EXPECT_EQ(dlg.Item(1008).text, P("maps"));
    EXPECT_EQ(dlg.caption, "分類資訊批次格式化");
    // Yes on Cancel forgets the folders.
    Run(dlg, "answer yes\nclick 2\n");
    EXPECT_EQ(dlg.m_riceFolder, "");
    EXPECT_EQ(dlg.m_outputFolder, "");
}

TEST_F(SignatureDlgTest, ConvertDialogTexts) {
    CConvertDlg dlg;
    int result = 0;
    EXPECT_EQ(Run(dlg, "click 1\nfile @list.txt\nclick 1002\nclick 1\nfile @cls/out.txt\nclick 1003\n"
                       "answer no\nclick 2\nclick 1\n",
                  &result),
              "[Korvane] \\n請確認已選取分類資訊檔\\n請重新選擇儲存位置\\n\n"
              "[Korvane] \\n請重新選擇儲存位置\\n\n[Korvane] 確定要離開程式?\n");
    EXPECT_EQ(result, ui::kOK);
    EXPECT_EQ(dlg.m_sourceName, "list.txt");
    EXPECT_EQ(dlg.m_targetName, "out.txt");
    EXPECT_EQ(dlg.m_sourcePath, P("list.txt"));
    EXPECT_EQ(dlg.m_targetPath, P("cls/out.txt"));
    EXPECT_EQ(dlg.Item(1000).text, P("list.txt"));
    EXPECT_EQ(dlg.Item(1001).text, P("cls/out.txt"));
    // A cancelled picker empties its row; Yes on Cancel empties both names.
    CConvertDlg other;
    Run(other, "file @list.txt\nclick 1002\nfile cancel\nclick 1002\nanswer yes\nclick 2\n", &result);
    EXPECT_EQ(result, ui::kCancel);
    EXPECT_EQ(other.Item(1000).text, "");
    EXPECT_EQ(other.m_sourceName, "");
}

}  // namespace
