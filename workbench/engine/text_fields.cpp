#include "workbench/engine/text_fields.h"

#include <charconv>

namespace rice {

std::vector<std::string_view> SplitTextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t end = nl == std::string_view::npos ? text.size() : nl;
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (nl == std::string_view::npos) break;
        pos = nl + 1;
    }
    return lines;
}

int TwoCharCount(std::string_view line, size_t column) {
    if (column >= line.size()) return -1;
    std::string_view field = line.substr(column, 2);
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
    int value = -1;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i)
        value = (value < 0 ? 0 : value * 10) + (field[i] - '0');
    return value;
}

std::vector<double> LeadingNumbers(std::string_view line) {
    std::vector<double> values;
    const char* p = line.data();
    const char* end = p + line.size();
    while (true) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\v' || *p == '\f')) ++p;
        if (p == end) break;
        const char* start = p;
        if (*start == '+') ++start;
        // Only plain decimals: no "inf", "nan" or a second sign.
        const char* digits = start < end && *start == '-' ? start + 1 : start;
        if (digits == end || !((*digits >= '0' && *digits <= '9') || *digits == '.')) break;
        double v = 0;
        auto r = std::from_chars(start, end, v, std::chars_format::general);
        if (r.ec != std::errc()) break;
        values.push_back(v);
        p = r.ptr;
    }
    return values;
}

std::string FixedText(double value, int places) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, places);
    if (r.ec != std::errc()) return "0";
    return std::string(buf, r.ptr);
}

}  // namespace rice
