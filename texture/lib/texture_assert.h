#pragma once
// Internal consistency checks of the texture tool. A failed check prints its expression, the
// source name and the fixed line number that belongs to it, then stops the program.

namespace rice {

[[noreturn]] void texture_assert_fail(const char* expression, const char* source, int line);

}  // namespace rice

// The expression text is given literally: it is the text the operator sees, not the C++ code.
#define TEXTURE_CHECK(cond, text, source, line)                  \
    do {                                                         \
        if (!(cond)) ::rice::texture_assert_fail(text, source, line); \
    } while (0)
