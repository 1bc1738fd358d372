#pragma once
// The cross-diagonal form: one input grid, the three- and/or two-level coding; one grid per
// checked feature and coding.
#include "texture/forms/grid_form.h"

namespace tex {

class TFORM_CROSS_DIAGONAL : public GridForm {
public:
    TFORM_CROSS_DIAGONAL();

    void Btn_EXEClick() override;
};

}  // namespace tex
