// Tessmar, the cover batch tool. Takes no arguments of its own; "--script FILE" runs it under
// the scripted operator.
#include "covertool/form/form1.h"
#include "platform/entry/entry.h"
#include "platform/ui/ui.h"

int main(int argc, char** argv) {
    ui::SetAppTitle(cover::kProgramTitle);
    return script::RunDesktopProgram(argc, argv, [](const std::vector<std::string>&) {
        cover::Form1 form;
        ui::Current().RunMain(form);
        return 0;
    });
}
