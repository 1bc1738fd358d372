#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/core/exit.h"
#include "platform/core/paths.h"
#include "platform/script/operator.h"
#include "platform/testing/temp_folder.h"

namespace script {
namespace {

using namespace ui;

// A dialog that asks, picks and browses on its buttons.
struct Dialog : Window {
    Dialog() : Window("dialog", 100, 100) {
        Add(Kind::DefaultButton, kOK, "OK", {});
        Add(Kind::Button, kCancel, "Cancel", {});
        Add(Kind::Button, 10, "ask", {}).onClick = [this] {
            answers.push_back(AppMessageBox("sure?\nreally", Buttons::YesNo));
        };
        Add(Kind::Button, 11, "pick", {}).onClick = [this] {
            FileRequest r;
            r.multiple = true;
            picked = Current().OpenFile(r);
        };
        Add(Kind::Button, 12, "browse", {}).onClick = [this] {
            folder = Current().BrowseFolder({}).value_or("<cancel>");
        };
        Add(Kind::Button, 13, "paint", {}).onClick = [this] { Current().Repaint(*this); };
        Add(Kind::Edit, 20, "", {});
        auto& list = Add(Kind::ListBox, 21, "", {});
        list.items = {"a", "b"};
        list.onSelect = [this] { selections.push_back(Item(21).selected); };
        auto& checks = Add(Kind::CheckListBox, 0, "", {});
        checks.name = "Checks";
        checks.AddItem("x");
        Add(Kind::Button, 14, "off", {}).enabled = false;
    }
    void OnPaint() override { ++paints; }
    std::vector<int> answers;
    std::vector<std::string> picked;
    std::string folder;
    std::vector<int> selections;
    int paints = 0;
};

struct ScriptRun {
    int status = -1;
    int result = -1;
    std::string out, err;
    Dialog d;
};

// Runs the dialog modally under a script.
void RunScript(const std::string& text, ScriptRun& r) {
    std::ostringstream out, err;
    Operator op(text, "t.script", out, err);
    ScopedUi scope(op);
    SetAppTitle("App");
    r.status = rice::RunUntilExit([&] {
        r.result = op.RunModal(r.d);
        return 0;
    });
    r.out = out.str();
    r.err = err.str();
}

TEST(Operator, ModalRunWithQueuedAnswersAndOutput) {
    ScriptRun r;
    RunScript("# comment\n\nanswer no\nanswer yes\nclick 10\nclick 10\nexpect really\n"
              "set 20 two words  \nselect 21 1\ncheck Checks 0 on\nclick 13\nclick 1\n",
              r);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.result, kOK);
    EXPECT_EQ(r.d.answers, (std::vector<int>{kNo, kYes}));  // oldest answer first
    EXPECT_EQ(r.out, "[App] sure?\\nreally\n[App] sure?\\nreally\n");
    EXPECT_EQ(r.d.Item(20).text, "two words");
    EXPECT_EQ(r.d.selections, (std::vector<int>{1}));
    EXPECT_TRUE(r.d.Item("Checks").ItemChecked(0));
    EXPECT_EQ(r.d.paints, 2);  // first show, then the repaint before the next action
}

TEST(Operator, CloseBoxAndCancelEndTheRun) {
    for (const char* script : {"close\n", "click 2\n"}) {
        ScriptRun r;
        RunScript(script, r);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.result, kCancel);
    }
}

TEST(Operator, PickersTakeTheirOwnQueues) {
    namespace fs = std::filesystem;
    rice::testing::InTempFolder folder("pick");  // the picker moves the current folder
    const fs::path dir = folder.path();
    ScriptRun r;
    RunScript("folder " + dir.string() + "\nfile " + (dir / "a.txt").string() + " ; " +
                  (dir / "b c.txt").string() + "\nfolder cancel\nclick 11\nclick 12\nclick 12\nclick 1\n",
              r);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.d.picked, (std::vector<std::string>{(dir / "a.txt").string(), (dir / "b c.txt").string()}));
    EXPECT_EQ(r.d.folder, "<cancel>");  // the second browse took the second folder answer
    EXPECT_EQ(rice::CurrentFolder(), dir.string());
}

