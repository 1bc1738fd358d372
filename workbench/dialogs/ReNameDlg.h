#pragma once
// The map-sheet folder renamer: every folder below the chosen one (except "info") and every
// file named like its folder loses its second character; the new folder names go to a list.
#include <string>
#include <vector>

#include "platform/ui/window.h"

namespace rice {

class CReNameDlg : public ui::Window {
public:
    CReNameDlg();

    void DoDataExchange(ui::DataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;

    void OnBnClickedChooseFolder();
    void OnBnClickedChooseListFile();
    // Renames below the folder and appends the new folder names to m_renamedNames.
    void RenameTree(const std::string& folder);

    std::string m_listFileName;  // bare name, opened in the current folder
    std::string m_renamedNames;  // each new folder name followed by CR LF
    std::string m_mapFolder;

private:
    std::vector<std::string> failures_;
};

}  // namespace rice
