#pragma once
// The GLCM form: one input grid, the window and pair distance, the features and directions;
// one grid per checked feature and direction, and optionally their four-direction average.
#include "platform/ui/window.h"
#include "texture/forms/form_support.h"

namespace tex {

class TFORM_GLCM : public ui::Window {
public:
    TFORM_GLCM();

    int ShowModal();
    void BtnOpenFileClick();
    void BtnPathOpenClick();
    void CheckBox_AllClick();
    void CheckBox_directionClick(const char* name);  // the four direction boxes
    void Btn_EXITClick();
    void Btn_EXEClick();
    void OnClose() override { Btn_EXITClick(); }

    OpenDialog OpenDialog1;
};

}  // namespace tex
