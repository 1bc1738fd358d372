#pragma once
// The scripted operator: replays an operator script headlessly (tests, batch, demo).
//
// One action per line; lines starting with "#" and blank lines are skipped; values run to the
// end of the line. Actions: menu ID | click CONTROL | set CONTROL VALUE | select CONTROL ROW |
// check CONTROL ROW on|off | close | file PATH [; PATH ...] | file cancel | folder PATH |
// folder cancel | answer ok|yes|no|cancel | expect TEXT. CONTROL is an id (digits) or a name.
// Answers are queued before the action that makes the program ask; each request takes the
// oldest queued answer of its kind; an OK-only message box with nothing queued is answered OK.
// Every message box is written to the output as "[caption] text" (line breaks as "\n").
// RunMain ends at the end of the script by the main window's OnClose (as if it were closed);
// a modal window still open at the end of the script is a script that cannot go on.
// A script that cannot go on writes one line "SCRIPT:LINE: what" to the error stream and ends
// the process with status 2 (rice::EndProcess).
#include <deque>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/ui.h"

namespace script {

class Operator : public ui::Ui {
public:
    // `name` names the script in error lines (its path).
    Operator(std::string scriptText, std::string name, std::ostream& out, std::ostream& err);

    int RunModal(ui::Window& w) override;
    int RunMain(ui::Window& w) override;
    int MessageBox(const std::string& text, const std::string& caption, ui::Buttons buttons,
                   ui::Icon icon) override;
    void Repaint(ui::Window& w) override;

    // The message boxes shown so far, as written ("[caption] text").
    const std::vector<std::string>& Shown() const { return shown_; }
    bool AtEnd() const { return next_ >= lines_.size(); }

protected:
    std::vector<std::string> PickFiles(const ui::FileRequest& r, bool save) override;
    std::optional<std::string> PickFolder(const ui::FolderRequest& r) override;

private:
    struct Line {
        int number;
        std::string text;
    };
    [[noreturn]] void Fail(const std::string& what);
    void Loop(ui::Window& w, bool isMain);
    void Step();   // runs the next action
    void PaintPending();
    ui::Window& Top();

    std::vector<Line> lines_;
    size_t next_ = 0;
    int lineNo_ = 0;  // line of the action now running (0 before the first)
    std::string name_;
    std::ostream& out_;
    std::ostream& err_;
    std::vector<ui::Window*> stack_;
    std::vector<ui::Window*> dirty_;
    std::deque<std::vector<std::string>> files_;    // empty vector = cancel
    std::deque<std::optional<std::string>> folders_;
    std::deque<int> answers_;
    std::vector<std::string> shown_;
};

// Desktop front-end factory; null when the build has none. The Qt front-end's is
// qtui::MakeDesktopUi(argc, argv) (platform/qt/desktop.h): wrap it in a lambda.
using DesktopFactory = std::function<std::unique_ptr<ui::Ui>()>;

// A program's entry: with "--script FILE" the program runs under the scripted operator,
// else under the desktop front-end. `program` gets the other arguments and runs the program
// (typically ui::Current().RunMain(mainWindow)); its ProcessExit becomes the status. The
// command interpreter reports through application message boxes on the running Ui.
int RunProgram(int argc, char** argv, const std::function<int(const std::vector<std::string>&)>& program,
               const DesktopFactory& desktop);

}  // namespace script
