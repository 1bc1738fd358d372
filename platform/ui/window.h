#pragma once
// Toolkit-free window model. A window (dialog, form, main frame) is a plain class deriving from
// ui::Window: its constructor declares the template (caption, size, controls) and binds the
// handlers. The scripted operator and the desktop front-end drive it through the Operator*
// calls of Control and Window::RunCommand; code of the system changes state through the plain
// setters, which never fire hooks (call the handler yourself where the platform would notify).
//
// A front-end refreshes its widgets from the model after every operator action it forwards and
// after every handler it runs; the model has no change notifications of its own.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class Raster;
class Window;

// Colour value as the system stores it: red | green << 8 | blue << 16.
using Colour = std::uint32_t;
constexpr Colour Rgb(int r, int g, int b) {
    return Colour(r & 255) | Colour(g & 255) << 8 | Colour(b & 255) << 16;
}

// Result codes of modal runs and message boxes (the platform's numbers).
enum Result : int { kOK = 1, kCancel = 2, kYes = 6, kNo = 7 };

enum class Kind {
    Button,         // push button (also multi-line push buttons)
    DefaultButton,  // the default push button (Enter)
    Edit,
    Static,         // static text or a paint surface (see Control::surface)
    Label,          // form label (texture and cover tools)
    GroupBox,
    ListBox,
    ComboBox,       // drop-down list; editable when `editable`
    CheckBox,
    CheckListBox,
    Trackbar,
    DriveList,      // drive combo: holds a folder path, drives a folder list
    FolderList,     // folder list: holds the folder open in it (full path)
};

// Units of a template's positions and sizes: dialog units (workbench templates), form pixels
// (texture tool), twips (cover tool). The front-end converts them.
enum class Units { DialogUnits, Pixels, Twips };

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

struct Font {
    std::string name;     // "" = the window's font
    int points = 0;       // 0 = the window's size
    bool bold = false;
    bool italic = false;
};

class Control {
public:
    // Template.
    Kind kind = Kind::Static;
    int id = 0;            // workbench ids; 0 when unnamed
    std::string name;      // texture and cover tools ("BtnExe", "Dir1"); "" when unnamed
    Rect rect;
    // Styles that matter.
    bool readOnly = false;   // edit: the operator cannot type
    bool sorted = false;     // list/combo: AddItem keeps the items sorted
    bool multiLine = false;  // edit or push button
    bool editable = false;   // combo box: drop-down with an edit (else a drop-down list)
    bool vertical = false;   // trackbar
    bool noTicks = false;    // trackbar
    bool transparent = false;
    bool centred = false;    // group box: caption centred over the frame
    bool autoSize = false;   // label: at least as wide as its text
    // Look hints for the front-end.
    Font font;
    std::optional<Colour> textColour;
    std::optional<Colour> backColour;

    // State.
    bool visible = true;
    bool enabled = true;
    std::string text;                 // caption of buttons, statics, group boxes; text of edits, combos
    std::vector<std::string> items;   // list, combo and check-list rows
    int selected = -1;                // selected row, -1 none
    bool checked = false;             // check box
    std::vector<bool> itemChecks;     // check-list box, one per item
    int pos = 0, rangeMin = 0, rangeMax = 100;  // trackbar
    std::string folder;               // drive list / folder list: the folder shown (full path)
    std::shared_ptr<Raster> surface;  // paint surface of a static (made by EnsureSurface)
    Window* owner = nullptr;          // set by Window::Add

    // Hooks, fired only by operator actions.
    std::function<void()> onClick;      // buttons, check boxes (after the check toggled)
    std::function<void()> onChange;     // edit / combo text changed, folder or drive changed
    std::function<void()> onSelect;     // list or combo selection changed
    std::function<void()> onScroll;     // trackbar moved
    std::function<void(int)> onItemCheck;  // check-list item toggled (row)

    // Plain state changes (no hooks).
    void SetText(std::string t) { text = std::move(t); }
    // Adds a row (at its sorted place for sorted boxes); returns its index.
    int AddItem(std::string item);
    void InsertItem(int index, std::string item);
    bool DeleteItem(int index);        // false when out of range; keeps the selection sensible
    void ResetContent();
    bool SetSel(int index);            // -1 clears; false when out of range
    int FindPrefix(std::string_view prefix, int after = -1) const;  // case-blind, -1 none
    int FindExact(std::string_view item) const;                   // -1 none
    void SetPos(int p);                // clamped to the range
    void SetRange(int lo, int hi);
    bool ItemChecked(int row) const;
    void SetItemChecked(int row, bool on);
    std::string SelectedText() const;  // "" when nothing is selected
    // Gives a static a paint surface of its size in pixels (w x h) and returns it.
    Raster& EnsureSurface(int w, int h);

    bool IsButton() const { return kind == Kind::Button || kind == Kind::DefaultButton; }

    // Operator actions (script and front-end). Each checks the control accepts it (exists in
    // a form the operator can reach: visible, enabled, not read-only) and returns an error text
    // ("" on success), then updates state and fires the hook. A button with no onClick runs the
    // owner's OnOK (id 1) or OnCancel (id 2), as the framework does.
    std::string OperatorClick();
    std::string OperatorSet(const std::string& value);   // edit, combo, trackbar, check box, folder/drive list
    std::string OperatorSelect(int row);
    std::string OperatorCheck(int row, bool on);
    std::string Describe() const;  // "control 1005" / "control BtnExe" for error texts
};

