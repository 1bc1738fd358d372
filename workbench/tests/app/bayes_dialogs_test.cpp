#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/core/command.h"
#include "platform/core/encoding.h"
#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/script/operator.h"
#include "platform/testing/temp_folder.h"
#include "workbench/app/KorvaneApp.h"
#include "workbench/dialogs/ParamFileDlg.h"
#include "workbench/dialogs/ReNameDlg.h"
#include "workbench/dialogs/RuskelDlg.h"
#include "workbench/engine/lan_image.h"
#include "workbench/engine/param_files.h"
#include "workbench/tests/app/fake_programs.h"
#include "workbench/tests/app/workbench_run.h"

namespace rice {
namespace {

namespace fs = std::filesystem;
using testing_fakes::FakePrograms;

struct DialogRun {
    int status = -1;
    int result = -1;
    std::vector<std::string> shown;  // "[caption] text", line breaks as "\n"
    std::string err;
};

DialogRun RunDialog(ui::Window& dialog, const std::string& scriptText) {
    std::ostringstream out, err;
    script::Operator op(scriptText, "t.script", out, err);
    ui::ScopedUi scope(op);
    ui::SetAppTitle("Korvane");
    DialogRun r;
    r.status = RunUntilExit([&] {
        r.result = op.RunModal(dialog);
        return 0;
    });
    r.shown = op.Shown();
    r.err = err.str();
    return r;
}

std::string Shown(std::string text) { return "[Korvane] " + ReplaceAll(text, "\n", "\\n"); }

// A work area with folders A and B; the test starts in a third folder, so the parameter
// file can only land where the pickers leave the current folder.
class BayesDialogs : public testing::InTempFolderTest {
protected:
    void SetUp() override {
        fs::create_directories(dir_ + "/A");
        fs::create_directories(dir_ + "/B");
        fs::create_directories(dir_ + "/start");
        SetCurrentFolder(dir_ + "/start");
    }
    std::string P(const std::string& rel) const { return dir_ + "/" + rel; }
    void Put(const std::string& rel, const std::string& bytes = "x") const {
        fs::create_directories(fs::path(P(rel)).parent_path());
        std::ofstream(P(rel), std::ios::binary) << bytes;
    }
    std::string Get(const std::string& rel) const { return ReadWholeFile(P(rel)).value_or("<none>"); }
    const std::string dir_ = folder();
};

struct ParamCase {
    const char* name;
    std::function<std::unique_ptr<CParamFileDlg>()> make;
    std::string emptyComplaint;
    std::string picks;     // script lines that set every input (inputs in A, outputs in B)
    std::vector<std::string> files;  // files the open pickers need
    const char* paramFile;
    std::string bytes;     // the parameter file
    const char* program;
};

std::vector<ParamCase> ParamCases() {
    return {
        {"dravik", [] { return std::make_unique<CDravikDlg>(); },
         "\n請選擇轉為二分類之水稻機率\n請選擇第一時期各1/5000圖幅分類成果檔\n"
         "請選擇第二時期各1/5000圖幅分類成果檔\n請選擇第三時期各1/5000圖幅分類成果檔\n"
         "請選擇各1/5000圖幅水稻分佈機率檔\n請選擇分類成果儲存位置\n",
         "file @/A/p1.dat\nclick 1010\nfile @/A/p2.dat\nclick 1011\nfile @/A/p3.dat\nclick 1012\n"
         "file @/A/prob.txt\nclick 1013\nselect 1052 4\nfile @/B/result.dat\nclick 1053\n",
         {"A/p1.dat", "A/p2.dat", "A/p3.dat", "A/prob.txt"}, "fuzzy.txt",
         "p1.dat\r\np2.dat\r\np3.dat\r\nresult.dat\r\nprob.txt\r\n0.5\r\n", "dravik"},
        {"tolvex", [] { return std::make_unique<CTolvexDlg>(); },
         "\n請輸入NDVI最小值\n請輸入NDVI最大值\n請選擇1/5000圖幅之Ndvi檔\n"
         "請選擇1/5000圖幅之種植屬性檔\n請選擇全區NDVI影像\n請選擇水稻坵塊分佈頻率儲存位置\n"
         "請選擇NDVI指數分布成果儲存位置\n",
         "set 1039 abc\nset 1034 0.9\nfile @/A/ndvi.dat\nclick 1013\nfile @/A/cul.dat\nclick 1011\n"
         "file @/A/img.lan\nclick 1012\nfile @/B/stats.doc\nclick 1035\nfile @/B/freq\nclick 1031\n",
         {"A/ndvi.dat", "A/cul.dat", "A/img.lan"}, "hist.txt",
         "ndvi.dat\r\ncul.dat\r\nimg.lan\r\nfreq.doc\r\nabc\r\n0.9\r\nstats.doc\r\n1.6\r\n", "tolvex"},
        {"kappa", [] { return std::make_unique<CKappaDlg>(); },
         "\n請開啟全區二分類別分類數據檔請選擇精度分析成果儲存位置",
         "file @/A/data.dat\nclick 1010\nfile @/B/report.doc\nclick 1011\n", {"A/data.dat"},
         "kappaorder.txt", "data.dat\r\nreport.doc\r\n2\r\n", "pemrod"},
        {"yarnel", [] { return std::make_unique<CYarnelDlg>(); },
         "\n請輸入NDVI最小值\n請輸入NDVI最大值\n請選擇對應1/5000圖幅之ID編碼檔\n"
         "請選擇1/5000圖幅之種植屬性檔\n請選擇各1/5000圖幅影像NDVI值\n請選擇全區NDVI影像\n"
         "請選擇水稻坵塊分佈頻率儲存位置\n",
         "set 1059 0.1\nset 1058 0.8\nfile @/A/ids.dat\nclick 1010\nfile @/A/cul16.dat\nclick 1011\n"
         "file @/A/erd08.dat\nclick 1012\nfile @/A/全區.lan\nclick 1055\nfile @/B/res.doc\nclick 1057\n",
         {"A/ids.dat", "A/cul16.dat", "A/erd08.dat", "A/全區.lan"}, "stat.txt",
         "ids.dat\r\ncul16.dat\r\nerd08.dat\r\n" + Utf8ToCp950("全區.lan") + "\r\n0.1\r\n0.8\r\nres.doc\r\n1.6\r\n",
         "yarnel"},
    };
}

TEST_F(BayesDialogs, ParameterDialogsComplainThenWriteTheFileAndRunTheProgram) {
    for (const ParamCase& c : ParamCases()) {
        FakePrograms fakes;
        for (const auto& f : c.files) Put(f);
        auto dlg = c.make();
        // OK with nothing chosen, then everything chosen (outputs last, in folder B).
        DialogRun r = RunDialog(*dlg, "click 1\n" + ReplaceAll(c.picks, "@", dir_) + "click 1\n");
        ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_EQ(r.result, ui::kOK) << c.name;
        ASSERT_EQ(r.shown.size(), 1u) << c.name;
        EXPECT_EQ(r.shown[0], Shown(c.emptyComplaint)) << c.name;
        EXPECT_EQ(Get(std::string("B/") + c.paramFile), c.bytes) << c.name;
        EXPECT_FALSE(FileExists(P(std::string("A/") + c.paramFile))) << c.name;
        EXPECT_EQ(fakes.Calls(), std::vector<std::string>{c.program}) << c.name;
        EXPECT_EQ(fakes.WorkingFolder(c.program), P("B")) << c.name;
        EXPECT_EQ(fakes.Input(c.program), c.bytes) << c.name;
        fs::remove(P(std::string("B/") + c.paramFile));
    }
}

TEST_F(BayesDialogs, HistogramRunDeletesR4AndR5RegularFilesOfTheCurrentFolderAfterTheProgram) {
    FakePrograms fakes;
    for (const auto& f : {"A/ndvi.dat", "A/cul.dat", "A/img.lan", "A/r4keep.dat"}) Put(f);
    for (const auto& f : {"B/r4a.dat", "B/R5B.TXT", "B/r5", "B/r6.dat", "B/xr4.dat", "B/r4dir/in.dat"})
        Put(f);
    CTolvexDlg dlg;
    DialogRun r = RunDialog(dlg, ReplaceAll(ParamCases()[1].picks, "@", dir_) + "click 1\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(P("B"))) left.insert(e.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"hist.txt", "r6.dat", "xr4.dat", "r4dir"}));
    EXPECT_TRUE(FileExists(P("B/r4dir/in.dat")));
    EXPECT_TRUE(FileExists(P("A/r4keep.dat")));
}

TEST_F(BayesDialogs, PickerRulesAndCancel) {
    FakePrograms fakes;
    Put("A/p1.dat");
    CDravikDlg dlg;
    // A typed path is ignored; a cancelled re-pick empties the input; No keeps everything.
    DialogRun r = RunDialog(dlg, ReplaceAll("set 1007 @/A/p1.dat\nclick 1\n"
                                      "file @/A/p1.dat\nclick 1010\nfile cancel\nclick 1010\nclick 1\n"
                                      "file @/A/p1.dat\nclick 1010\nselect 1052 0\n"
                                      "answer no\nclick 2\nclick 1\nanswer yes\nclick 2\n",
                                      "@", dir_));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.result, ui::kCancel);
    const std::string p1 = "請選擇第一時期各1/5000圖幅分類成果檔\n";
    ASSERT_EQ(r.shown.size(), 5u);
    EXPECT_NE(r.shown[0].find(ReplaceAll(p1, "\n", "\\n")), std::string::npos);
    EXPECT_NE(r.shown[1].find(ReplaceAll(p1, "\n", "\\n")), std::string::npos);
    EXPECT_EQ(r.shown[2], Shown("確定離開程式?"));
    // After No the period-1 file and the threshold are still there.
    EXPECT_EQ(r.shown[3].find("請選擇第一時期"), std::string::npos);
    EXPECT_EQ(r.shown[3].find("請選擇轉為二分類之水稻機率"), std::string::npos);
    EXPECT_EQ(dlg.StoredName(0), "");  // emptied by Yes
    EXPECT_EQ(dlg.Item(1007).text, P("A/p1.dat"));
    EXPECT_TRUE(fakes.Calls().empty());
}

TEST_F(BayesDialogs, AParameterFileThatCannotBeWrittenKeepsTheDialogOpenAndRunsNothing) {
    FakePrograms fakes;
    Put("A/data.dat");
    fs::create_directory(P("B/kappaorder.txt"));
    CKappaDlg dlg;
    DialogRun r = RunDialog(dlg, ReplaceAll("file @/A/data.dat\nclick 1010\nfile @/B/report.doc\nclick 1011\n"
                                      "click 1\nanswer yes\nclick 2\n", "@", dir_));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.result, ui::kCancel);
    ASSERT_EQ(r.shown.size(), 2u);
    EXPECT_EQ(r.shown[0], Shown(FileErrorMessage("kappaorder.txt", EISDIR)));
    EXPECT_TRUE(fakes.Calls().empty());
}

TEST_F(BayesDialogs, GroupBoxColouring) {
    struct Case { std::function<std::unique_ptr<ui::Window>()> make; std::set<int> coloured; };
    const Case cases[] = {
        {[] { return std::make_unique<CDravikDlg>(); }, {1065, 1066, 1067, 1068}},
        {[] { return std::make_unique<CTolvexDlg>(); }, {1065, 1066, 1067, 1068, 1069, 1070}},
        {[] { return std::make_unique<CYarnelDlg>(); }, {1065, 1066, 1067, 1068, 1069, 1070}},
        {[] { return std::make_unique<CKappaDlg>(); }, {}},
        {[] { return std::make_unique<CRuskelDlg>(); }, {1065, 1066, 1067, 1068}},
    };
    for (const auto& c : cases) {
        auto w = c.make();
        w->OnInitDialog();
        std::set<int> coloured;
        for (const auto& ctl : w->Controls()) {
            if (!ctl->textColour) continue;
            coloured.insert(ctl->id);
            EXPECT_EQ(*ctl->textColour, ui::Rgb(58, 74, 226));
            EXPECT_EQ(ctl->font.name, "新細明體");
            EXPECT_EQ(ctl->kind, ui::Kind::GroupBox);
        }
        EXPECT_EQ(coloured, c.coloured) << w->caption;
    }
}

// ---- vector-to-raster ----

std::string LanWithOrigin(float x, float y, bool lineFeeds) {
    LanHeader h;
    h.nbands = 1;
    h.xmap = x;
    h.ymap = y;
    h.xcell = 8;
    LanHeaderBytes b = EncodeLanHeader(h);
    if (lineFeeds)
        for (int i : {0, 9, 16, 50, 111}) b[size_t(i)] = 10;
    return std::string(b.begin(), b.end());
}

TEST_F(BayesDialogs, RuskelWritesLumbekForBothPixelSizesAndRewritesForTheFineOne) {
    struct Case { const char* what; const char* sizeAction; std::string lumbek4; bool rewrite; };
    const Case cases[] = {
        {"8.0", "", "8.0 8.0", false},
        {"1.6 in X", "select 1062 1\n", "1.5999999 1.5999999", true},
        {"1.6 in Y moves X", "select 1063 1\n", "1.5999999 1.5999999", true},
    };
    for (const auto& c : cases) {
        FakePrograms fakes("K123 45\r\n\r\nK124\r\n");
        Put("A/sat.lan", LanWithOrigin(250, 270, true));
        Put("A/corner.txt");
        fs::create_directories(P("maps"));
        fs::remove(P("B/ids.dat"));
        CRuskelDlg dlg;
        DialogRun r = RunDialog(dlg, ReplaceAll("click 1\nfile @/A/sat.lan\nclick 1014\nfile @/A/corner.txt\n"
                                          "click 1010\nfolder @/maps\nclick 1016\n" +
                                              std::string(c.sizeAction) +
                                              "file @/B/Temp.dat\nclick 1011\nfile @/B/erd08.dat\n"
                                              "click 1012\nclick 1\n",
                                          "@", dir_));
        ASSERT_EQ(r.status, 0) << c.what << ": " << r.err;
        EXPECT_EQ(r.result, ui::kOK);
        ASSERT_EQ(r.shown.size(), 1u) << c.what;
        EXPECT_EQ(r.shown[0], Shown("\n請選擇衛星影像檔\n請選擇四角座標檔\n請選擇暫存檔儲存位置\n"
                                    "請選擇輸出檔儲存位置\n"));
        EXPECT_EQ(dlg.Item(1062).selected, dlg.Item(1063).selected) << c.what;
        EXPECT_EQ(Get("B/lumbek.txt"), "corner.txt\r\nTemp.dat\r\nerd08.dat\r\n" + c.lumbek4 +
                                           "\r\n250.000000 270.000000\r\n")
            << c.what;
        EXPECT_EQ(fakes.Calls(), std::vector<std::string>{"ruskel"});
        EXPECT_EQ(fakes.WorkingFolder("ruskel"), P("B"));
        EXPECT_EQ(fakes.Input("ruskel"), Get("B/lumbek.txt"));
        std::string folder = Utf8ToCp950(P("maps"));
        if (c.rewrite) {
            EXPECT_EQ(Get("B/erd08.dat"), folder + "/c123 45\r\n" + folder + "/cK124\r\n") << c.what;
            EXPECT_EQ(Get("B/ids.dat"), folder + "/a123 45\r\n" + folder + "/aK124\r\n") << c.what;
        } else {
            EXPECT_EQ(Get("B/erd08.dat"), "K123 45\r\n\r\nK124\r\n") << c.what;
            EXPECT_FALSE(FileExists(P("B/ids.dat")));
        }
        EXPECT_FALSE(FileExists(P("B/tempfile.txt")));
    }
}

TEST_F(BayesDialogs, RuskelPickerRules) {
    FakePrograms fakes;
    Put("A/sat.lan", LanWithOrigin(1, 2, false));
    Put("A/short.lan", std::string(100, '\0'));
    Put("A/corner.txt");
    CRuskelDlg dlg;
    // An image shorter than its header, a cancelled re-pick of a good one, a cancelled
    // temporary-file picker: each leaves its input unset.
    DialogRun r = RunDialog(dlg, ReplaceAll("file @/A/short.lan\nclick 1014\nclick 1\n"
                                      "file @/A/sat.lan\nclick 1014\nfile cancel\nclick 1014\n"
                                      "file cancel\nclick 1011\nfolder cancel\nclick 1016\n"
                                      "file @/A/corner.txt\nclick 1010\nfile @/B/out.dat\nclick 1012\n"
                                      "click 1\nanswer yes\nclick 2\n", "@", dir_));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.shown.size(), 4u);
    EXPECT_NE(r.shown[0].find(P("A/short.lan")), std::string::npos) << r.shown[0];
    EXPECT_EQ(r.shown[1], Shown("\n請選擇衛星影像檔\n請選擇四角座標檔\n請選擇暫存檔儲存位置\n"
                                "請選擇輸出檔儲存位置\n"));
    EXPECT_EQ(r.shown[2], Shown("\n請選擇衛星影像檔\n請選擇暫存檔儲存位置\n"));
    EXPECT_EQ(dlg.Item(1008).text, "Temp.dat");
    EXPECT_EQ(dlg.Item(1013).text, "");
    EXPECT_EQ(dlg.m_mapX, 1);  // kept from the good image
    EXPECT_EQ(dlg.m_mapY, 2);
    EXPECT_TRUE(fakes.Calls().empty());
}

