#include "workbench/dialogs/choice_checks.h"

#include <string>

#include "platform/ui/ui.h"

namespace dlg {

bool ChecksPass(std::initializer_list<Check> checks) {
    std::string message = "\n";
    for (const Check& c : checks)
        if (c.fails) message += std::string(c.line) + "\n";
    if (message == "\n") return true;
    ui::AppMessageBox(message);
    return false;
}

}  // namespace dlg