struct MenuItem {
    std::string text;   // "" with id 0 and no children: a separator
    int id = 0;         // command id; 0 for popups and separators
    std::vector<MenuItem> children;
    static MenuItem Command(std::string text, int id) { return MenuItem{std::move(text), id, {}}; }
    static MenuItem Popup(std::string text, std::vector<MenuItem> children) {
        return MenuItem{std::move(text), 0, std::move(children)};
    }
    static MenuItem Separator() { return MenuItem{{}, 0, {}}; }
    bool IsSeparator() const { return text.empty() && id == 0 && children.empty(); }
    bool IsPopup() const { return !children.empty(); }
};

struct Menu {
    int resourceId = 0;
    std::vector<MenuItem> items;   // the top-level popups
    bool Contains(int id) const;
    const MenuItem* Find(int id) const;
};

struct ToolBar {
    int resourceId = 0;        // the toolbar resource loaded into it
    int id = 0;                // control id of the bar (59392 in the workbench)
    std::vector<int> buttons;  // command ids in order, 0 = separator
    bool visible = true;
    bool flat = false;
    bool gripper = false, tooltips = false, flyBy = false;
    enum class Dock { Top, Bottom, Left, Right, Floating } dock = Dock::Top;
    unsigned allowedDocks = 0;  // bit 0 top, 1 bottom, 2 left, 3 right
};

struct StatusBar {
    int id = 0;                       // 59393 in the workbench
    std::vector<std::string> panes;   // indicator names; pane 0 is the message pane
    std::string idleText;             // shown in pane 0 when no prompt is shown
    std::string message;              // text now in pane 0 ("" = the idle text)
    bool visible = true;
};

class Window;

// Explicit data exchange between members and controls, as the framework's DoDataExchange.
class DataExchange {
public:
    DataExchange(Window& w, bool save) : window_(w), save_(save) {}
    bool Saving() const { return save_; }
    void Text(int id, std::string& member);      // edit or static text
    void Check(int id, int& member);             // check box: 0 / 1
    void Slider(int id, int& member);            // trackbar position
    void CBString(int id, std::string& member);  // to: select the row beginning with member; from: shown text
    void CBIndex(int id, int& member);           // combo selection
    void LBIndex(int id, int& member);           // list selection
    void LBString(int id, std::string& member);  // to: select the row beginning with member; from: selected text
    void Control(int id);                        // attach only: checks the control exists
private:
    ui::Control& Get(int id);
    Window& window_;
    bool save_;
};

class Window {
public:
    Window(std::string caption, int width, int height, Units units = Units::DialogUnits);
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Template.
    std::string caption;
    int width, height;
    Units units;
    Font font;                           // the window's font
    std::optional<Colour> backColour;
    int left = 0, top = 0;               // form position where the template gives one
    bool isFrame = false;                // main frame: menus, toolbar, status bar
    bool maximised = false;

    // Adds a control (owned by the window, address stable) and returns it.
    Control& Add(Control c);
    Control& Add(Kind kind, int id, std::string text, Rect rect);
    Control& Add(Kind kind, std::string name, std::string text, Rect rect);

    Control* Find(int id);
    Control* Find(std::string_view name);
    // Finds by id when the text is a decimal number, else by name.
    Control* FindByKey(std::string_view key);
    // GetDlgItem: the control must exist (throws std::logic_error otherwise: a template fault).
    Control& Item(int id);
    Control& Item(std::string_view name);
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }

    // Data exchange: UpdateData(true) controls -> members, UpdateData(false) members -> controls.
    virtual void DoDataExchange(DataExchange&) {}
    bool UpdateData(bool save = true);

    // Lifecycle, driven by Ui::RunModal / Ui::RunMain.
    virtual void OnInitDialog();   // at the start of every modal run: default UpdateData(false)
    virtual void OnPaint() {}      // when first shown and after Ui::Repaint
    virtual void OnOK();           // button 1 with no onClick: default UpdateData(true) then EndModal(kOK)
    virtual void OnCancel() { EndModal(kCancel); }  // button 2 with no onClick
    virtual void OnClose() { OnCancel(); }          // the close box

    void EndModal(int result);
    bool Ended() const { return ended_; }
    int ModalResult() const { return result_; }
    void BeginRun();               // clears the end state (the Ui calls it)

    // Frames: menu, toolbar, status bar and commands.
    std::optional<Menu> menu;
    std::optional<ToolBar> toolBar;
    std::optional<StatusBar> statusBar;
    // A menu or toolbar command; returns false when nothing handles it.
    virtual bool OnCommand(int /*id*/) { return false; }
    // Whether a command shows enabled (the front-end greys the others).
    virtual bool CommandEnabled(int /*id*/) const { return true; }
    // Whether a command shows checked (the bars' show/hide commands).
    virtual bool CommandChecked(int /*id*/) const { return false; }
    // Status-bar prompt of a command ("" = none).
    virtual std::string CommandPrompt(int /*id*/) const { return {}; }
    // Operator's menu/toolbar command: "" on success, else the error text.
    std::string RunCommand(int id);
    bool OffersCommand(int id) const;  // in the menu or on the visible toolbar

private:
    std::vector<std::unique_ptr<Control>> controls_;
    bool ended_ = false;
    int result_ = 0;
};

// Formats like printf into a std::string (the system's "%1.2f" and "%d" texts).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace ui
