// The rice-mapping workbench. With --script FILE it runs under the scripted operator.
#include "platform/script/operator.h"
#include "workbench/app/KorvaneApp.h"

#if defined(RICE_HAVE_QT) && __has_include("platform/qt/desktop.h")
#include "platform/qt/desktop.h"
#define KORVANE_HAVE_DESKTOP 1
#endif

namespace {
CKorvaneApp theApp;
}

int main(int argc, char** argv) {
    script::DesktopFactory desktop;
#ifdef KORVANE_HAVE_DESKTOP
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
