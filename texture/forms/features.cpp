#include "texture/forms/features.h"

#include "texture/forms/form_support.h"

namespace tex {

void AddFeatureBoxes(ui::Window& form, int x, int y) {
    for (const Feature& f : kFeatures) {
        form.Add(Make(ui::Kind::CheckBox, f.box, f.caption, {x, y, 100, 17}));
        y += 24;
    }
}

}  // namespace tex
