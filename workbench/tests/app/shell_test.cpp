#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/core/command.h"
#include "platform/core/exit.h"
#include "platform/script/operator.h"
#include "platform/testing/temp_folder.h"
#include "workbench/app/KorvaneApp.h"
#include "workbench/app/KorvaneView.h"
#include "workbench/app/MainFrame.h"
#include "workbench/app/resource.h"
#include "workbench/doc/KorvaneDoc.h"

namespace {

namespace fs = std::filesystem;

// Runs the workbench under a script with a recording interpreter; settings in a temp folder.
struct Shell {
    explicit Shell(const std::string& script, std::vector<std::string> args = {}) {
        ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
        rice::SetInterpreter(&starts);
        script::Operator op(script, "s.script", out, err);
        ui::ScopedUi scope(op);
        status = rice::RunUntilExit([&] {
            if (!app.InitInstance(args)) return 1;
            return app.Run();
        });
        rice::SetInterpreter(nullptr);
        ::unsetenv("XDG_CONFIG_HOME");
    }
    CMainFrame& frame() { return *app.MainFrame(); }

    rice::testing::TempFolder config{"settings"};
    rice::RecordingInterpreter starts;
    std::ostringstream out, err;
    CKorvaneApp app;
    int status = -1;
};

std::vector<std::string> TopMenus(const ui::Menu& m) {
    std::vector<std::string> t;
    for (const auto& i : m.items) t.push_back(i.text);
    return t;
}

TEST(Shell, StatesAfterCommandSequences) {
    using S = CMainFrame::State;
    struct Case {
        const char* script;
        S state;
        int menu;
        int toolBar;  // 0 = none
        std::vector<std::string> tops;
        bool toolBarVisible;
    };
    const std::vector<int> ml = {32810, 32836, 32838, 32777, 32778};
    const std::vector<int> bayes = {32829, 32795, 32796, 32797, 32798, 32799, 32842};
    const Case cases[] = {
        {"", S::Startup, 128, 0, {"Main(&M)", "檢視(&V)", "說明(&H)"}, false},
        {"answer no\nmenu 32774\n", S::MaximumLikelihood, 130, 131, {"最大相似法", "工具", "檢視"}, true},
        {"menu 32831\n", S::Bayesian, 134, 135, {"貝氏機率", "工具", "檢視"}, true},
        {"menu 32831\nmenu 59392\n", S::Bayesian, 134, 135, {"貝氏機率", "工具", "檢視"}, false},
        {"menu 32831\nmenu 59392\nmenu 59392\n", S::Bayesian, 134, 135, {"貝氏機率", "工具", "檢視"}, true},
    };
    for (const auto& c : cases) {
        Shell sh(c.script);
        ASSERT_EQ(sh.status, 0) << c.script << sh.err.str();
        CMainFrame& f = sh.frame();
        EXPECT_EQ(f.GetState(), c.state) << c.script;
        ASSERT_TRUE(f.menu);
        EXPECT_EQ(f.menu->resourceId, c.menu) << c.script;
        EXPECT_EQ(TopMenus(*f.menu), c.tops) << c.script;
        EXPECT_EQ(f.caption, "Korvane");
        ASSERT_TRUE(f.statusBar);
        EXPECT_EQ(f.statusBar->idleText, "就緒");
        EXPECT_EQ(f.statusBar->id, 59393);
        EXPECT_EQ(f.statusBar->panes.size(), 4u);
        if (c.toolBar == 0) {
            EXPECT_FALSE(f.toolBar) << c.script;
            EXPECT_TRUE(f.menu->Contains(32774));
            EXPECT_TRUE(f.menu->Contains(32831));
            continue;
        }
        ASSERT_TRUE(f.toolBar);
        EXPECT_EQ(f.toolBar->resourceId, c.toolBar);
        EXPECT_EQ(f.toolBar->id, 59392);
        EXPECT_EQ(f.toolBar->buttons, c.toolBar == 131 ? ml : bayes);
        EXPECT_EQ(f.toolBar->visible, c.toolBarVisible) << c.script;
        EXPECT_EQ(f.toolBar->dock, ui::ToolBar::Dock::Top);
        // The choice is made once: neither method's menu offers it again.
        EXPECT_FALSE(f.menu->Contains(32774));
        EXPECT_FALSE(f.menu->Contains(32831));
        const ui::MenuItem& first = f.menu->items[0].children[0];
        EXPECT_EQ(first.text, "Exit");
        EXPECT_EQ(first.id, 57665);
        std::vector<int> tools;
        for (const auto& t : f.menu->items[1].children) tools.push_back(t.id);
        EXPECT_EQ(tools, c.toolBar == 131 ? ml : bayes);
    }
}

TEST(Shell, TheChoiceCannotBeMadeTwice) {
    Shell sh("menu 32831\nanswer no\nmenu 32774\n");
    EXPECT_EQ(sh.status, 2);
    EXPECT_EQ(sh.err.str(), "s.script:3: window \"Korvane\" offers no command 32774\n");
}

TEST(Shell, StartupMenuItems) {
    ui::Menu m = CMainFrame::StartupMenu({});
    const auto& main = m.items[0].children;
    ASSERT_EQ(main.size(), 4u);
    EXPECT_EQ(main[0].text, "選擇分類法");
    EXPECT_EQ(main[0].children[0].text, "最大相似法");
    EXPECT_EQ(main[0].children[0].id, 32774);
    EXPECT_EQ(main[0].children[1].text, "貝氏機率");
    EXPECT_EQ(main[0].children[1].id, 32831);
    EXPECT_TRUE(main[1].IsSeparator());
    EXPECT_EQ(main[2].text, "最近使用的檔案");
    EXPECT_EQ(main[2].id, 57616);
    EXPECT_EQ(main[3].text, "結束(&X)");
    EXPECT_EQ(main[3].id, 57665);
    EXPECT_EQ(m.items[1].children[0].text, "狀態列(&S)");
    EXPECT_EQ(m.items[1].children[0].id, 59393);
    EXPECT_EQ(m.items[2].children[0].text, "關於 Korvane(&A)...");
    EXPECT_EQ(m.items[2].children[0].id, 57664);
    ui::Menu ml = CMainFrame::MaximumLikelihoodMenu();
    EXPECT_EQ(ml.items[2].children[0].text, "工具列");
    EXPECT_EQ(ml.items[2].children[0].id, 59392);
    EXPECT_EQ(ml.items[2].children[1].text, "狀態列");
}

TEST(Shell, ProcessStartsInOrder) {
    struct Case {
        const char* script;
        std::vector<std::string> starts;
        const char* out;
    };
    const Case cases[] = {
        {"answer yes\nmenu 32774\n", {"main", "arcgis.mxd"}, "[詢問] 是否先進行紋理影像處理？\n"},
        {"answer no\nmenu 32774\n", {"arcgis.mxd"}, "[詢問] 是否先進行紋理影像處理？\n"},
        {"menu 32831\n", {}, ""},
        {"menu 32831\nmenu 32795\nmenu 32795\n", {"Tessmar", "Tessmar"}, ""},
    };
    for (const auto& c : cases) {
        Shell sh(c.script);
        EXPECT_EQ(sh.status, 0) << sh.err.str();
        EXPECT_EQ(sh.starts.commands, c.starts) << c.script;
        EXPECT_EQ(sh.out.str(), c.out) << c.script;
    }
    Shell noAnswer("menu 32774\n");  // the question needs an answer
    EXPECT_EQ(noAnswer.status, 2);
}

TEST(Shell, CommandRoutingTable) {
    struct Row {
        int id;
        const char* menuText;
        const char* prompt;
        void (CKorvaneDoc::*handler)();
        int menu;
    };
    const Row rows[] = {
        {32810, "分類資訊格式化", "分類資訊格式化", &CKorvaneDoc::OnClassInfoFormat, 130},
        {32836, "分類資訊批次格式化", "合併分類資訊", &CKorvaneDoc::OnMergeClassInfo, 130},
        {32838, "分類前處理-閾值計算", "閾值計算", &CKorvaneDoc::OnThresholdCalc, 130},
        {32777, "影像分類", "影像分類", &CKorvaneDoc::OnImageClassify, 130},
        {32778, "圖資套疊暨誤差分析", "影像套疊", &CKorvaneDoc::OnOverlap, 130},
        {32829, "ReName", nullptr, &CKorvaneDoc::OnReName, 134},
        {32795, "Tessmar", "Tessmar", &CKorvaneDoc::OnTessmar, 134},
        {32796, "RUSKEL", "Ruskel", &CKorvaneDoc::OnRuskel, 134},
        {32797, "tolvex", "TOLVEX", &CKorvaneDoc::OnTolvex, 134},
        {32798, "Yarnel", "Yarnel", &CKorvaneDoc::OnYarnel, 134},
        {32799, "Dravik", "Dravik", &CKorvaneDoc::OnDravik, 134},
        {32842, "Kappa", nullptr, &CKorvaneDoc::OnKappa, 134},
    };
    ASSERT_EQ(CKorvaneDoc::CommandTable().size(), std::size(rows));
    ui::Menu ml = CMainFrame::MaximumLikelihoodMenu(), bayes = CMainFrame::BayesianMenu();
    CKorvaneDoc doc;
    CKorvaneView view(&doc);
    CMainFrame frame(doc, view);
    for (const auto& r : rows) {
        const auto* c = CKorvaneDoc::FindCommand(r.id);
        ASSERT_NE(c, nullptr) << r.id;
        EXPECT_STREQ(c->menuText, r.menuText);
        if (r.prompt)
            EXPECT_STREQ(c->prompt, r.prompt);
        else
            EXPECT_EQ(c->prompt, nullptr);
        EXPECT_EQ(frame.CommandPrompt(r.id), r.prompt ? r.prompt : "");
        EXPECT_TRUE(c->handler == r.handler) << r.id;
        const ui::Menu& in = r.menu == 130 ? ml : bayes;
        const ui::Menu& other = r.menu == 130 ? bayes : ml;
        ASSERT_TRUE(in.Contains(r.id)) << r.id;
        EXPECT_EQ(in.Find(r.id)->text, r.menuText);
        EXPECT_FALSE(other.Contains(r.id)) << r.id;
        EXPECT_TRUE(frame.CommandEnabled(r.id)) << r.id;
    }
    // An id that is no document command is not handled.
    EXPECT_FALSE(doc.OnCmdMsg(12345));
}

TEST(Shell, RecentFilesAndCaptionAfterOpen) {
    rice::testing::TempFolder folder("docs");
    const fs::path dir = folder.path();
    std::vector<std::string> docs;
    for (int i = 0; i < 5; ++i) {
        docs.push_back((dir / ("d" + std::to_string(i) + ".kv")).string());
        std::ofstream(docs.back()) << "";
    }
    {
        Shell sh("", {docs[0]});
        ASSERT_EQ(sh.status, 0) << sh.err.str();
        for (int i = 1; i < 5; ++i) EXPECT_TRUE(sh.app.OpenDocumentFile(docs[size_t(i)]));
        EXPECT_EQ(sh.frame().caption, "Korvane");
        const auto& file = sh.frame().menu->items[0].children;
        // choice, separator, four recent files, exit
        ASSERT_EQ(file.size(), 7u);
        EXPECT_EQ(file[2].text, "&1 " + docs[4]);
        EXPECT_EQ(file[5].text, "&4 " + docs[1]);
        EXPECT_EQ(file[5].id, 57619);
        EXPECT_EQ(sh.app.RecentFiles().Entries().size(), 4u);
    }
    Shell missing("", {(dir / "nope.kv").string()});  // the command line cannot be processed
    EXPECT_EQ(missing.status, 1);
}

}  // namespace
