#pragma once
// Dialog 139 "影像分類": source image, class-information folder, output folder, parcel files
// paired with their merge-info paths, the two threshold sliders, and the histograms of a
// classification base image that guide the thresholds.
#include <array>
#include <string>
#include <vector>

#include "platform/ui/dc.h"
#include "platform/ui/window.h"

class CML : public ui::Window {
public:
    enum {
        IDD = 139,
        IDC_PROB_SLIDER = 1005,
        IDC_DIFF_SLIDER = 1006,
        IDC_INFO_EDIT = 1007,
        IDC_IMAGE_EDIT = 1008,
        IDC_OUTPUT_EDIT = 1009,
        IDC_INFO_BROWSE = 1010,
        IDC_IMAGE_BROWSE = 1011,
        IDC_OUTPUT_BROWSE = 1012,
        IDC_CREATE_BASE = 1013,
        IDC_OPEN_BASE = 1014,
        IDC_PROB_PANE = 1015,
        IDC_DIFF_PANE = 1016,
        IDC_PROB_COUNTS = 1017,
        IDC_DIFF_COUNTS = 1018,
        IDC_PROB_LABELS = 1019,
        IDC_DIFF_LABELS = 1020,
        IDC_DIFF_TEXT = 1021,
        IDC_PROB_TEXT = 1022,
        IDC_SELECT_PARCELS = 1055,
        IDC_REMOVE_PARCEL = 1056,
        IDC_PARCEL_LIST = 1077,
    };

    CML();

    std::string m_classInfoFolder;
    std::string m_sourceImageName;  // file name only, as shown to the run's messages
    std::string m_sourceImagePath;  // the full path picked: the run opens this one
    std::string m_outputFolder;
    std::string m_baseImageName;    // full path of the last base image
    int m_probSliderPos = 0;
    int m_diffSliderPos = 0;
    std::string m_probThresholdText;
    std::string m_diffThresholdText;
    std::vector<std::string> m_lastSelection;
    std::vector<std::string> m_parcelFiles;
    std::vector<std::string> m_mergeInfoFiles;
    int m_baseCols = 0;
    int m_baseRows = 0;
    std::array<int, 10> m_probHistogram{};
    std::array<int, 10> m_diffHistogram{};

    void DoDataExchange(ui::DataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;
    void OnPaint() override;

    void OnBnClickedClassInfoFolder();
    void OnBnClickedOpenImage();
    void OnBnClickedOutputFolder();
    void OnBnClickedCreateBaseImage();
    void OnBnClickedOpenBaseImage();
    void OnHScroll(int sliderId);
    void OnBnClickedSelectParcels();
    void OnBnClickedRemoveParcel();

    // The merge-info path of a parcel file: folder, "/info", base name, "_Merge.gsg".
    static std::string MergeInfoPath(const std::string& folder, const std::string& parcelPath);
    // Loads both histograms from a classified image; false (after a message naming it) when
    // it cannot be read. An empty name does nothing.
    bool LoadHistograms(const std::string& name);
    // The polyline of one histogram pane (s = cells / 300, > 0).
    static std::vector<ui::Point> HistogramPolyline(const std::array<int, 10>& counts, long long s);
    // Bin of p: k with k/10 <= p < (k+1)/10, -1 for p = 1.0 (no bin).
    static int BinOf(double p);
};