// ---- renamer ----

TEST_F(BayesDialogs, RenamerRunsTheWalkAndWritesTheList) {
    Put("R/A1234/A1234.shp");
    Put("R/A1234/notes.txt");
    Put("R/A1234/info/info.txt");
    Put("R/X12/Y34/Y34.shp");
    Put("R/B/keep.txt");
    Put("L/list.txt", "old list that is longer\r\n");
    CReNameDlg dlg;
    DialogRun r = RunDialog(dlg, ReplaceAll("folder cancel\nclick 1010\nclick 1\n"
                                      "folder @/R\nclick 1010\nfile @/L/list.txt\nclick 1011\nclick 1\n",
                                      "@", dir_));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.result, ui::kOK);
    const std::string warning = "[請確認已選擇正確圖檔目錄!] 確認選擇正確的圖檔目錄了嗎?!\\n"
                                "否則，將引起因修改非圖檔目錄名稱不可預期之系統問題!";
    EXPECT_EQ(r.shown, (std::vector<std::string>{warning, Shown("error!"), warning}));
    EXPECT_EQ(Get("L/list.txt"), "A234\r\nB\r\nY4\r\nX2\r\n");
    EXPECT_TRUE(FileExists(P("R/A234/A234.shp")));
    EXPECT_TRUE(FileExists(P("R/A234/info/info.txt")));
    EXPECT_TRUE(FileExists(P("R/X2/Y4/Y4.shp")));
    EXPECT_TRUE(FileExists(P("R/B/keep.txt")));
}

