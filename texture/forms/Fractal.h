#pragma once
// The fractal form: one input grid, its two output names (proposed from the input's name),
// the window and the number format.
#include <string>

#include "texture/forms/moving_window_form.h"

namespace tex {

// The two output names proposed for an input name: {r name, df name}.
std::pair<std::string, std::string> ProposedOutputNames(const std::string& input);

class TFORM_FRACTAL : public MovingWindowForm {
public:
    TFORM_FRACTAL();

    void BtnFilename1Click();
    void BtnFilename2Click();
    void BtnFilename3Click();
    void BtnExeClick();
    void BtnExitClick();
    void OnClose() override { BtnExitClick(); }

    OpenDialog OpenDialog1, OpenDialog2, OpenDialog3;
};

}  // namespace tex
