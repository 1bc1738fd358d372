#pragma once
// The fractal form: one input grid, its two output names (proposed from the input's name),
// the window and the number format.
#include <string>

#include "platform/ui/window.h"
#include "texture/forms/form_support.h"

namespace tex {

// The two output names proposed for an input name: {r name, df name}.
std::pair<std::string, std::string> ProposedOutputNames(const std::string& input);

class TFORM_FRACTAL : public ui::Window {
public:
    TFORM_FRACTAL();

    int ShowModal();
    void BtnFilename1Click();
    void BtnFilename2Click();
    void BtnFilename3Click();
    void ComboBoxMVRowChange();
    void ComboBoxMVColumnChange();
    void EditMainRowSizeChange();
    void EditMainColumnSizeChange();
    void BtnExeClick();
    void BtnExitClick();
    void OnClose() override { BtnExitClick(); }

    OpenDialog OpenDialog1, OpenDialog2, OpenDialog3;
};

}  // namespace tex
