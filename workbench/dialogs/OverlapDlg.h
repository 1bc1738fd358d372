#pragma once
// Dialog 141 "圖資批次套疊": the classified images and parcel files of an overlay run.
#include <string>
#include <vector>

#include "platform/ui/window.h"

class COverlapDlg : public ui::Window {
public:
    enum {
        IDD = 141,
        IDC_BROWSE_IMAGES = 1010,
        IDC_REMOVE_PARCEL = 1011,
        IDC_BROWSE_PARCELS = 1012,
        IDC_REMOVE_IMAGE = 1013,
        IDC_LAN_LIST = 1024,
        IDC_PARCEL_LIST = 1025,
    };

    COverlapDlg();

    std::vector<std::string> m_parcelPaths;   // in the order added
    std::vector<std::string> m_lanPaths;      // in the order added
    std::vector<std::string> m_parcelSelection;  // the last picker selection of each kind
    std::vector<std::string> m_lanSelection;
    ui::Control* m_lanList = nullptr;
    ui::Control* m_parcelList = nullptr;

    void DoDataExchange(ui::DataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;

    void OnBnClickedBrowseImages();
    void OnBnClickedBrowseParcels();
    void OnBnClickedRemoveImage();
    void OnBnClickedRemoveParcel();

    // The list row of a path: the name between the last "/" and the last ".", then suffix.
    static std::string ListItemOf(const std::string& path, const std::string& suffix);
};
