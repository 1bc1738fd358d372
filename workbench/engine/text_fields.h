#pragma once
// Small readers for the fixed-column operator texts (signature files, statistics listings).
// They work on the file's bytes: every field they pick is ASCII, and code page 950 never uses
// a blank or a digit as the second byte of a character, so byte columns are safe.
#include <string>
#include <string_view>
#include <vector>

namespace rice {

// Lines of a text, read whole whatever their length; LF or CR LF ends a line, and a final
// line end does not start another (empty) line.
std::vector<std::string_view> SplitTextLines(std::string_view text);

// The count held in the (at most) two characters from `column` (0-based): leading blanks are
// skipped and reading stops at the first non-digit. -1 when the line does not reach the
// column or no digit is there.
int TwoCharCount(std::string_view line, size_t column);

// The numbers at the start of a line, up to the first one that does not read as a number
// ("1.5 2 x 3" gives 1.5 and 2). Locale-independent.
std::vector<double> LeadingNumbers(std::string_view line);

// Fixed-point with `places` decimals, "." whatever the locale ("%.*f").
std::string FixedText(double value, int places);

}  // namespace rice
