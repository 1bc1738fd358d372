#pragma once
// Dialog 137 "分類資訊格式化": the statistics listing to format and the output file.
#include <string>

#include "platform/ui/window.h"

class CConvertDlg : public ui::Window {
public:
    enum {
        IDD = 137,
        IDC_SOURCE_EDIT = 1000,
        IDC_TARGET_EDIT = 1001,
        IDC_OPEN_SOURCE = 1002,
        IDC_SAVE_TARGET = 1003,
    };

    CConvertDlg();

    std::string m_sourceName;  // file names without folder
    std::string m_targetName;
    // The full paths the pickers returned: the run opens these, never the bare names, which
    // would resolve against whichever folder the last picker left current.
    std::string m_sourcePath;
    std::string m_targetPath;

    void DoDataExchange(ui::DataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;

    void OnBnClickedOpenSource();
    void OnBnClickedSaveTarget();
};
