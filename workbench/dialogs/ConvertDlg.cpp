#include "workbench/dialogs/ConvertDlg.h"

#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "workbench/dialogs/pickers.h"
#include "workbench/dialogs/choice_checks.h"

namespace {

void Pick(bool save, ui::Control& edit, std::string& name, std::string& path) {
    name.clear();
    if (dlg::PickFileInto(edit, path, "分類資訊檔(*.txt)|*.txt||", "txt", save)) name = rice::FileNameOf(path);
}

}  // namespace

CConvertDlg::CConvertDlg() : ui::Window("分類資訊格式化", 250, 110) {
    using ui::Kind;
    Add(Kind::Static, 0, "開啟原始分類資訊", {10, 10, 100, 10});
    Add(Kind::Edit, IDC_SOURCE_EDIT, "", {10, 24, 170, 14}).readOnly = true;
    Add(Kind::Button, IDC_OPEN_SOURCE, "Browser", {188, 24, 50, 14}).onClick = [this] {
        OnBnClickedOpenSource();
    };
    Add(Kind::Static, 0, "選擇儲存位置", {10, 46, 100, 10});
    Add(Kind::Edit, IDC_TARGET_EDIT, "", {10, 60, 170, 14}).readOnly = true;
    Add(Kind::Button, IDC_SAVE_TARGET, "Browser", {188, 60, 50, 14}).onClick = [this] {
        OnBnClickedSaveTarget();
    };
    Add(Kind::DefaultButton, ui::kOK, "確定", {128, 88, 50, 14});
    Add(Kind::Button, ui::kCancel, "取消", {188, 88, 50, 14});
}

void CConvertDlg::DoDataExchange(ui::DataExchange& dx) {
    dx.Control(IDC_SOURCE_EDIT);
    dx.Control(IDC_TARGET_EDIT);
}

void CConvertDlg::OnBnClickedOpenSource() {
    Pick(false, Item(IDC_SOURCE_EDIT), m_sourceName, m_sourcePath);
}

void CConvertDlg::OnBnClickedSaveTarget() {
    Pick(true, Item(IDC_TARGET_EDIT), m_targetName, m_targetPath);
}

void CConvertDlg::OnOK() {
    if (!dlg::ChecksPass({
            {m_sourceName.empty(), "請確認已選取分類資訊檔"},
            {m_targetName.empty(), "請重新選擇儲存位置"},
        }))
        return;
    ui::Window::OnOK();
}

void CConvertDlg::OnCancel() {
    if (ui::AppMessageBox("確定要離開程式?", ui::Buttons::YesNo) != ui::kYes) return;
    m_sourceName.clear();
    m_targetName.clear();
    m_sourcePath.clear();
    m_targetPath.clear();
    EndModal(ui::kCancel);
}
