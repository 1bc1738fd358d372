#pragma once
// The desktop front-end: the Ui of the window model on Qt 6 Widgets. Modal runs are nested
// event loops; message boxes, file pickers and the folder browser are Qt's own dialogs.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/ui.h"

class QApplication;
class QWidget;

namespace rice::qtui {

class WindowView;

// A filter entry as the desktop file dialog names it: "描述(*.ext)" stays as it is when it
// already ends in its patterns, else "描述 (*.a *.b)".
std::string QtNameFilter(const ui::FilterEntry& entry);
// Every entry of a filter string; "所有檔案 (*)" when the string holds none.
std::vector<std::string> QtNameFilters(const std::string& filter);

class QtUi : public ui::Ui {
public:
    // argc and argv must outlive the front-end (Qt keeps them).
    QtUi(int& argc, char** argv);
    ~QtUi() override;

    int RunModal(ui::Window& w) override;
    int RunMain(ui::Window& w) override;
    int MessageBox(const std::string& text, const std::string& caption, ui::Buttons buttons,
                   ui::Icon icon) override;
    void Repaint(ui::Window& w) override;
    void BeginWait() override;
    void EndWait() override;

    // The view of a window now running (null when it is not on screen).
    WindowView* ViewOf(const ui::Window& w) const;
    // Called once the event loop of a window runs, with the window on screen: tests and the
    // screenshot tool act through it.
    void SetShownHook(std::function<void(ui::Window&)> hook) { shownHook_ = std::move(hook); }
    // Runs an operator action the way a widget does: exceptions are caught, pending paints
    // are done and every open window is refreshed.
    void Dispatch(const std::function<void()>& action);

protected:
    std::vector<std::string> PickFiles(const ui::FileRequest& r, bool save) override;
    std::optional<std::string> PickFolder(const ui::FolderRequest& r) override;

private:
    struct Level;
    class ChildWait;
    class ArrowCursor;
    int Run(ui::Window& w, bool main);
    void AfterAction();
    void PaintPending();
    void ShowModelState();
    QWidget* TopWidget() const;

    std::unique_ptr<QApplication> app_;
    std::vector<Level*> levels_;
    std::vector<ui::Window*> dirty_;
    std::optional<int> exit_;
    int depth_ = 0;  // dispatches running
    bool paintQueued_ = false;
    int blocked_ = 0;  // waits for a child program running: operator input goes nowhere
    int waits_ = 0;    // long runs under way (busy cursor)
    std::unique_ptr<ChildWait> childWait_;
    std::function<void(ui::Window&)> shownHook_;
};

}  // namespace rice::qtui

namespace rice {

// The program entry's desktop factory. Null (with a line on standard error) when no display
// can be reached, so the program can say so instead of aborting inside the toolkit.
std::unique_ptr<ui::Ui> MakeQtUi(int& argc, char** argv);

}  // namespace rice
