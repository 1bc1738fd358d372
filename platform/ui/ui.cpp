#include "platform/ui/ui.h"

#include <stdexcept>

#include "platform/core/paths.h"

namespace ui {

namespace {
Ui* g_current = nullptr;
std::string g_title = "Korvane";

std::string Absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    return rice::JoinPath(rice::CurrentFolder(), path);
}

std::string WithDefaultExt(std::string path, const std::string& ext) {
    if (ext.empty()) return path;
    std::string name = rice::FileNameOf(path);
    if (name.find('.') == std::string::npos) path += "." + ext;
    return path;
}
}  // namespace

std::vector<FilterEntry> ParseFilter(const std::string& filter) {
    std::vector<FilterEntry> out;
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= filter.size()) {
        size_t bar = filter.find('|', pos);
        if (bar == std::string::npos) bar = filter.size();
        parts.push_back(filter.substr(pos, bar - pos));
        pos = bar + 1;
    }
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;  // the closing "||"
        FilterEntry e{parts[i], {}};
        const std::string& pats = parts[i + 1];
        size_t p = 0;
        while (p <= pats.size()) {
            size_t semi = pats.find(';', p);
            if (semi == std::string::npos) semi = pats.size();
            if (semi > p) e.patterns.push_back(pats.substr(p, semi - p));
            p = semi + 1;
        }
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<std::string> Ui::OpenFile(const FileRequest& r) {
    std::vector<std::string> paths = PickFiles(r, false);
    for (auto& p : paths) p = WithDefaultExt(Absolute(p), r.defaultExt);
    if (!paths.empty()) rice::SetCurrentFolder(rice::FolderOf(paths.front()).empty() ? "/" : rice::FolderOf(paths.front()));
    return paths;
}

std::vector<std::string> Ui::SaveFile(const FileRequest& r) {
    std::vector<std::string> paths = PickFiles(r, true);
    for (auto& p : paths) p = WithDefaultExt(Absolute(p), r.defaultExt);
    if (!paths.empty()) rice::SetCurrentFolder(rice::FolderOf(paths.front()).empty() ? "/" : rice::FolderOf(paths.front()));
    return paths;
}

std::optional<std::string> Ui::BrowseFolder(const FolderRequest& r) {
    std::optional<std::string> f = PickFolder(r);
    if (f) *f = Absolute(*f);
    return f;
}

Ui* CurrentOrNull() { return g_current; }

Ui& Current() {
    if (!g_current) throw std::logic_error("no user interface is running");
    return *g_current;
}

void SetCurrent(Ui* ui) { g_current = ui; }

void SetAppTitle(std::string title) { g_title = std::move(title); }
const std::string& AppTitle() { return g_title; }

int AppMessageBox(const std::string& text, Buttons buttons, Icon icon) {
    if (icon == Icon::None)
        icon = (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Icon::Question
                                                                              : Icon::Exclamation;
    return Current().MessageBox(text, g_title, buttons, icon);
}

}  // namespace ui
