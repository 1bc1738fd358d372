#pragma once
// The one interface through which a program waits for its operator: modal runs, message
// boxes, file pickers, the folder browser and repaint requests. The scripted operator
// (platform/script) and the desktop front-end (platform/qt) implement it; window classes reach
// the running one through ui::Current() and never know which it is.
#include <optional>
#include <string>
#include <vector>

#include "platform/core/message_sink.h"
#include "platform/ui/window.h"

namespace ui {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Exclamation, Question, Information, Error };

// A file picker request. The filter is the system's own string: "描述(*.ext)|*.ext||", pairs of
// description and patterns ("*.a;*.b"), ended by "||".
struct FileRequest {
    std::string filter;
    std::string defaultExt;     // added to a chosen name that has no extension ("" = none)
    std::string initialName;    // file name shown at first
    std::string initialFolder;  // "" = the current folder
    std::string title;          // "" = the platform's own
    bool multiple = false;      // multiple selection
    bool mustExist = false;     // open: only existing files
    bool overwritePrompt = false;  // save: ask before choosing an existing file
    bool hideReadOnly = false;
};

struct FolderRequest {
    std::string title;
    bool fileSystemOnly = true;
    bool newStyle = false;
    bool noNetworkBelowDomain = false;
};

// One filter entry parsed from a filter string.
struct FilterEntry {
    std::string description;            // "原始影像檔(*.lan)"
    std::vector<std::string> patterns;  // {"*.lan"}
};
std::vector<FilterEntry> ParseFilter(const std::string& filter);

class Ui {
public:
    virtual ~Ui() = default;

    // Runs the window modally: OnInitDialog, first paint, then operator actions until the
    // window ends; returns its end code (kOK, kCancel, ...).
    virtual int RunModal(Window& w) = 0;
    // Runs a program's main window until it is closed (or the script ends); returns its result.
    virtual int RunMain(Window& w) = 0;
    // Shows a message box; returns the button pressed (kOK, kCancel, kYes, kNo).
    virtual int MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                           Icon icon) = 0;
    // Asks for the window to be painted again (OnPaint) before the operator's next action.
    virtual void Repaint(Window& w) = 0;
    // A long run on the user-interface thread begins / ends (calls nest): the desktop shows
    // the busy cursor meanwhile; an operator script has nothing to show.
    virtual void BeginWait() {}
    virtual void EndWait() {}

    // File pickers: the chosen full paths, empty when cancelled. A chosen name without an
    // extension gets the default one. The process's current folder is left in the folder of
    // the (first) chosen file, as the platform's picker leaves it.
    std::vector<std::string> OpenFile(const FileRequest& r);
    std::vector<std::string> SaveFile(const FileRequest& r);
    // Folder browser: the chosen folder (full path), nullopt when cancelled.
    std::optional<std::string> BrowseFolder(const FolderRequest& r);

protected:
    // The implementation's picker: full or relative paths, empty = cancel.
    virtual std::vector<std::string> PickFiles(const FileRequest& r, bool save) = 0;
    virtual std::optional<std::string> PickFolder(const FolderRequest& r) = 0;
};

// The running Ui. Current() throws std::logic_error when none is set.
Ui& Current();
Ui* CurrentOrNull();
void SetCurrent(Ui* ui);

// Sets the current Ui for a scope (tests) and puts back the previous one.
class ScopedUi {
public:
    explicit ScopedUi(Ui& ui) : previous_(CurrentOrNull()) { SetCurrent(&ui); }
    ~ScopedUi() { SetCurrent(previous_); }
    ScopedUi(const ScopedUi&) = delete;
    ScopedUi& operator=(const ScopedUi&) = delete;
private:
    Ui* previous_;
};

// The busy cursor for a scope, on the Ui running when it is made.
class WaitCursor {
public:
    WaitCursor() : ui_(CurrentOrNull()) {
        if (ui_) ui_->BeginWait();
    }
    ~WaitCursor() {
        if (ui_) ui_->EndWait();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
private:
    Ui* ui_;
};

// The application title, caption of the application's message boxes.
void SetAppTitle(std::string title);
const std::string& AppTitle();

// The application's message box: the application title as caption; with Icon::None an OK (or
// OK/Cancel) box gets the exclamation icon and a Yes/No box the question icon.
int AppMessageBox(const std::string& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None);

// Engine messages (OK only) shown as application message boxes on the current Ui.
class AppMessageSink : public rice::MessageSink {
public:
    void ShowMessage(const std::string& text) override { AppMessageBox(text); }
};

// Runs a window modally on the current Ui.
inline int DoModal(Window& w) { return Current().RunModal(w); }

}  // namespace ui
