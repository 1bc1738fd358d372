#pragma once
// The tool dialogs' check on OK: every check that fails is said, one line each, in one message
// box, and the dialog stays open.
#include <initializer_list>

namespace dlg {

struct Check {
    bool fails;
    const char* line;  // said when it fails, without the line end
};

// True when no check fails; otherwise shows "\n" followed by each failing check's line.
bool ChecksPass(std::initializer_list<Check> checks);

}  // namespace dlg
