#pragma once
// The texture tool's frame: the start-up folder, the main form with its four buttons, and the
// six forms, created once at start-up and kept until the program ends.
#include <memory>
#include <string>

#include "platform/ui/window.h"

namespace tex {

class TForm1;
class TFORM_VARIOGRAM;
class TFORM_FRACTAL;
class TFORM_Openpath;
class TFORM_GLCM;
class TFORM_CROSS_DIAGONAL;

// The forms, set while a TextureApplication exists.
extern TForm1* Form1;
extern TFORM_VARIOGRAM* FORM_VARIOGRAM;
extern TFORM_FRACTAL* FORM_FRACTAL;
extern TFORM_Openpath* FORM_Openpath;
extern TFORM_GLCM* FORM_GLCM;
extern TFORM_CROSS_DIAGONAL* FORM_CROSS_DIAGONAL;

// Fills folder with the current folder; when it cannot be read, tells the operator and leaves
// folder as it was.
void get_work_directory(std::string& folder);
// The folder saved at start-up ("" when it could not be read).
const std::string& work_directory();

class TForm1 : public ui::Window {
public:
    TForm1();
    void BtnFractalClick();
    void BtnClassifyClick();
    void BtnGLCMClick();
    void btnCROSS_DIAGONALClick();
};

// Start-up: the start-up folder first, then the six forms in order; destroyed together.
class TextureApplication {
public:
    TextureApplication();
    ~TextureApplication();
    TextureApplication(const TextureApplication&) = delete;
    TextureApplication& operator=(const TextureApplication&) = delete;
    // Runs the main form until it closes.
    int Run();

private:
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TFORM_VARIOGRAM> variogram_;
    std::unique_ptr<TFORM_FRACTAL> fractal_;
    std::unique_ptr<TFORM_Openpath> openpath_;
    std::unique_ptr<TFORM_GLCM> glcm_;
    std::unique_ptr<TFORM_CROSS_DIAGONAL> cross_;
};

// The program's entry: start-up and the message loop; an exception that escapes them is
// shown with the application's error report. Returns 0.
int WinMain();

}  // namespace tex
