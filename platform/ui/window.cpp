#include "platform/ui/window.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>
#include <stdexcept>

#include "platform/ui/dc.h"

namespace ui {

namespace {

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower((unsigned char)a[i]) != std::tolower((unsigned char)b[i])) return false;
    return true;
}

bool ParseInt(std::string_view s, int& out) {
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

}  // namespace

std::string Format(const char* fmt, ...) {
    // Numbers use "." whatever locale a front-end installed.
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    locale_t old = uselocale(cLocale);
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string out;
    if (n > 0) {
        out.resize(size_t(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, ap2);
        out.resize(size_t(n));
    }
    va_end(ap2);
    uselocale(old);
    return out;
}

// ---- Control ----

int Control::AddItem(std::string item) {
    int at = int(items.size());
    if (sorted) {
        // Case-blind order, as the platform's sorted boxes keep it.
        auto lower = [](std::string s) {
            for (auto& c : s) c = char(std::tolower((unsigned char)c));
            return s;
        };
        std::string key = lower(item);
        at = 0;
        while (at < int(items.size()) && lower(items[size_t(at)]) <= key) ++at;
    }
    InsertItem(at, std::move(item));
    return at;
}

void Control::InsertItem(int index, std::string item) {
    index = std::clamp(index, 0, int(items.size()));
    items.insert(items.begin() + index, std::move(item));
    if (kind == Kind::CheckListBox || !itemChecks.empty()) {
        itemChecks.resize(items.size() - 1, false);
        itemChecks.insert(itemChecks.begin() + index, false);
    }
    if (selected >= index) ++selected;
}

bool Control::DeleteItem(int index) {
    if (index < 0 || index >= int(items.size())) return false;
    items.erase(items.begin() + index);
    if (index < int(itemChecks.size())) itemChecks.erase(itemChecks.begin() + index);
    if (selected == index)
        selected = -1;
    else if (selected > index)
        --selected;
    return true;
}

void Control::ResetContent() {
    items.clear();
    itemChecks.clear();
    selected = -1;
}

bool Control::SetSel(int index) {
    if (index < -1 || index >= int(items.size())) return false;
    selected = index;
    if (kind == Kind::ComboBox) text = index >= 0 ? items[size_t(index)] : std::string();
    return true;
}

int Control::FindPrefix(std::string_view prefix, int after) const {
    for (int i = std::max(0, after + 1); i < int(items.size()); ++i) {
        const std::string& it = items[size_t(i)];
        if (it.size() >= prefix.size() && IEquals(std::string_view(it).substr(0, prefix.size()), prefix))
            return i;
    }
    return -1;
}

int Control::FindExact(std::string_view item) const {
    for (int i = 0; i < int(items.size()); ++i)
        if (IEquals(items[size_t(i)], item)) return i;
    return -1;
}

void Control::SetPos(int p) { pos = std::clamp(p, std::min(rangeMin, rangeMax), std::max(rangeMin, rangeMax)); }

void Control::SetRange(int lo, int hi) {
    rangeMin = lo;
    rangeMax = hi;
    SetPos(pos);
}

bool Control::ItemChecked(int row) const {
    return row >= 0 && row < int(itemChecks.size()) && itemChecks[size_t(row)];
}

void Control::SetItemChecked(int row, bool on) {
    if (row < 0 || row >= int(items.size())) return;
    if (itemChecks.size() < items.size()) itemChecks.resize(items.size(), false);
    itemChecks[size_t(row)] = on;
}

std::string Control::SelectedText() const {
    return selected >= 0 && selected < int(items.size()) ? items[size_t(selected)] : std::string();
}

Raster& Control::EnsureSurface(int w, int h) {
    if (!surface || surface->Width() != w || surface->Height() != h)
        surface = std::make_shared<Raster>(w, h);
    return *surface;
}

std::string Control::Describe() const {
    if (!name.empty()) return "control " + name;
    return "control " + std::to_string(id);
}

namespace {
std::string Reachable(const Control& c) {
    if (!c.visible) return c.Describe() + " is not visible";
    if (!c.enabled) return c.Describe() + " is disabled";
    return {};
}
}  // namespace

std::string Control::OperatorClick() {
    if (auto e = Reachable(*this); !e.empty()) return e;
    if (kind == Kind::CheckBox) {
        checked = !checked;
        if (onClick) onClick();
        return {};
    }
    if (!IsButton()) return Describe() + " is not a button";
    if (onClick)
        onClick();
    else if (owner && id == kOK)
        owner->OnOK();
    else if (owner && id == kCancel)
        owner->OnCancel();
    return {};
}

std::string Control::OperatorSet(const std::string& value) {
    if (auto e = Reachable(*this); !e.empty()) return e;
    switch (kind) {
    case Kind::Edit:
        if (readOnly) return Describe() + " is read-only";
        text = value;
        if (onChange) onChange();
        return {};
    case Kind::ComboBox: {
        int row = FindExact(value);
        if (!editable) {
            if (row < 0) return Describe() + " has no item \"" + value + "\"";
            return OperatorSelect(row);
        }
        text = value;
        selected = row;
        if (onChange) onChange();
        return {};
    }
    case Kind::Trackbar: {
        int p = 0;
        if (!ParseInt(value, p)) return Describe() + ": \"" + value + "\" is not a position";
        SetPos(p);
        if (onScroll) onScroll();
        return {};
    }
    case Kind::CheckBox: {
        bool on;
        if (value == "on")
            on = true;
        else if (value == "off")
            on = false;
        else
            return Describe() + ": check state must be on or off";
        if (on == checked) return {};
        checked = on;
        if (onClick) onClick();
        return {};
    }
    case Kind::DriveList:
    case Kind::FolderList:
        folder = value;
        if (onChange) onChange();
        return {};
    default:
        return Describe() + " takes no value";
    }
}

std::string Control::OperatorSelect(int row) {
    if (auto e = Reachable(*this); !e.empty()) return e;
    if (kind != Kind::ListBox && kind != Kind::ComboBox && kind != Kind::CheckListBox)
        return Describe() + " is not a list";
    if (row < 0 || row >= int(items.size()))
        return Describe() + " has no row " + std::to_string(row);
    SetSel(row);
    if (kind == Kind::ComboBox && onChange) onChange();
    if (onSelect) onSelect();
    return {};
}

std::string Control::OperatorCheck(int row, bool on) {
    if (auto e = Reachable(*this); !e.empty()) return e;
    if (kind != Kind::CheckListBox) return Describe() + " is not a check-list box";
    if (row < 0 || row >= int(items.size()))
        return Describe() + " has no row " + std::to_string(row);
    if (ItemChecked(row) == on) return {};
    SetItemChecked(row, on);
    if (onItemCheck) onItemCheck(row);
    return {};
}

// ---- Menu ----

namespace {
const MenuItem* FindIn(const std::vector<MenuItem>& items, int id) {
    for (const auto& it : items) {
        if (it.id == id && id != 0) return &it;
        if (const MenuItem* m = FindIn(it.children, id)) return m;
    }
    return nullptr;
}
}  // namespace

const MenuItem* Menu::Find(int id) const { return FindIn(items, id); }
bool Menu::Contains(int id) const { return Find(id) != nullptr; }

// ---- DataExchange ----

ui::Control& DataExchange::Get(int id) { return window_.Item(id); }

void DataExchange::Text(int id, std::string& member) {
    auto& c = Get(id);
    if (save_)
        member = c.text;
    else
        c.text = member;
}

void DataExchange::Check(int id, int& member) {
    auto& c = Get(id);
    if (save_)
        member = c.checked ? 1 : 0;
    else
        c.checked = member != 0;
}

void DataExchange::Slider(int id, int& member) {
    auto& c = Get(id);
    if (save_)
        member = c.pos;
    else
        c.SetPos(member);
}

void DataExchange::CBString(int id, std::string& member) {
    auto& c = Get(id);
    if (save_) {
        member = c.text;
    } else {
        int row = c.FindPrefix(member);
        if (row >= 0)
            c.SetSel(row);
        else if (c.editable)
            c.text = member;
    }
}

void DataExchange::CBIndex(int id, int& member) {
    auto& c = Get(id);
    if (save_)
        member = c.selected;
    else
        c.SetSel(member >= int(c.items.size()) ? -1 : member);
}

void DataExchange::LBIndex(int id, int& member) { CBIndex(id, member); }

void DataExchange::LBString(int id, std::string& member) {
    auto& c = Get(id);
    if (save_) {
        member = c.SelectedText();
    } else {
        c.SetSel(member.empty() ? -1 : c.FindPrefix(member));
    }
}

void DataExchange::Control(int id) { Get(id); }

// ---- Window ----

Window::Window(std::string cap, int w, int h, Units u)
    : caption(std::move(cap)), width(w), height(h), units(u) {}

Control& Window::Add(Control c) {
    controls_.push_back(std::make_unique<Control>(std::move(c)));
    controls_.back()->owner = this;
    return *controls_.back();
}

Control& Window::Add(Kind kind, int id, std::string text, Rect rect) {
    Control c;
    c.kind = kind;
    c.id = id;
    c.text = std::move(text);
    c.rect = rect;
    return Add(std::move(c));
}

Control& Window::Add(Kind kind, std::string name, std::string text, Rect rect) {
    Control c;
    c.kind = kind;
    c.name = std::move(name);
    c.text = std::move(text);
    c.rect = rect;
    return Add(std::move(c));
}

Control* Window::Find(int id) {
    if (id == 0) return nullptr;
    for (auto& c : controls_)
        if (c->id == id) return c.get();
    return nullptr;
}

Control* Window::Find(std::string_view name) {
    if (name.empty()) return nullptr;
    for (auto& c : controls_)
        if (c->name == name) return c.get();
    return nullptr;
}

Control* Window::FindByKey(std::string_view key) {
    int id = 0;
    if (ParseInt(key, id)) return Find(id);
    return Find(key);
}

Control& Window::Item(int id) {
    if (Control* c = Find(id)) return *c;
    throw std::logic_error("window \"" + caption + "\" has no control " + std::to_string(id));
}

Control& Window::Item(std::string_view name) {
    if (Control* c = Find(name)) return *c;
    throw std::logic_error("window \"" + caption + "\" has no control " + std::string(name));
}

bool Window::UpdateData(bool save) {
    DataExchange dx(*this, save);
    DoDataExchange(dx);
    return true;
}

void Window::OnInitDialog() { UpdateData(false); }

void Window::OnOK() {
    if (!UpdateData(true)) return;
    EndModal(kOK);
}

void Window::EndModal(int result) {
    ended_ = true;
    result_ = result;
}

void Window::BeginRun() {
    ended_ = false;
    result_ = 0;
}

bool Window::OffersCommand(int id) const {
    if (menu && menu->Contains(id)) return true;
    if (toolBar && toolBar->visible && id != 0)
        return std::find(toolBar->buttons.begin(), toolBar->buttons.end(), id) != toolBar->buttons.end();
    return false;
}

std::string Window::RunCommand(int id) {
    if (!OffersCommand(id)) return "window \"" + caption + "\" offers no command " + std::to_string(id);
    if (!CommandEnabled(id)) return "command " + std::to_string(id) + " is disabled";
    if (!OnCommand(id)) return "command " + std::to_string(id) + " has no handler";
    return {};
}

}  // namespace ui
