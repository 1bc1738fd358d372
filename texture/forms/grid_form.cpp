#include "texture/forms/grid_form.h"

#include "platform/ui/ui.h"
#include "texture/forms/Gis.h"
#include "texture/forms/Openpath.h"

namespace tex {

void GridForm::AddFileRow(const FileRowPlace& at) {
    Add(Make(ui::Kind::Button, "BtnOpenFile", "開啟檔案", {16, at.fileY, 75, 25})).onClick =
        Handler([this] { BtnOpenFileClick(); });
    Add(Make(ui::Kind::Edit, "EditFilename", "", {100, at.fileY + 2, 400, 21}));
    Add(Make(ui::Kind::Button, "BtnPathOpen", "開啟目錄", {16, at.folderButtonY, 75, 25})).onClick =
        Handler([this] { BtnPathOpenClick(); });
    Add(Make(ui::Kind::Label, at.labelName, "檔案輸出目錄", {100, at.labelY, 120, 16}));
    // No drive letters here: the output folder starts empty.
    Add(Make(ui::Kind::Edit, "EditOutputPath", "", {100, at.folderY, 400, 21}));
    Add(Make(ui::Kind::Button, "Btn_EXE", "執行", {160, at.runY, 75, 25})).onClick =
        Handler([this] { Btn_EXEClick(); });
    Add(Make(ui::Kind::Button, "Btn_EXIT", "離開", {280, at.runY, 75, 25})).onClick =
        Handler([this] { Btn_EXITClick(); });
}

bool GridForm::ReadInput(int imageWidth, int imageHeight, rice::MATRIX<unsigned int>& image, int& decimals) {
    const std::string fileName = Item("EditFilename").text;
    if (fileName.empty()) {
        Info("檔案名稱為空白");
        return false;
    }
    InfoSink sink;
    if (!image.read_file(fileName, unsigned(imageWidth), unsigned(imageHeight), sink)) return false;
    decimals = StrToInt(Item("ComboBox_DecimalFormat").text);
    if (!DecimalsOk(decimals)) {
        Info(kDecimalsError);
        return false;
    }
    return true;
}

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
