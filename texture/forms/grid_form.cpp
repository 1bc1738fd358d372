#include "texture/forms/grid_form.h"

#include "platform/ui/ui.h"
#include "texture/forms/Gis.h"
#include "texture/forms/Openpath.h"

namespace tex {

int GridForm::ShowModal() { return ui::Current().RunModal(*this); }

void GridForm::BtnOpenFileClick() {
    OpenDialog1.Execute();
    Item("EditFilename").SetText(OpenDialog1.FileName);
}

void GridForm::BtnPathOpenClick() {
    FORM_Openpath->ShowModal();
    Item("EditOutputPath").SetText(FORM_Openpath->ChosenPath);
}

void GridForm::Btn_EXITClick() { EndModal(ui::kCancel); }

}  // namespace tex
