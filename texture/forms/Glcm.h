#pragma once
// The GLCM form: one input grid, the window and pair distance, the features and directions;
// one grid per checked feature and direction, and optionally their four-direction average.
#include "texture/forms/grid_form.h"

namespace tex {

class TFORM_GLCM : public GridForm {
public:
    TFORM_GLCM();

    void CheckBox_AllClick();
    void CheckBox_directionClick(const char* name);  // the four direction boxes
    void Btn_EXEClick() override;
};

}  // namespace tex
