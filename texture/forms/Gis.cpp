#include "texture/forms/Gis.h"

#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "texture/forms/Cross_diagonal.h"
#include "texture/forms/Fractal.h"
#include "texture/forms/Glcm.h"
#include "texture/forms/Openpath.h"
#include "texture/forms/Variogram.h"
#include "texture/forms/form_support.h"

namespace tex {

TForm1* Form1 = nullptr;
TFORM_VARIOGRAM* FORM_VARIOGRAM = nullptr;
TFORM_FRACTAL* FORM_FRACTAL = nullptr;
TFORM_Openpath* FORM_Openpath = nullptr;
TFORM_GLCM* FORM_GLCM = nullptr;
TFORM_CROSS_DIAGONAL* FORM_CROSS_DIAGONAL = nullptr;

namespace {
std::string g_work_directory;
}

void get_work_directory(std::string& folder) {
    std::string now = rice::CurrentFolder();
    if (now.empty()) {
        Info("Can't get current work directory");
        return;
    }
    folder = now;
}

const std::string& work_directory() { return g_work_directory; }

TForm1::TForm1() : ui::Window("GIS", 696, 452, ui::Units::Pixels) {
    left = 161;
    top = 219;
    font = ui::Font{"MS Sans Serif", 8, false, false};
    Add(Make(ui::Kind::Button, "BtnFractal", "Fractal", {88, 48, 105, 25})).onClick =
        Handler([this] { BtnFractalClick(); });
    Add(Make(ui::Kind::Button, "BtnClassify", "Variogram", {88, 112, 105, 25})).onClick =
        Handler([this] { BtnClassifyClick(); });
    Add(Make(ui::Kind::Button, "BtnGLCM", "GLCM", {88, 168, 105, 25})).onClick =
        Handler([this] { BtnGLCMClick(); });
    Add(Make(ui::Kind::Button, "btnCROSS_DIAGONAL", "CROSS_DIAGONAL", {88, 224, 105, 25})).onClick =
        Handler([this] { btnCROSS_DIAGONALClick(); });
}

void TForm1::BtnFractalClick() { FORM_FRACTAL->ShowModal(); }
void TForm1::BtnClassifyClick() { FORM_VARIOGRAM->ShowModal(); }
void TForm1::BtnGLCMClick() { FORM_GLCM->ShowModal(); }
void TForm1::btnCROSS_DIAGONALClick() { FORM_CROSS_DIAGONAL->ShowModal(); }

TextureApplication::TextureApplication() {
    // Before any form: the variogram form reads its settings from this folder as it is made.
    g_work_directory.clear();
    get_work_directory(g_work_directory);
    form1_ = std::make_unique<TForm1>();
    Form1 = form1_.get();
    variogram_ = std::make_unique<TFORM_VARIOGRAM>();
    FORM_VARIOGRAM = variogram_.get();
    fractal_ = std::make_unique<TFORM_FRACTAL>();
    FORM_FRACTAL = fractal_.get();
    openpath_ = std::make_unique<TFORM_Openpath>();
    FORM_Openpath = openpath_.get();
    glcm_ = std::make_unique<TFORM_GLCM>();
    FORM_GLCM = glcm_.get();
    cross_ = std::make_unique<TFORM_CROSS_DIAGONAL>();
    FORM_CROSS_DIAGONAL = cross_.get();
}

TextureApplication::~TextureApplication() {
    Form1 = nullptr;
    FORM_VARIOGRAM = nullptr;
    FORM_FRACTAL = nullptr;
    FORM_Openpath = nullptr;
    FORM_GLCM = nullptr;
    FORM_CROSS_DIAGONAL = nullptr;
}

int TextureApplication::Run() { return ui::Current().RunMain(*form1_); }

int WinMain() {
    try {
        TextureApplication app;
        app.Run();
    } catch (const std::exception& e) {
        ShowException(e);
    }
    return 0;
}

}  // namespace tex
