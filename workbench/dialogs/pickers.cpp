#include "workbench/dialogs/pickers.h"

namespace dlg {

void PickFolderInto(ui::Control& edit, std::string& folder, const ui::FolderRequest& r) {
    edit.SetText("");
    folder.clear();
    if (std::optional<std::string> chosen = ui::Current().BrowseFolder(r)) {
        folder = *chosen;
        edit.SetText(folder);
    }
}

bool PickFileInto(ui::Control& edit, std::string& path, const char* filter, const char* ext, bool save) {
    edit.SetText("");
    path.clear();
    ui::FileRequest r;
    r.filter = filter;
    r.defaultExt = ext;
    r.mustExist = !save;
    r.overwritePrompt = save;
    r.hideReadOnly = true;
    std::vector<std::string> chosen = save ? ui::Current().SaveFile(r) : ui::Current().OpenFile(r);
    if (chosen.empty()) return false;
    path = chosen.front();
    edit.SetText(path);
    return true;
}

std::vector<std::string> PickFiles(const char* filter, const char* ext) {
    ui::FileRequest r;
    r.filter = filter;
    r.defaultExt = ext;
    r.multiple = true;
    r.mustExist = true;
    r.hideReadOnly = true;
    return ui::Current().OpenFile(r);
}

}  // namespace dlg
