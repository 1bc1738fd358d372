#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "workbench/engine/stats_listing.h"

namespace rice {
namespace {

std::string Printf(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

std::string Pad(std::string s, size_t width) {
    s.resize(std::max(s.size(), width), ' ');
    return s;
}

double Mean(int k, int b) { return k == 1 ? 100 + b * 11.5 + 0.25 : 10 + k * 5 + b * 1.5 + 0.125; }
double Cov(int k, int r, int c) { return r == c ? 25 + r + k + 0.5 : (r + c) * 0.1 - 1 - k * 0.01; }

// A listing as the outside package prints it: counts at fixed columns, means at columns
// 29-35, covariance rows in blocks of seven bands.
std::vector<std::string> MakeListing(int classes, int bands) {
    std::vector<std::string> l = {"CLASS STATISTICS", "", "image: fixture.lan", ""};
    l.push_back(Pad("Number of classes:", 22) + Printf("%2.0f", classes));
    l.push_back(Pad("Number of bands:", 18) + std::to_string(bands));
    l.push_back("");
    for (int k = 0; k < classes; ++k) {
        l.insert(l.end(), {"", "CLASS " + std::to_string(k + 1), "", "  BAND        MEAN"});
        for (int b = 0; b < bands; ++b)
            l.push_back(Pad("   " + std::to_string(b + 1), 29) + Printf("%7.3f", Mean(k, b)) +
                        "     std 9.99");
        l.insert(l.end(), {"", "COVARIANCE", ""});
        for (int block = 0; block * 7 < bands; ++block) {
            if (block > 0) l.insert(l.end(), {"", "  (continued)"});
            for (int r = 0; r < bands; ++r) {
                std::string row = Printf("%5.0f", r + 1);
                for (int c = block * 7; c < std::min(bands, block * 7 + 7); ++c)
                    row += Printf("%10.4f", Cov(k, r, c));
                l.push_back(row);
            }
        }
        l.insert(l.end(), {"", "", "----"});
    }
    return l;
}

std::string Join(const std::vector<std::string>& lines, const char* eol = "\r\n") {
    std::string t;
    for (const auto& s : lines) t += s + eol;
    return t;
}

std::string Expected(int classes, int bands) {
    std::string t = std::to_string(classes) + "\r\n" + std::to_string(bands) + "\r\n";
    for (int k = 0; k < classes; ++k) {
        for (int b = 0; b < bands; ++b) t += Printf("%.3f", Mean(k, b)) + "\r\n";
        for (int r = 0; r < bands; ++r) {
            for (int c = 0; c < bands; ++c) t += (c ? " " : "") + Printf("%.4f", Cov(k, r, c));
            t += "\r\n";
        }
    }
    return t;
}

TEST(StatisticsListing, JoinsBlocksForAnyBandCount) {
    for (int bands : {1, 3, 7, 8, 14, 15}) {
        for (const char* eol : {"\r\n", "\n"}) {
            auto result = FormatStatisticsListing(Join(MakeListing(3, bands), eol));
            ASSERT_TRUE(result) << bands;
            EXPECT_EQ(result->classes, 3);
            EXPECT_EQ(result->bands, bands);
            EXPECT_EQ(result->text, Expected(3, bands)) << bands;
        }
    }
}

TEST(StatisticsListing, RowCleaning) {
    struct Case { const char* row; const char* clean; };
    const Case cases[] = {
        {"    1   123.4567   45.1234", "123.4567 45.1234"},
        {"    1  1.5  2.5   3.5", "1.52.5 3.5"},  // blanks of columns 5-13 vanish
        {"    1  12.5    ", "12.5 "},            // a last run of blanks keeps one
        {"    1", ""},
        {"ab", ""},
        {"LABEL-99.0  \t 7", "-99.0\t7"},
    };
    for (const auto& c : cases) EXPECT_EQ(CleanListingRow(c.row), c.clean) << c.row;
}

TEST(StatisticsListing, MeanColumns) {
    struct Case { std::string line; const char* mean; };
    const Case cases[] = {
        {Pad("", 29) + "123.456 tail", "123.456"},
        {Pad("", 29) + " 12.345", "12.345"},
        {Pad("", 29) + " 1 2 3 9", "123"},  // column 36 is not read
        {Pad("", 29) + "  4.5", "4.5"},  // shorter than column 35: what it holds
        {"short", ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> l = MakeListing(1, 1);
        l[11] = c.line;
        auto result = FormatStatisticsListing(Join(l));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->text.substr(6, result->text.find("\r\n", 6) - 6), c.mean) << c.line;
    }
}

TEST(StatisticsListing, BadListings) {
    auto edit = [](int classes, int bands, size_t line, std::string text) {
        std::vector<std::string> l = MakeListing(classes, bands);
        l[line] = text;
        return Join(l);
    };
    std::vector<std::string> full = MakeListing(2, 8);
    std::vector<std::string> cut(full.begin(), full.end() - 4);  // loses its last row
    std::vector<std::string> noTrailer(full.begin(), full.end() - 3);
    struct Case { const char* name; std::string text; bool ok; };
    const Case cases[] = {
        {"empty", "", false},
        {"header only", Join({"a", "b", "c", "d"}), false},
        {"class count blank", edit(2, 3, 4, Pad("Number of classes:", 24)), false},
        {"class count 0", edit(2, 3, 4, Pad("Number of classes:", 22) + " 0"), false},
        {"class line too short", edit(2, 3, 4, "Number of classes:"), false},
        {"band count not a number", edit(2, 3, 5, Pad("Number of bands:", 18) + "x8"), false},
        {"band count 0", edit(2, 3, 5, Pad("Number of bands:", 18) + "0"), false},
        {"ends before its last row", Join(cut), false},
        {"no trailer after the last class", Join(noTrailer), true},
        {"oversized counts are two digits", edit(2, 3, 4, Pad("Number of classes:", 22) + "999999"), false},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatStatisticsListing(c.text).has_value(), c.ok) << c.name;
    EXPECT_EQ(ListingBandCount(Join(full)), 8);
}

}  // namespace
}  // namespace rice
