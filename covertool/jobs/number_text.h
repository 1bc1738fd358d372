#pragma once
// Numbers as the cover jobs write them: the runtime's plain number text (one leading blank
// for zero and positive values, a minus sign otherwise, at most 15 significant digits, no
// leading zero before the point) followed by a suffix picked by whether the value is whole.
#include <string>
#include <string_view>

namespace cover {

// " 250", "-3", " 12.25", " .5", " 0". Never exponent notation.
std::string NumberText(double value);

// NumberText(value) and then `whole` when the value has no fraction, else `notWhole`.
std::string NumberTextWithSuffix(double value, std::string_view whole, std::string_view notWhole);

// Extent fields of bnd in coord.txt: ".000" / "00".
std::string BndNumberText(double value);
// X and Y of a tic in tic.txt: ".00" / "0".
std::string TicNumberText(double value);

}  // namespace cover
