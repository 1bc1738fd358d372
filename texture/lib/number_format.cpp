#include "texture/lib/number_format.h"

#include <cmath>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <string_view>

namespace rice {

namespace {

std::string prefixed(char c, const std::string& s) {
    std::string out(1, c);
    out += s;
    return out;
}

// Number of decimals of a "0.000" format; -1 for anything else (general format).
int fixed_decimals(const std::string& format) {
    if (format.size() < 2 || format[0] != '0' || format[1] != '.') return -1;
    for (size_t i = 2; i < format.size(); ++i)
        if (format[i] != '0') return -1;
    return static_cast<int>(format.size() - 2);
}

// Exact decimal expansion of value: every binary fraction has a finite one, and to_chars
// prints it exactly (and whatever the locale) when asked for enough digits.
std::string exact_digits(double value) {
    int exponent = 0;
    std::frexp(value, &exponent);
    int precision = 53 - exponent;
    if (precision < 0) precision = 0;
    if (precision > 1100) precision = 1100;
    std::string buf(1500, '\0');
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed, precision);
    buf.resize(static_cast<size_t>(r.ptr - buf.data()));
    return buf;
}

// Rounds the magnitude digits "III.FFFF" to `decimals` fraction digits, half away from zero
// (the expansion is exact, so the first dropped digit decides).
std::string round_fixed(std::string_view digits, int decimals) {
    size_t point = digits.find('.');
    std::string integer(digits.substr(0, point));
    std::string fraction = point == std::string_view::npos ? "" : std::string(digits.substr(point + 1));
    bool up = static_cast<int>(fraction.size()) > decimals && fraction[static_cast<size_t>(decimals)] >= '5';
    fraction.resize(static_cast<size_t>(decimals), '0');
    std::string all = integer + fraction;
    if (up) {
        size_t i = all.size();
        while (i > 0) {
            --i;
            if (all[i] == '9') {
                all[i] = '0';
            } else {
                ++all[i];
                break;
            }
            if (i == 0) all = prefixed('1', all);
        }
    }
    std::string out = all.substr(0, all.size() - static_cast<size_t>(decimals));
    if (decimals > 0) {
        out += '.';
        out += all.substr(all.size() - static_cast<size_t>(decimals));
    }
    return out;
}

bool all_zero(const std::string& s) {
    for (char c : s)
        if (c != '0' && c != '.') return false;
    return true;
}

void append_special(std::string& out, double value) {
    if (std::isnan(value)) out += "NAN";
    else out += value < 0 ? "-INF" : "INF";
}

void append_fixed(std::string& out, int decimals, double value) {
    // to_chars rounds to nearest on the exact value; it differs from half away from zero only on
    // an exact tie, which needs value * 2^(decimals + 1) to be an odd integer.
    double scaled = std::ldexp(value, decimals + 1);
    bool tie = std::floor(scaled) == scaled && std::fmod(std::fabs(scaled), 2.0) == 1.0;
    std::string text;
    if (!tie && decimals <= 60) {
        char buf[400];
        auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
        if (r.ec == std::errc()) text.assign(buf, r.ptr);
    }
    if (text.empty()) {
        std::string exact = exact_digits(std::fabs(value));
        text = round_fixed(exact, decimals);
        if (std::signbit(value)) text = prefixed('-', text);
    }
    if (text[0] == '-' && all_zero(text.substr(1))) text.erase(0, 1);
    out += text;
}

void append_general(std::string& out, double value) {
    if (value == 0) {
        out += '0';
        return;
    }
    std::string exact = exact_digits(std::fabs(value));
    // Significant digits and the decimal exponent of the first one.
    size_t point = exact.find('.');
    if (point == std::string::npos) point = exact.size();
    std::string digits;
    int first_exp = 0;
    bool found = false;
    for (size_t i = 0; i < exact.size(); ++i) {
        if (exact[i] == '.') continue;
        int pos_exp = i < point ? static_cast<int>(point - i - 1) : -static_cast<int>(i - point);
        if (!found && exact[i] == '0') continue;
        if (!found) {
            found = true;
            first_exp = pos_exp;
        }
        digits += exact[i];
    }
    const size_t kDigits = 15;
    bool up = digits.size() > kDigits && digits[kDigits] >= '5';
    digits.resize(std::min(digits.size(), kDigits));
    if (up) {
        size_t i = digits.size();
        bool carry = true;
        while (carry && i > 0) {
            --i;
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                carry = false;
            }
        }
        if (carry) {
            digits = prefixed('1', digits);
            digits.pop_back();
            ++first_exp;
        }
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    if (value < 0) out += '-';
    if (first_exp >= static_cast<int>(kDigits) || first_exp < -5) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'E';
        out += std::to_string(first_exp);
        return;
    }
    if (first_exp < 0) {
        out += "0.";
        out.append(static_cast<size_t>(-first_exp - 1), '0');
        out += digits;
        return;
    }
    size_t int_digits = static_cast<size_t>(first_exp) + 1;
    if (digits.size() <= int_digits) {
        out += digits;
        out.append(int_digits - digits.size(), '0');
    } else {
        out += digits.substr(0, int_digits);
        out += '.';
        out += digits.substr(int_digits);
    }
}

