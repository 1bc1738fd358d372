#include "workbench/dialogs/ReNameDlg.h"

#include "platform/core/encoding.h"
#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "workbench/dialogs/pickers.h"
#include "workbench/engine/map_rename.h"
#include "workbench/engine/param_files.h"

namespace rice {

CReNameDlg::CReNameDlg() : ui::Window("修改圖檔名稱", 260, 110) {
    using ui::Kind;
    Add(Kind::GroupBox, 0, "選擇圖檔資料夾", {7, 7, 246, 34});
    Add(Kind::Edit, 1007, "", {14, 20, 180, 14});
    Add(Kind::Button, 1010, "開啟", {200, 20, 46, 14}).onClick = [this] { OnBnClickedChooseFolder(); };
    Add(Kind::GroupBox, 0, "選擇圖檔清單存放位置", {7, 47, 246, 34});
    Add(Kind::Edit, 1008, "", {14, 60, 180, 14});
    Add(Kind::Button, 1011, "儲存", {200, 60, 46, 14}).onClick = [this] { OnBnClickedChooseListFile(); };
    Add(Kind::DefaultButton, ui::kOK, "執行", {140, 89, 52, 14});
    Add(Kind::Button, ui::kCancel, "離開", {200, 89, 52, 14});
}

void CReNameDlg::DoDataExchange(ui::DataExchange& dx) {
    dx.Control(1007);
    dx.Control(1008);
}

void CReNameDlg::OnBnClickedChooseFolder() {
    dlg::PickFolderInto(Item(1007), m_mapFolder, {.title = "chose a folder:", .fileSystemOnly = true});
    ui::Current().MessageBox("確認選擇正確的圖檔目錄了嗎?!\n否則，將引起因修改非圖檔目錄名稱不可預期之系統問題!",
                             "請確認已選擇正確圖檔目錄!", ui::Buttons::Ok, ui::Icon::Exclamation);
}

void CReNameDlg::OnBnClickedChooseListFile() {
    m_listFileName.clear();
    std::string path;
    if (dlg::PickFileInto(Item(1008), path, "圖檔清單(*.txt)|*.txt||", "txt")) m_listFileName = FileNameOf(path);
}

void CReNameDlg::RenameTree(const std::string& folder) {
    RenameRun run;
    RenameMapTree(folder, run);
    for (const std::string& name : run.renamed) m_renamedNames += name + "\r\n";
    failures_.insert(failures_.end(), run.failures.begin(), run.failures.end());
}

void CReNameDlg::OnOK() {
    if (m_mapFolder.empty() || m_listFileName.empty()) {
        ui::AppMessageBox("error!");
        return;
    }
    // The list file first: when it cannot be written, nothing is renamed.
    PendingFile list;
    if (std::string error = list.Open(m_listFileName); !error.empty()) {
        ui::AppMessageBox(error);
        return;
    }
    failures_.clear();
    RenameTree(m_mapFolder);
    std::string bytes;
    TryUtf8ToCp950(m_renamedNames, bytes);  // each name was checked before its rename
    if (std::string error = list.Replace(bytes); !error.empty()) ui::AppMessageBox(error);
    RenameRun failed;
    failed.failures = failures_;
    if (std::string text = RenameFailureMessage(failed); !text.empty()) ui::AppMessageBox(text);
    EndModal(ui::kOK);
}

void CReNameDlg::OnCancel() {
    if (ui::AppMessageBox("確定離開程式?", ui::Buttons::YesNo) != ui::kYes) return;
    m_listFileName.clear();
    m_renamedNames.clear();
    m_mapFolder.clear();
    EndModal(ui::kCancel);
}

}  // namespace rice
