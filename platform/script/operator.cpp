#include "platform/script/operator.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <sstream>

#include "platform/core/command.h"
#include "platform/core/exit.h"
#include "platform/core/files.h"

namespace script {

namespace {

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
    return std::string(s.substr(b, e - b));
}

// First word and the rest (the rest runs to the end of the line).
std::pair<std::string, std::string> SplitWord(const std::string& s) {
    size_t sp = s.find_first_of(" \t");
    if (sp == std::string::npos) return {s, ""};
    size_t rest = s.find_first_not_of(" \t", sp);
    return {s.substr(0, sp), rest == std::string::npos ? "" : s.substr(rest)};
}

bool ParseInt(const std::string& s, int& out) {
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::string ShowBreaks(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n' || text[i] == '\r')
            out += "\\n";
        else
            out += text[i];
    }
    return out;
}

const char* ButtonsText(ui::Buttons b) {
    switch (b) {
    case ui::Buttons::Ok: return "OK";
    case ui::Buttons::OkCancel: return "OK and Cancel";
    case ui::Buttons::YesNo: return "Yes and No";
    case ui::Buttons::YesNoCancel: return "Yes, No and Cancel";
    }
    return "";
}

bool Fits(ui::Buttons b, int answer) {
    switch (b) {
    case ui::Buttons::Ok: return answer == ui::kOK;
    case ui::Buttons::OkCancel: return answer == ui::kOK || answer == ui::kCancel;
    case ui::Buttons::YesNo: return answer == ui::kYes || answer == ui::kNo;
    case ui::Buttons::YesNoCancel: return answer == ui::kYes || answer == ui::kNo || answer == ui::kCancel;
    }
    return false;
}

const char* AnswerText(int a) {
    switch (a) {
    case ui::kOK: return "ok";
    case ui::kCancel: return "cancel";
    case ui::kYes: return "yes";
    case ui::kNo: return "no";
    }
    return "?";
}

}  // namespace

Operator::Operator(std::string scriptText, std::string name, std::ostream& out, std::ostream& err)
    : name_(std::move(name)), out_(out), err_(err) {
    std::istringstream in(scriptText);
    std::string raw;
    int n = 0;
    while (std::getline(in, raw)) {
        ++n;
        std::string t = Trim(raw);
        if (t.empty() || t[0] == '#') continue;
        lines_.push_back({n, t});
    }
}

void Operator::Fail(const std::string& what) {
    err_ << name_ << ":" << lineNo_ << ": " << what << std::endl;
    out_.flush();
    rice::EndProcess(2);
}

ui::Window& Operator::Top() { return *stack_.back(); }

void Operator::Repaint(ui::Window& w) {
    if (std::find(dirty_.begin(), dirty_.end(), &w) == dirty_.end()) dirty_.push_back(&w);
}

void Operator::PaintPending() {
    // Paint in stack order; a paint may ask for another, which waits for the next round.
    std::vector<ui::Window*> todo;
    todo.swap(dirty_);
    for (ui::Window* w : stack_)
        if (std::find(todo.begin(), todo.end(), w) != todo.end()) w->OnPaint();
}

void Operator::Loop(ui::Window& w, bool isMain) {
    stack_.push_back(&w);
    struct Pop {
        std::vector<ui::Window*>& s;
        ~Pop() { s.pop_back(); }
    } pop{stack_};
    w.BeginRun();
    w.OnInitDialog();
    if (!w.Ended()) w.OnPaint();
    while (!w.Ended()) {
        PaintPending();
        if (AtEnd()) {
            if (!isMain)
                Fail("the script ended while window \"" + w.caption + "\" is open");
            // End of script: the program ends as if its main window were closed.
            w.OnClose();
            break;
        }
        Step();
    }
}

int Operator::RunModal(ui::Window& w) {
    Loop(w, false);
    return w.ModalResult();
}

int Operator::RunMain(ui::Window& w) {
    Loop(w, true);
    return w.ModalResult();
}

