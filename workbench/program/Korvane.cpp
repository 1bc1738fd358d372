// The rice-mapping workbench. With --script FILE it runs under the scripted operator.
#include "platform/entry/entry.h"
#include "workbench/app/KorvaneApp.h"

namespace {
CKorvaneApp theApp;
}

int main(int argc, char** argv) {
    return script::RunDesktopProgram(argc, argv, [](const std::vector<std::string>& args) {
        if (!theApp.InitInstance(args)) return 1;
        return theApp.Run();
    });
}
