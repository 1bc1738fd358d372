#include "platform/core/exit.h"

namespace rice {

void EndProcess(int status) { throw ProcessExit{status}; }

int RunUntilExit(const std::function<int()>& body) {
    try {
        return body();
    } catch (const ProcessExit& e) {
        return e.status;
    }
}

}  // namespace rice
