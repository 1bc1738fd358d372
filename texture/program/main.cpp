// main, the texture tool. Takes no arguments of its own; "--script FILE" runs it under the
// scripted operator.
#include "platform/entry/entry.h"
#include "platform/ui/ui.h"
#include "texture/forms/Gis.h"
#include "texture/forms/form_support.h"

int main(int argc, char** argv) {
    ui::SetAppTitle(tex::kProgramTitle);
    return script::RunDesktopProgram(argc, argv,
                                     [](const std::vector<std::string>&) { return tex::WinMain(); });
}
