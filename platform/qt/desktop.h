#pragma once
// The desktop factory under the name the program entries look for (script::RunProgram takes
// it as its DesktopFactory).
#include <memory>

#include "platform/qt/qt_ui.h"

namespace qtui {

inline std::unique_ptr<ui::Ui> MakeDesktopUi(int& argc, char** argv) { return rice::MakeQtUi(argc, argv); }

}  // namespace qtui
