#include "covertool/jobs/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cover {

std::string NumberText(double value) {
    if (value == 0 || !std::isfinite(value)) return " 0";
    // 15 significant digits, as the runtime rounds a double for display; then laid out plainly.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    std::string text(buf);
    size_t e = text.find('e');
    std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
    int exponent = std::atoi(text.c_str() + e + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string whole, fraction;
    if (exponent >= 0) {
        size_t intLen = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= intLen) {
            whole = digits + std::string(intLen - digits.size(), '0');
        } else {
            whole = digits.substr(0, intLen);
            fraction = digits.substr(intLen);
        }
    } else {
        fraction = std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    std::string out(value < 0 ? "-" : " ");
    out += whole;
    if (!fraction.empty()) out += "." + fraction;
    return out;
}

std::string NumberTextWithSuffix(double value, std::string_view whole, std::string_view notWhole) {
    std::string out = NumberText(value);
    out += (value - std::floor(value) == 0) ? whole : notWhole;
    return out;
}

std::string BndNumberText(double value) { return NumberTextWithSuffix(value, ".000", "00"); }

std::string TicNumberText(double value) { return NumberTextWithSuffix(value, ".00", "0"); }

}  // namespace cover
