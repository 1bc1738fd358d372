#pragma once
// What the fractal and variogram forms share: the image size with its cut range, the square
// moving window, and their check before a run.
#include "platform/ui/window.h"
#include "texture/forms/form_support.h"

namespace tex {

class MovingWindowForm : public ui::Window {
public:
    using ui::Window::Window;

    int ShowModal();
    // The moving window is square: either side's list sets the other.
    void ComboBoxMVRowChange();
    void ComboBoxMVColumnChange();
    // A new image side makes its cut range the whole side.
    void EditMainRowSizeChange();
    void EditMainColumnSizeChange();

protected:
    // The image size ("EditMainColumnSize", "EditMainRowSize") and the moving window: false,
    // after telling the operator, unless the image can be held and the window is square, odd,
    // at least `least` and inside the image. The computations assume all of it.
    bool ReadWindowSizes(int least, int& columns, int& rows, int& window);

private:
    void ResetCutRange(const std::string& side);
};

}  // namespace tex
