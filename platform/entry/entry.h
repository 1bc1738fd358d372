#pragma once
// A program's main(): "--script FILE" runs it under the scripted operator, else it opens its
// windows through the desktop front-end (none in a build without Qt).
#include <string>
#include <vector>

#include "platform/script/operator.h"

#ifdef RICE_HAVE_QT
#include "platform/qt/desktop.h"
#endif

namespace script {

// argc by reference: the desktop front-end keeps it for as long as it runs.
inline int RunDesktopProgram(int& argc, char** argv,
                             const std::function<int(const std::vector<std::string>&)>& program) {
    DesktopFactory desktop;
#ifdef RICE_HAVE_QT
    desktop = [&] { return qtui::MakeDesktopUi(argc, argv); };
#endif
    return RunProgram(argc, argv, program, desktop);
}

}  // namespace script
