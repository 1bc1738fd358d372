#pragma once
// Dialog 159 "閾值計算": source image, class-information folder, parcel files and the ranges
// of the two thresholds of a threshold grid run.
#include <string>
#include <vector>

#include "platform/ui/window.h"

class CBatchMLDlg : public ui::Window {
public:
    enum {
        IDD = 159,
        IDC_IMAGE_EDIT = 1007,
        IDC_INFO_EDIT = 1008,
        IDC_BROWSE_IMAGE = 1010,
        IDC_BROWSE_INFO = 1011,
        IDC_REMOVE_PARCEL = 1014,
        IDC_LO1 = 1071,
        IDC_HI1 = 1072,
        IDC_LO2 = 1073,
        IDC_HI2 = 1074,
        IDC_PARCEL_LIST = 1075,
        IDC_ADD_PARCELS = 1076,
    };

    CBatchMLDlg();

    std::string m_imagePath;   // full path of the source image
    std::string m_infoFolder;  // class-information folder
    std::string m_lo1Text, m_hi1Text, m_lo2Text, m_hi2Text;  // texts of combos 1071-1074
    std::vector<std::string> m_lastSelection;   // the last parcel picker that ended with OK
    std::vector<std::string> m_parcelPaths;     // in the order added
    std::vector<std::string> m_mergeInfoPaths;  // entry i belongs to parcel file i

    void DoDataExchange(ui::DataExchange& dx) override;
    void OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnBnClickedBrowseImage();
    void OnBnClickedAddParcels();
    void OnBnClickedRemoveParcel();
    void OnBnClickedBrowseInfoFolder();

    // A bound text as a number ("." decimals whatever the locale; 0 when it is none).
    static double BoundValue(const std::string& text);
};
