// The rice-mapping workbench. With --script FILE it runs under the scripted operator.
#include "platform/script/operator.h"
#include "workbench/app/KorvaneApp.h"

#if __has_include("platform/qt/desktop.h") && defined(RICE_HAVE_QT)
#include "platform/qt/desktop.h"
#define KORVANE_DESKTOP qtui::MakeDesktopUi
#else
#define KORVANE_DESKTOP nullptr
#endif

namespace {
CKorvaneApp theApp;
}

int main(int argc, char** argv) {
    return script::RunProgram(
        argc, argv,
        [](const std::vector<std::string>& args) {
            if (!theApp.InitInstance(args)) return 1;
            return theApp.Run();
        },
        KORVANE_DESKTOP);
}
