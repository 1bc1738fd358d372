// main, the texture tool. Takes no arguments of its own; "--script FILE" runs it under the
// scripted operator.
#include "platform/script/operator.h"
#include "platform/ui/ui.h"
#include "texture/forms/Gis.h"
#include "texture/forms/form_support.h"

#ifdef RICE_HAVE_QT
#include "platform/qt/desktop.h"
#endif

int main(int argc, char** argv) {
    script::DesktopFactory desktop;
#ifdef RICE_HAVE_QT
    desktop = [&] { return qtui::MakeDesktopUi(argc, argv); };
#endif
    ui::SetAppTitle(tex::kProgramTitle);
    return script::RunProgram(argc, argv, [](const std::vector<std::string>&) { return tex::WinMain(); },
                              desktop);
}
