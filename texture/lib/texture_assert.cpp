#include "texture/lib/texture_assert.h"

#include <cstdio>

#include "platform/core/exit.h"

namespace rice {

void texture_assert_fail(const char* expression, const char* source, int line) {
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression, source, line);
    std::fflush(stderr);
    EndProcess(3);
}

}  // namespace rice