TEST_F(BayesDialogs, RenamerNamesRenamesThatCouldNotBeMadeAndListsOnlyTheOthers) {
    Put("R/C12/x.txt");
    Put("R/C2/y.txt");
    Put("L/list.txt");
    CReNameDlg dlg;
    DialogRun r = RunDialog(dlg, ReplaceAll("folder @/R\nclick 1010\nfile @/L/list.txt\nclick 1011\nclick 1\n",
                                      "@", dir_));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.shown.size(), 2u);
    EXPECT_NE(r.shown[1].find(P("R/C12") + " -> C2"), std::string::npos) << r.shown[1];
    EXPECT_EQ(Get("L/list.txt"), "C\r\n");
    EXPECT_TRUE(FileExists(P("R/C12/x.txt")));
    EXPECT_TRUE(FileExists(P("R/C/y.txt")));
}

TEST_F(BayesDialogs, RenamerWithAListFileThatCannotBeOpenedRenamesNothing) {
    Put("R/D12/D12.shp");
    // A program that is running cannot be opened for writing: run a copy of sleep as the
    // list file.
    fs::create_directories(P("L"));
    fs::copy_file("/bin/sleep", P("L/busy.txt"));
    pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(P("L/busy.txt").c_str(), "busy.txt", "30", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    // Wait until the child runs the copy (its executable is no longer the test's).
    std::string exe = "/proc/" + std::to_string(pid) + "/exe";
    for (int i = 0; i < 500 && fs::read_symlink(exe).string() != P("L/busy.txt"); ++i) ::usleep(2000);
    CReNameDlg dlg;
    DialogRun r = RunDialog(dlg, ReplaceAll("folder @/R\nclick 1010\nfile @/L/busy.txt\nclick 1011\n"
                                            "click 1\nanswer yes\nclick 2\n", "@", dir_));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.result, ui::kCancel);
    ASSERT_EQ(r.shown.size(), 3u);
    EXPECT_EQ(r.shown[1], Shown(FileErrorMessage("busy.txt", ETXTBSY)));
    EXPECT_EQ(r.shown[2], Shown("確定離開程式?"));
    EXPECT_TRUE(FileExists(P("R/D12/D12.shp")));
}