void Operator::Step() {
    const Line& line = lines_[next_++];
    lineNo_ = line.number;
    auto [action, rest] = SplitWord(line.text);
    ui::Window& top = Top();
    auto control = [&](const std::string& key) -> ui::Control& {
        ui::Control* c = top.FindByKey(key);
        if (!c) Fail("window \"" + top.caption + "\" has no control " + key);
        return *c;
    };
    auto check = [&](const std::string& error) {
        if (!error.empty()) Fail(error);
    };

    if (action == "menu") {
        int id = 0;
        if (!ParseInt(rest, id)) Fail("menu needs a command id");
        ui::Window& main = *stack_.front();
        if (stack_.size() > 1) Fail("menu " + rest + ": window \"" + top.caption + "\" is open");
        check(main.RunCommand(id));
    } else if (action == "click") {
        if (rest.empty()) Fail("click needs a control");
        check(control(rest).OperatorClick());
    } else if (action == "set") {
        auto [key, value] = SplitWord(rest);
        if (key.empty()) Fail("set needs a control");
        check(control(key).OperatorSet(value));
    } else if (action == "select") {
        auto [key, value] = SplitWord(rest);
        int row = 0;
        if (!ParseInt(value, row)) Fail("select needs a row number");
        check(control(key).OperatorSelect(row));
    } else if (action == "check") {
        auto [key, more] = SplitWord(rest);
        auto [rowText, state] = SplitWord(more);
        int row = 0;
        if (!ParseInt(rowText, row) || (state != "on" && state != "off"))
            Fail("check needs a row number and on or off");
        check(control(key).OperatorCheck(row, state == "on"));
    } else if (action == "close") {
        top.OnClose();
    } else if (action == "file") {
        if (rest.empty()) Fail("file needs a path or cancel");
        if (rest == "cancel") {
            files_.push_back({});
        } else {
            std::vector<std::string> paths;
            size_t pos = 0;
            while (true) {
                size_t sep = rest.find(" ; ", pos);
                paths.push_back(Trim(rest.substr(pos, sep == std::string::npos ? std::string::npos : sep - pos)));
                if (sep == std::string::npos) break;
                pos = sep + 3;
            }
            files_.push_back(std::move(paths));
        }
    } else if (action == "folder") {
        if (rest.empty()) Fail("folder needs a path or cancel");
        if (rest == "cancel")
            folders_.push_back(std::nullopt);
        else
            folders_.push_back(rest);
    } else if (action == "answer") {
        if (rest == "ok")
            answers_.push_back(ui::kOK);
        else if (rest == "yes")
            answers_.push_back(ui::kYes);
        else if (rest == "no")
            answers_.push_back(ui::kNo);
        else if (rest == "cancel")
            answers_.push_back(ui::kCancel);
        else
            Fail("answer must be ok, yes, no or cancel");
    } else if (action == "expect") {
        if (shown_.empty()) Fail("expected \"" + rest + "\" but no message box was shown");
        if (shown_.back().find(rest) == std::string::npos)
            Fail("expected \"" + rest + "\" but the last message box was " + shown_.back());
    } else {
        Fail("unknown action \"" + action + "\"");
    }
}

int Operator::MessageBox(const std::string& text, const std::string& caption, ui::Buttons buttons,
                         ui::Icon) {
    std::string shown = "[" + caption + "] " + ShowBreaks(text);
    out_ << shown << "\n";
    out_.flush();
    shown_.push_back(shown);
    if (answers_.empty()) {
        if (buttons == ui::Buttons::Ok) return ui::kOK;
        Fail(std::string("no answer queued for the message box ") + shown);
    }
    int a = answers_.front();
    answers_.pop_front();
    if (!Fits(buttons, a))
        Fail(std::string("answer ") + AnswerText(a) + " does not fit a box with " + ButtonsText(buttons) +
             ": " + shown);
    return a;
}

std::vector<std::string> Operator::PickFiles(const ui::FileRequest& r, bool save) {
    if (files_.empty()) Fail(save ? "no answer queued for the save-file picker" : "no answer queued for the file picker");
    std::vector<std::string> paths = std::move(files_.front());
    files_.pop_front();
    if (paths.size() > 1 && !r.multiple) Fail("the file picker takes one file");
    for (const auto& p : paths) {
        if (p.empty()) Fail("empty path for the file picker");
        if (!save && r.mustExist && !rice::IsRegularFile(p)) Fail("no such file: " + p);
    }
    return paths;
}

std::optional<std::string> Operator::PickFolder(const ui::FolderRequest&) {
    if (folders_.empty()) Fail("no answer queued for the folder browser");
    std::optional<std::string> f = std::move(folders_.front());
    folders_.pop_front();
    if (f && !rice::IsFolder(*f)) Fail("no such folder: " + *f);
    return f;
}

int RunProgram(int argc, char** argv, const std::function<int(const std::vector<std::string>&)>& program,
               const DesktopFactory& desktop) {
    std::vector<std::string> args;
    std::string scriptPath;
    bool scripted = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--script") {
            if (i + 1 >= argc) {
                std::cerr << "--script needs a file\n";
                return 2;
            }
            scripted = true;
            scriptPath = argv[++i];
        } else {
            args.push_back(a);
        }
    }
    ui::AppMessageSink reporter;
    rice::SetCommandReporter(&reporter);
    struct Unset {
        ~Unset() { rice::SetCommandReporter(nullptr); }
    } unset;
    if (scripted) {
        auto text = rice::ReadWholeFile(scriptPath);
        if (!text) {
            std::cerr << "cannot read the script " << scriptPath << "\n";
            return 2;
        }
        Operator op(*text, scriptPath, std::cout, std::cerr);
        ui::ScopedUi scope(op);
        int status = rice::RunUntilExit([&] { return program(args); });
        std::cout.flush();
        return status;
    }
    if (!desktop) {
        std::cerr << "this build has no desktop front-end (Qt 6); run it with --script FILE\n";
        return 1;
    }
    // A front-end that cannot start (no display) has already said why.
    std::unique_ptr<ui::Ui> ui = desktop();
    if (!ui) return 1;
    ui::ScopedUi scope(*ui);
    return rice::RunUntilExit([&] { return program(args); });
}

}  // namespace script
