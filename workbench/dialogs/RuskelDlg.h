#pragma once
// The vector-to-raster dialog: "lumbek.txt" for ruskel, the run, and for the pixel size "1.6"
// the rewrite of ruskel's output list into "tempfile.txt" and "ids.dat".
#include <string>

#include "platform/ui/window.h"

namespace rice {

class CRuskelDlg : public ui::Window {
public:
    CRuskelDlg();

    void DoDataExchange(ui::DataExchange& dx) override;
    void OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnBnClickedOpenImage();
    void OnBnClickedOpenCornerFile();
    void OnBnClickedSaveTempFile();
    void OnBnClickedSaveOutput();
    void OnBnClickedChooseMapFolder();
    void OnCbnSelchangePixelSizeX();
    void OnCbnSelchangePixelSizeY();
    void OnCtlColor(ui::Control& c);

    std::string m_cornerName;   // bare names, as the parameter dialogs keep them
    std::string m_tempName;
    std::string m_outputName;
    std::string m_imagePath;    // full path
    std::string m_mapFolder;    // full path
    double m_mapX = 0;
    double m_mapY = 0;

private:
    // Picker steps of a bare-name input; `initialName` stays in the box after a cancel.
    void BrowseName(int editId, std::string& name, bool save, const char* ext, const char* filter,
                    const char* initialName = "");
};

}  // namespace rice
