#pragma once
// The platform's float formatting as the text grids use it.
#include <string>

namespace rice {

// format "0." followed by n zeros: at least one integer digit and exactly n decimals, rounded
// half away from zero on the exact binary value ("0." alone: no decimals, no point).
// Empty format: the general format with up to 15 significant digits.
// "." whatever the locale.
std::string format_float(const std::string& format, double value);

// Appends the formatted value to out (the grid writer's inner loop).
void append_formatted(std::string& out, const std::string& format, double value);

}  // namespace rice