TEST(Operator, ScriptsThatCannotGoOnEndWithStatus2) {
    struct Case {
        const char* script;
        const char* error;  // the stderr line
    };
    const Case cases[] = {
        {"click 10\n", "t.script:1: no answer queued for the message box [App] sure?\\nreally"},
        {"\nclick 99\n", "t.script:2: window \"dialog\" has no control 99"},
        {"click Nope\n", "t.script:1: window \"dialog\" has no control Nope"},
        {"click 14\n", "t.script:1: control 14 is disabled"},
        {"click 11\n", "t.script:1: no answer queued for the file picker"},
        {"click 12\n", "t.script:1: no answer queued for the folder browser"},
        {"folder /no/such/folder\nclick 12\n", "t.script:2: no such folder: /no/such/folder"},
        {"answer ok\nclick 10\n", "t.script:2: answer ok does not fit a box with Yes and No: [App] sure?\\nreally"},
        {"answer maybe\n", "t.script:1: answer must be ok, yes, no or cancel"},
        {"expect x\n", "t.script:1: expected \"x\" but no message box was shown"},
        {"answer no\nclick 10\nexpect other\n",
         "t.script:3: expected \"other\" but the last message box was [App] sure?\\nreally"},
        {"jump 1\n", "t.script:1: unknown action \"jump\""},
        {"select 21 5\n", "t.script:1: control 21 has no row 5"},
        {"set 20 x\n", "t.script:1: the script ended while window \"dialog\" is open"},
        {"menu 5\n", "t.script:1: window \"dialog\" offers no command 5"},
    };
    for (const auto& c : cases) {
        ScriptRun r;
        RunScript(c.script, r);
        EXPECT_EQ(r.status, 2) << c.script;
        EXPECT_EQ(r.err, std::string(c.error) + "\n") << c.script;
    }
}

// A main window whose command opens the dialog.
struct Main : Window {
    Main() : Window("main", 0, 0) {
        isFrame = true;
        menu = Menu{1, {MenuItem::Popup("m", {MenuItem::Command("open", 100)})}};
    }
    bool OnCommand(int id) override {
        if (id != 100) return false;
        results.push_back(Current().RunModal(dialog));
        return true;
    }
    void OnClose() override {
        ++closes;
        EndModal(0);
    }
    Dialog dialog;
    std::vector<int> results;
    int closes = 0;
};

TEST(Operator, MainWindowRunsUntilTheScriptEnds) {
    std::ostringstream out, err;
    Operator op("menu 100\nclick 1\nmenu 100\nmenu 100\n", "m.script", out, err);
    ScopedUi scope(op);
    Main m;
    int status = rice::RunUntilExit([&] { return op.RunMain(m); });
    // The fourth line is read by the dialog opened again, which keeps the menu out of reach.
    EXPECT_EQ(status, 2);
    EXPECT_EQ(err.str(), "m.script:4: menu 100: window \"dialog\" is open\n");

    std::ostringstream out2, err2;
    Operator op2("menu 100\nclose\n", "m.script", out2, err2);
    ScopedUi scope2(op2);
    Main m2;
    status = rice::RunUntilExit([&] { return op2.RunMain(m2); });
    EXPECT_EQ(status, 0) << err2.str();
    EXPECT_EQ(m2.results, (std::vector<int>{kCancel}));
    EXPECT_EQ(m2.closes, 1);  // the end of the script closes the main window
}

TEST(RunProgram, ScriptArgumentAndMissingDesktop) {
    namespace fs = std::filesystem;
    rice::testing::TempFolder folder("run");
    const fs::path script = folder / "test.script";
    {
        std::ofstream f(script);
        f << "# nothing\n";
    }
    std::string a0 = "prog", a1 = "--script", a2 = script.string(), a3 = "doc.x";
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data()};
    std::vector<std::string> got;
    int status = RunProgram(4, argv, [&](const std::vector<std::string>& args) {
        got = args;
        rice::EndProcess(1);
        return 0;
    }, nullptr);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(got, (std::vector<std::string>{"doc.x"}));
    char* argv2[] = {a0.data()};
    EXPECT_EQ(RunProgram(1, argv2, [](const std::vector<std::string>&) { return 0; }, nullptr), 1);
    std::string missing = "/no/such.script";
    char* argv3[] = {a0.data(), a1.data(), missing.data()};
    EXPECT_EQ(RunProgram(3, argv3, [](const std::vector<std::string>&) { return 0; }, nullptr), 2);
}

}  // namespace
}  // namespace script
