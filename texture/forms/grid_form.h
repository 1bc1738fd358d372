#pragma once
// What the GLCM and cross-diagonal forms share: the input grid's file, the output folder and
// the exit button.
#include "platform/ui/window.h"
#include "texture/forms/form_support.h"

namespace tex {

class GridForm : public ui::Window {
public:
    using ui::Window::Window;

    int ShowModal();
    void BtnOpenFileClick();
    void BtnPathOpenClick();
    void Btn_EXITClick();
    void OnClose() override { Btn_EXITClick(); }

    OpenDialog OpenDialog1;
};

}  // namespace tex
