// The rice-mapping workbench. With --script FILE it runs under the scripted operator.
#include "platform/script/operator.h"
#include "workbench/app/KorvaneApp.h"

#ifdef RICE_HAVE_QT
#include "platform/qt/desktop.h"
#endif

namespace {
CKorvaneApp theApp;
}

int main(int argc, char** argv) {
    script::DesktopFactory desktop;
#ifdef RICE_HAVE_QT
    desktop = [&] { return qtui::MakeDesktopUi(argc, argv); };
#endif
    return script::RunProgram(
        argc, argv,
        [](const std::vector<std::string>& args) {
            if (!theApp.InitInstance(args)) return 1;
            return theApp.Run();
        },
        desktop);
}
