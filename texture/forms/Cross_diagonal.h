#pragma once
// The cross-diagonal form: one input grid, the three- and/or two-level coding; one grid per
// checked feature and coding.
#include "platform/ui/window.h"
#include "texture/forms/form_support.h"

namespace tex {

class TFORM_CROSS_DIAGONAL : public ui::Window {
public:
    TFORM_CROSS_DIAGONAL();

    int ShowModal();
    void BtnOpenFileClick();
    void BtnPathOpenClick();
    void Btn_EXITClick();
    void Btn_EXEClick();
    void OnClose() override { Btn_EXITClick(); }

    OpenDialog OpenDialog1;
};

}  // namespace tex
