#pragma once
// What the GLCM and cross-diagonal forms share: the input grid's file, the output folder and
// the exit button.
#include "platform/ui/window.h"
#include "texture/forms/form_support.h"
#include "texture/lib/matrix.h"

namespace tex {

class GridForm : public ui::Window {
public:
    using ui::Window::Window;

    // Where the file row sits: the input file, the output folder under its label, run and exit.
    struct FileRowPlace {
        int fileY;
        int folderButtonY;
        const char* labelName;
        int labelY;
        int folderY;
        int runY;
    };
    void AddFileRow(const FileRowPlace& at);

    int ShowModal();
    void BtnOpenFileClick();
    void BtnPathOpenClick();
    void Btn_EXITClick();
    virtual void Btn_EXEClick() = 0;
    void OnClose() override { Btn_EXITClick(); }

    OpenDialog OpenDialog1;

protected:
    // The grid named in "EditFilename" and the decimals chosen: false, after telling the
    // operator, when the name is blank, the grid cannot be read or the decimals are out of range.
    bool ReadInput(int imageWidth, int imageHeight, rice::MATRIX<unsigned int>& image, int& decimals);
};

}  // namespace tex
