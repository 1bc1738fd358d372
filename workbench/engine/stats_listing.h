#pragma once
// Statistics listing (fixed columns, covariance printed in blocks of at most seven bands)
// to class-statistics text. The blocks are joined in memory; the listing is never rewritten.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rice {

// Columns 0-4 dropped, blanks of columns 5-13 dropped, from column 14 on each run of blanks
// becomes one blank. No line end.
std::string CleanListingRow(std::string_view row);

// A listing prints every class's means and covariance of at most 99 bands in blocks of seven:
// 16 MiB is far beyond any real one.
inline constexpr std::uint64_t kMaxStatisticsListingBytes = std::uint64_t{16} << 20;

struct FormattedListing {
    int classes = 0;
    int bands = 0;
    std::string text;  // the class-statistics text, CR LF line ends
};

// Empty when the counts are not at least 1 or the listing ends before its last class.
std::optional<FormattedListing> FormatStatisticsListing(std::string_view listing);

// The band count of a listing's header (-1 when it cannot be read).
int ListingBandCount(std::string_view listing);

}  // namespace rice
