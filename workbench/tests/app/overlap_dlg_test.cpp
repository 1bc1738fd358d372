#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/core/exit.h"
#include "platform/core/paths.h"
#include "platform/script/operator.h"
#include "platform/testing/temp_folder.h"
#include "workbench/dialogs/OverlapDlg.h"

namespace {

namespace fs = std::filesystem;

struct DlgRun {
    COverlapDlg dlg;
    int result = -1;
    int status = -1;
    std::string out, err;
};

// Files a.lan, b.lan, c.lan, s1.shp, s2.shp, s3.shp in a fresh folder, named in scripts as @.
class OverlapDlgTest : public rice::testing::InTempFolderTest {
protected:
    void SetUp() override {
        for (const char* f : {"a.lan", "b.lan", "c.lan", "s1.shp", "s2.shp", "s3.shp"})
            std::ofstream(dir_ + "/" + f) << "x";
    }
    std::string P(const std::string& f) const { return dir_ + "/" + f; }
    void Run(std::string script, DlgRun& r) {
        for (size_t at; (at = script.find('@')) != std::string::npos;)
            script.replace(at, 1, dir_ + "/");
        std::ostringstream out, err;
        script::Operator op(script, "dlg.script", out, err);
        ui::ScopedUi scope(op);
        ui::SetAppTitle("Korvane");
        r.status = rice::RunUntilExit([&] {
            r.result = op.RunModal(r.dlg);
            return 0;
        });
        r.out = out.str();
        r.err = err.str();
    }
    const std::string dir_ = folder();
};

TEST_F(OverlapDlgTest, BrowseAppendsInOrderAndCancelChangesNothing) {
    DlgRun r;
    Run("file @b.lan ; @a.lan\nclick 1010\nfile @c.lan\nclick 1010\nfile cancel\nclick 1010\n"
        "file @s2.shp ; @s2.shp\nclick 1012\nclick 1\n",
        r);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.result, ui::kOK);
    EXPECT_EQ(r.dlg.m_lanPaths, (std::vector<std::string>{P("b.lan"), P("a.lan"), P("c.lan")}));
    EXPECT_EQ(r.dlg.m_lanSelection, (std::vector<std::string>{P("c.lan")}));
    EXPECT_EQ(r.dlg.Item(1024).items, (std::vector<std::string>{"b.lan", "a.lan", "c.lan"}));
    // The same file twice is listed twice.
    EXPECT_EQ(r.dlg.m_parcelPaths, (std::vector<std::string>{P("s2.shp"), P("s2.shp")}));
    EXPECT_EQ(r.dlg.Item(1025).items, (std::vector<std::string>{"s2.shp", "s2.shp"}));
    EXPECT_EQ(r.out, "");
}

TEST_F(OverlapDlgTest, ListRowsOfPaths) {
    struct Case { const char* path; const char* row; };
    const Case cases[] = {{"/d/x.lan", "x.lan"},     {"/d/x.y.lan", "x.y.lan"},
                          {"/d.e/noext", ".lan"},    {"plain.LAN", "plain.lan"},
                          {"/d/.hidden", ".lan"}};
    for (const auto& c : cases) EXPECT_EQ(COverlapDlg::ListItemOf(c.path, ".lan"), c.row) << c.path;
}

TEST_F(OverlapDlgTest, RemoveKeepsListAndPathsInStep) {
    DlgRun r;
    Run("file @s1.shp ; @s2.shp ; @s3.shp\nclick 1012\nselect 1025 1\nclick 1011\n"
        "click 1013\nfile @a.lan\nclick 1010\nclick 1\n",
        r);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.dlg.m_parcelPaths, (std::vector<std::string>{P("s1.shp"), P("s3.shp")}));
    EXPECT_EQ(r.dlg.Item(1025).items, (std::vector<std::string>{"s1.shp", "s3.shp"}));
    // Remove with no image selected.
    EXPECT_EQ(r.out, "[Korvane] 請選取要移除的檔案!!\n");
}

TEST_F(OverlapDlgTest, OkNamesEveryEmptyListAndStaysOpen) {
    struct Case { const char* script; const char* out; int result; };
    const Case cases[] = {
        {"click 1\nanswer yes\nclose\n",
         "[Korvane] \\n請重新選擇分類後影像檔\\n請重新選擇坵塊影像檔\\n\n"
         "[Korvane] 確定離開程式?\n",
         ui::kCancel},
        {"file @a.lan\nclick 1010\nclick 1\nanswer yes\nclick 2\n",
         "[Korvane] \\n請重新選擇坵塊影像檔\\n\n[Korvane] 確定離開程式?\n", ui::kCancel},
        {"file @a.lan\nclick 1010\nfile @s1.shp\nclick 1012\nclick 1\n", "", ui::kOK},
    };
    for (const auto& c : cases) {
        DlgRun r;
        Run(c.script, r);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.out) << c.script;
        EXPECT_EQ(r.result, c.result) << c.script;
    }
}

TEST_F(OverlapDlgTest, CancelAsksAndYesEmptiesEverything) {
    DlgRun r;
    Run("file @a.lan\nclick 1010\nfile @s1.shp\nclick 1012\nanswer no\nclick 2\n"
        "answer yes\nclick 2\n",
        r);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.result, ui::kCancel);
    EXPECT_EQ(r.out, "[Korvane] 確定離開程式?\n[Korvane] 確定離開程式?\n");
    EXPECT_TRUE(r.dlg.m_lanPaths.empty());
    EXPECT_TRUE(r.dlg.m_parcelPaths.empty());
    EXPECT_TRUE(r.dlg.m_lanSelection.empty());
    EXPECT_TRUE(r.dlg.m_parcelSelection.empty());
}

}  // namespace
