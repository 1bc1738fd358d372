#pragma once
// Dialog 157 "分類資訊批次格式化": the rice, non-rice and output folders of a signature merge.
#include <string>

#include "platform/ui/window.h"

class CMergeClsInfoDlg : public ui::Window {
public:
    enum {
        IDD = 157,
        IDC_RICE_EDIT = 1007,
        IDC_NONRICE_EDIT = 1008,
        IDC_OUTPUT_EDIT = 1009,
        IDC_RICE_FOLDER = 1010,
        IDC_NONRICE_FOLDER = 1011,
        IDC_OUTPUT_FOLDER = 1012,
    };

    CMergeClsInfoDlg();

    // Set only by the folder browser; typed text is never read.
    std::string m_riceFolder;
    std::string m_nonRiceFolder;
    std::string m_outputFolder;

    void DoDataExchange(ui::DataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;

    void OnBnClickedRiceFolder();
    void OnBnClickedNonRiceFolder();
    void OnBnClickedOutputFolder();
};