// ---- from the workbench's menu ----

TEST_F(BayesDialogs, TheBayesianCommandsRunFromTheWorkbench) {
    FakePrograms fakes;
    for (const auto& f : {"A/p1.dat", "A/ndvi.dat", "A/cul.dat", "A/img.lan", "A/data.dat",
                          "A/ids.dat", "A/cul16.dat", "A/erd08.dat", "A/corner.txt", "L/list.txt",
                          "R/S12/S12.shp"})
        Put(f);
    Put("A/sat.lan", LanWithOrigin(10, 20, false));
    std::string script =
        "menu 32831\n"
        "menu 32799\nfile @/A/p1.dat\nclick 1010\nfile @/A/p1.dat\nclick 1011\nfile @/A/p1.dat\nclick 1012\n"
        "file @/A/p1.dat\nclick 1013\n"
        "file @/B/m.dat\nclick 1053\nselect 1052 8\nclick 1\n"
        "menu 32797\nset 1039 0.1\nset 1034 0.2\nfile @/A/ndvi.dat\nclick 1013\nfile @/A/cul.dat\n"
        "click 1011\nfile @/A/img.lan\nclick 1012\nfile @/B/f.doc\nclick 1031\nfile @/B/s.doc\n"
        "click 1035\nclick 1\n"
        "menu 32842\nfile @/A/data.dat\nclick 1010\nfile @/B/k.doc\nclick 1011\nclick 1\n"
        "menu 32798\nset 1059 1\nset 1058 2\nfile @/A/ids.dat\nclick 1010\nfile @/A/cul16.dat\n"
        "click 1011\nfile @/A/erd08.dat\nclick 1012\nfile @/A/img.lan\nclick 1055\n"
        "file @/B/y.doc\nclick 1057\nclick 1\n"
        "menu 32796\nfile @/A/sat.lan\nclick 1014\nfile @/A/corner.txt\nclick 1010\n"
        "file @/B/t.dat\nclick 1011\nfile @/B/out.dat\nclick 1012\nclick 1\n"
        "menu 32829\nfolder @/R\nclick 1010\nfile @/L/list.txt\nclick 1011\nclick 1\n";
    const testing::WorkbenchRun run = testing::RunWorkbench(ReplaceAll(script, "@", dir_), P("config"));
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(fakes.Calls(), (std::vector<std::string>{"dravik", "tolvex", "pemrod", "yarnel", "ruskel"}));
    EXPECT_EQ(Get("B/fuzzy.txt"), "p1.dat\r\np1.dat\r\np1.dat\r\nm.dat\r\np1.dat\r\n0.9\r\n");
    EXPECT_EQ(Get("B/kappaorder.txt"), "data.dat\r\nk.doc\r\n2\r\n");
    EXPECT_EQ(Get("B/lumbek.txt"), "corner.txt\r\nt.dat\r\nout.dat\r\n8.0 8.0\r\n10.000000 20.000000\r\n");
    EXPECT_TRUE(FileExists(P("B/hist.txt")));
    EXPECT_TRUE(FileExists(P("B/stat.txt")));
    EXPECT_EQ(Get("L/list.txt"), "S2\r\n");
    EXPECT_TRUE(FileExists(P("R/S2/S2.shp")));
}

}  // namespace
}  // namespace rice
