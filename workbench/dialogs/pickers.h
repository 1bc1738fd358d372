#pragma once
// The tool dialogs' pickers for an edit and the value behind it: both are emptied first, so a
// cancel leaves both empty; a choice fills both with the chosen path.
#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "workbench/dialogs/pickers.h"

namespace dlg {

void PickFolderInto(ui::Control& edit, std::string& folder, const ui::FolderRequest& r);
// The open picker of an existing file, or with save the save picker that asks before an
// existing file is chosen; true when a file was chosen.
bool PickFileInto(ui::Control& edit, std::string& path, const char* filter, const char* ext, bool save = false);

// The open picker of several existing files; none on a cancel.
std::vector<std::string> PickFiles(const char* filter, const char* ext);

}  // namespace dlg
