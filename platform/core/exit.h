#pragma once
// "Ends the process with exit status N": unwinds to the program's entry, which returns N.
// Nothing calls exit() directly, so tests can catch it.
#include <functional>

namespace rice {

struct ProcessExit {
    int status;
};

[[noreturn]] void EndProcess(int status);

// Runs body; a ProcessExit thrown inside becomes its status.
int RunUntilExit(const std::function<int()>& body);

}  // namespace rice
