#pragma once
// The platform's float formatting as the text grids use it.
#include <string>

namespace rice {

// format "0." followed by n zeros: at least one integer digit and exactly n decimals, rounded
// half away from zero on the exact binary value ("0." alone: no decimals, no point).
// Empty format: the general format with up to 15 significant digits.
// "." whatever the locale.
std::string format_float(const std::string& format, double value);

// A format read once for the many values of a grid; gives the same text as format_float.
class NUMBER_FORMAT {
public:
    explicit NUMBER_FORMAT(const std::string& format);
    void append(std::string& out, double value) const;

private:
    int _decimals;  // -1: the general format
};

// The plain formatting through the exact decimal expansion (the reference of the fast one).
void append_formatted_plain(std::string& out, const std::string& format, double value);

}  // namespace rice
