#include "workbench/engine/stats_listing.h"

#include <vector>

#include "workbench/engine/text_fields.h"

namespace rice {
namespace {

constexpr const char* kEol = "\r\n";
constexpr size_t kBandsPerBlock = 7;

std::string_view LineAt(const std::vector<std::string_view>& lines, size_t index) {
    return index < lines.size() ? lines[index] : std::string_view();
}

}  // namespace

std::string CleanListingRow(std::string_view row) {
    std::string out;
    for (size_t i = 5; i < row.size() && i <= 13; ++i)
        if (row[i] != ' ') out += row[i];
    for (size_t i = 14; i < row.size(); ++i)
        if (row[i] != ' ' || i + 1 == row.size() || row[i + 1] != ' ') out += row[i];
    return out;
}

int ListingBandCount(std::string_view listing) {
    std::vector<std::string_view> lines = SplitTextLines(listing);
    return TwoCharCount(LineAt(lines, 5), 18);
}

std::optional<FormattedListing> FormatStatisticsListing(std::string_view listing) {
    std::vector<std::string_view> lines = SplitTextLines(listing);
    int classes = TwoCharCount(LineAt(lines, 4), 22);
    int bandCount = TwoCharCount(LineAt(lines, 5), 18);
    if (classes < 1 || bandCount < 1) return std::nullopt;
    const size_t k = static_cast<size_t>(classes);
    const size_t b = static_cast<size_t>(bandCount);
    const size_t h = (b - 1) / kBandsPerBlock;
    const size_t perClass = (b + 2) * h + 2 * b + 10;
    // Every line up to the last row of the last block of the last class must be there.
    const size_t needed = 7 + (k - 1) * perClass + (b + 2) * h + 2 * b + 7;
    if (lines.size() < needed) return std::nullopt;

    FormattedListing result;
    result.classes = classes;
    result.bands = bandCount;
    std::string& out = result.text;
    out += std::to_string(classes) + kEol;
    out += std::to_string(bandCount) + kEol;
    for (size_t c = 0; c < k; ++c) {
        const size_t start = 7 + c * perClass;
        for (size_t r = 0; r < b; ++r) {
            std::string_view mean = LineAt(lines, start + 4 + r);
            for (size_t i = 29; i <= 35 && i < mean.size(); ++i)
                if (mean[i] != ' ') out += mean[i];
            out += kEol;
        }
        for (size_t r = 0; r < b; ++r) {
            std::string joined(LineAt(lines, start + b + 7 + r));
            for (size_t block = 1; block <= h; ++block) {
                joined += "   ";
                joined += CleanListingRow(LineAt(lines, start + (b + 2) * block + b + 7 + r));
            }
            out += CleanListingRow(joined);
            out += kEol;
        }
    }
    return result;
}

}  // namespace rice
