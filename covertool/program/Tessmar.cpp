// Tessmar, the cover batch tool. Takes no arguments of its own; "--script FILE" runs it under
// the scripted operator.
#include "covertool/form/form1.h"
#include "platform/script/operator.h"
#include "platform/ui/ui.h"

#ifdef RICE_HAVE_QT
#include "platform/qt/desktop.h"
#endif

int main(int argc, char** argv) {
    script::DesktopFactory desktop;
#ifdef RICE_HAVE_QT
    desktop = [&] { return qtui::MakeDesktopUi(argc, argv); };
#endif
    ui::SetAppTitle(cover::kProgramTitle);
    return script::RunProgram(argc, argv, [](const std::vector<std::string>&) {
        cover::Form1 form;
        ui::Current().RunMain(form);
        return 0;
    }, desktop);
}