// Fixed format by integer arithmetic: the value is M * 2^shift exactly, so M * 5^n shifted by
// shift + n is value * 10^n, rounded half away from zero on the bits that drop out. False when
// the result does not fit 64 bits (the exact expansion then does it).
bool append_fixed_fast(std::string& out, int decimals, double value) {
    static constexpr std::uint64_t kPow5[] = {1ull,         5ull,          25ull,          125ull,
                                              625ull,       3125ull,       15625ull,       78125ull,
                                              390625ull,    1953125ull,    9765625ull,     48828125ull,
                                              244140625ull, 1220703125ull, 6103515625ull,  30517578125ull};
    if (decimals < 0 || decimals > 15) return false;
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = bits >> 63;
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int shift;
    if (biased == 0) {
        shift = -1074;
    } else {
        mantissa |= std::uint64_t{1} << 52;
        shift = biased - 1075;
    }
    using u128 = unsigned __int128;
    const u128 scaled = static_cast<u128>(mantissa) * kPow5[decimals];  // below 2^88
    const int k = shift + decimals;
    u128 q;
    if (k >= 0) {
        if (k > 39) return false;
        q = scaled << k;
    } else if (-k >= 100) {
        q = 0;  // far below half a unit of the last decimal
    } else {
        const int drop = -k;
        q = scaled >> drop;
        const u128 rest = scaled & ((static_cast<u128>(1) << drop) - 1);
        if (rest >= (static_cast<u128>(1) << (drop - 1))) ++q;
    }
    if (q > static_cast<u128>(UINT64_MAX)) return false;
    std::uint64_t n = static_cast<std::uint64_t>(q);
    char buf[48];
    char* end = buf + sizeof buf;
    char* p = end;
    int digits = 0;
    do {
        *--p = static_cast<char>('0' + n % 10);
        n /= 10;
        ++digits;
        if (digits == decimals) *--p = '.';
    } while (n != 0 || digits <= decimals);
    if (negative && q != 0) *--p = '-';
    out.append(p, static_cast<size_t>(end - p));
    return true;
}

}  // namespace

void append_formatted_plain(std::string& out, const std::string& format, double value) {
    if (!std::isfinite(value)) {
        append_special(out, value);
        return;
    }
    int decimals = fixed_decimals(format);
    if (decimals < 0) append_general(out, value);
    else append_fixed(out, decimals, value);
}

NUMBER_FORMAT::NUMBER_FORMAT(const std::string& format) : _decimals(fixed_decimals(format)) {}

void NUMBER_FORMAT::append(std::string& out, double value) const {
    if (!std::isfinite(value)) {
        append_special(out, value);
        return;
    }
    if (_decimals < 0) append_general(out, value);
    else if (!append_fixed_fast(out, _decimals, value)) append_fixed(out, _decimals, value);
}

std::string format_float(const std::string& format, double value) {
    std::string out;
    NUMBER_FORMAT(format).append(out, value);
    return out;
}

}  // namespace rice
