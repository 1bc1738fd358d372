#pragma once
// The folder picker shared by the variogram, GLCM and cross-diagonal forms. After ShowModal a
// form reads ChosenPath: the folder last confirmed with "確定", whichever form confirmed it.
#include <string>

#include "platform/ui/window.h"

namespace tex {

class TFORM_Openpath : public ui::Window {
public:
    TFORM_Openpath();

    int ShowModal();
    void BtnOKClick();
    void Close();
    void OnClose() override { Close(); }

    std::string ChosenPath;
};

}  // namespace tex
