#pragma once
// Renders one window of the window model with Qt widgets: its template (controls at their
// converted positions, captions, fonts, colours; menus, toolbar and status bar of a frame) and
// its state. Operator input goes back to the model through the Operator* calls, by way of the
// dispatcher, which refreshes every open window afterwards: the model has no change
// notifications, so Refresh() brings the widgets in line with whatever a handler changed.
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/window.h"

class QWidget;
class QMainWindow;
class QToolBar;
class QLabel;

namespace rice::qtui {

using Dispatcher = std::function<void(const std::function<void()>&)>;
struct BoundControl;  // a control and its widget

// Client pixels of a template rectangle: edges are converted, so neighbours stay neighbours.
QRect ToPixels(const ui::Rect& r, ui::Units units);
QSize ClientPixels(const ui::Window& w);
// Caption text for a widget that shows "&" as an accelerator ("&&" stays a literal "&").
QString Caption(const std::string& text);
// Caption for a widget that has no accelerators: "&x" shows "x", "&&" shows "&".
QString PlainCaption(const std::string& text);

class WindowView {
public:
    // modal: the window runs in a nested loop over `parent`; else it is a program's main window.
    WindowView(ui::Window& w, QWidget* parent, bool modal, Dispatcher dispatch);
    ~WindowView();
    WindowView(const WindowView&) = delete;
    WindowView& operator=(const WindowView&) = delete;

    ui::Window& Model() const { return window_; }
    QWidget* Top() const { return top_; }
    // The widget showing a control (null when the control is not this window's).
    QWidget* WidgetOf(const ui::Control& c) const;
    QFont WindowFont() const { return font_; }

    void Refresh();
    // Lets the close box through once the model has ended the window.
    void AllowClose() { allowClose_ = true; }
    bool CloseAllowed() const { return allowClose_; }
    void OperatorClose();   // the close box
    void OperatorEscape();  // Esc in a dialog

private:
    void Build();
    void BuildControl(ui::Control& c, QWidget* client);
    void RefreshControl(BoundControl& b);
    void RefreshFrame();
    void BuildMenu();
    void BuildToolBar();
    QFont FontOf(const ui::Control& c) const;
    void Run(const std::function<void()>& action) { dispatch_(action); }

    ui::Window& window_;
    Dispatcher dispatch_;
    bool modal_;
    QWidget* parent_;
    bool allowClose_ = false;
    QWidget* top_ = nullptr;
    QWidget* client_ = nullptr;
    QMainWindow* frame_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* messagePane_ = nullptr;
    std::vector<QLabel*> indicatorPanes_;
    std::string menuShape_, toolBarShape_;
    std::string prompt_;  // status prompt of the menu item under the pointer
    QFont font_;
    std::vector<std::unique_ptr<BoundControl>> bound_;
};

}  // namespace rice::qtui
