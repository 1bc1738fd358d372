#include "texture/forms/Openpath.h"

#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "texture/forms/form_support.h"

namespace tex {

TFORM_Openpath::TFORM_Openpath() : ui::Window("目錄路徑", 392, 390, ui::Units::Pixels) {
    left = 299;
    top = 245;
    font = ui::Font{"MS Sans Serif", 8, false, false};
    ui::Control& dirs = Add(Make(ui::Kind::FolderList, "DirectoryListBox1", "", {32, 40, 201, 273}));
    dirs.folder = rice::CurrentFolder();
    // No drive letters here: the drive list holds the root folder.
    ui::Control& drive = Add(Make(ui::Kind::DriveList, "DriveComboBox1", "", {32, 320, 201, 19}));
    drive.folder = "/";
    drive.onChange = Handler([this] { Item("DirectoryListBox1").folder = Item("DriveComboBox1").folder; });
    Add(Make(ui::Kind::Button, "BtnOK", "確定", {272, 320, 75, 25})).onClick =
        Handler([this] { BtnOKClick(); });
}

int TFORM_Openpath::ShowModal() { return ui::Current().RunModal(*this); }

void TFORM_Openpath::BtnOKClick() {
    ChosenPath = Item("DirectoryListBox1").folder;
    Close();
}

void TFORM_Openpath::Close() { EndModal(ui::kCancel); }

}  // namespace tex
