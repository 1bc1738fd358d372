#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/core/atomic_file.h"
#include "platform/core/message_sink.h"
#include "platform/testing/temp_folder.h"
#include "texture/lib/matrix.h"
#include "texture/lib/number_format.h"
#include "texture/lib/probability_matrix.h"
#include "test_util.h"

using namespace rice;
using texture_test::ReadText;
using texture_test::StopsWith;
using rice::testing::TempFolder;
using texture_test::WriteText;

TEST(NumberFormat, FixedAndGeneralFormats) {
    struct Case {
        const char* format;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {"0.0", 0.25, "0.3"},        // exact tie: away from zero
        {"0.00", 0.125, "0.13"},
        {"0.0", -0.25, "-0.3"},
        {"0.0", 0.35f, "0.3"},       // 0.3499999940... as a float
        {"0.0", 0.05, "0.1"},        // 0.05000000000000000277 as a double
        {"0.00", 1.005, "1.00"},     // 1.00499999999999989...
        {"0.000", 2.5, "2.500"},
        {"0.000", 0.0, "0.000"},
        {"0.0", -0.01, "0.0"},       // no sign on a value that rounds to zero
        {"0.0", -0.0, "0.0"},
        {"0.", 2.5, "3"},
        {"0.", 1.4, "1"},
        {"0.0", 9.96, "10.0"},       // carry into a new digit
        {"0.000000", 1.0 / 3.0, "0.333333"},
        {"0.0", 1234567.75, "1234567.8"},
        {"", 0.1f, "0.100000001490116"},
        {"", 2.0, "2"},
        {"", 0.5, "0.5"},
        {"", 1e-5, "0.00001"},
        {"", 1e-6, "1E-6"},
        {"", 1.5e-7, "1.5E-7"},
        {"", 123456789012345.0, "123456789012345"},
        {"", 1.2345678901234567e20, "1.23456789012346E20"},
        {"", -0.75, "-0.75"},
        // Rounding edges of the fixed format.
        {"0.", 0.5, "1"},
        {"0.", -2.5, "-3"},
        {"0.", -0.4, "0"},
        {"0.000", -0.0005, "-0.001"},    // just above the tie in magnitude as a double
        {"0.000", -0.0004999, "0.000"},
        {"0.000", 0.9995f, "0.999"},      // 0.99949997... as a float: below the tie
        {"0.000", 0.99951f, "1.000"},
        {"0.000", 999.9995, "1000.000"},  // 999.99950000000001...: carry through every digit
        {"0.000", 1e-300, "0.000"},
        {"0.000", 4.9406564584124654e-324, "0.000"},  // the smallest subnormal
        {"0.000", -4.9406564584124654e-324, "0.000"},
        {"0.000000000000000", 0.1, "0.100000000000000"},
        {"0.000000000000000", 2.5e-16, "0.000000000000000"},  // 2.49999999999999980...e-16
        {"0.000000000000000", 1.5, "1.500000000000000"},
        // Large values, beyond 64-bit integers once scaled.
        {"0.000", 16777216.0f, "16777216.000"},
        {"0.000", 3.4028234663852886e38, "340282346638528859811704183484516925440.000"},
        {"0.0", -1e19, "-10000000000000000000.0"},
        {"0.00", 123456789012345678.0, "123456789012345680.00"},
        {"0.000000", 18446744073709.551, "18446744073709.550781"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(format_float(c.format, c.value), c.text) << "format \"" << c.format << "\" value " << c.value;
}

// The integer fast path against the exact decimal expansion, byte for byte, on every number of
// decimals the forms offer: floats of every magnitude, exact ties, values next to ties.
TEST(NumberFormat, FastFixedFormatMatchesTheExactExpansion) {
    std::mt19937_64 gen(5);
    std::vector<double> values = {0.0, -0.0, 1.0, -1.0, 0.5, 0.25, 0.125, 0.0625, 1e6, 9.5, 99.5, 1e-7};
    for (int k = 0; k < 4000; ++k) {
        std::uint32_t bits = static_cast<std::uint32_t>(gen());
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (std::isfinite(f)) values.push_back(f);
        double d = std::ldexp(static_cast<double>(gen() >> 11), static_cast<int>(gen() % 120) - 100);
        values.push_back(gen() & 1 ? d : -d);
        // Ties at m decimals: an odd number of halves of 10^-m, and the doubles either side.
        int m = static_cast<int>(gen() % 7);
        double tie = (2.0 * static_cast<double>(gen() % 100000) + 1) / 2 / std::pow(10.0, m);
        values.push_back(tie);
        values.push_back(std::nextafter(tie, 0.0));
        values.push_back(std::nextafter(tie, 1e300));
        values.push_back(static_cast<float>(static_cast<double>(gen() % 2000000) / 1000.0));
    }
    for (int decimals = 0; decimals <= 15; ++decimals) {
        const std::string format = "0." + std::string(static_cast<size_t>(decimals), '0');
        for (double v : values) {
            std::string plain;
            append_formatted_plain(plain, format, v);
            ASSERT_EQ(format_float(format, v), plain) << format << " " << std::hexfloat << v;
        }
    }
}

TEST(NumberFormat, PointWhateverTheLocale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "C.UTF-8"};
    std::string old = setlocale(LC_ALL, nullptr);
    for (const char* n : names)
        if (setlocale(LC_ALL, n)) break;
    std::string a = format_float("0.000", 2.5), b = format_float("", 0.1f);
    setlocale(LC_ALL, old.c_str());
    EXPECT_EQ(a, "2.500");
    EXPECT_EQ(b, "0.100000001490116");
}

struct ReadCase {
    const char* name;
    std::string text;
    unsigned x, y;
    int result;
    const char* message;  // before " : " and the file name; empty when none
    std::vector<unsigned> cells;
};

TEST(TextGrid, ReadsUnsignedGrids) {
    const std::string too_many = "存檔格式錯誤(用ANSI不要用UNICODE)或檔案資料數過多";
    const std::string too_few = "檔案資料數不夠";
    const std::vector<ReadCase> cases = {
        {"crlf", "1 2\r\n3 4\r\n", 2, 2, 1, "", {1, 2, 3, 4}},
        {"any_lines", "1 2 3\n4", 2, 2, 1, "", {1, 2, 3, 4}},
        {"tabs_and_trailing_blank_lines", "\t1\t2\r\n3\v4\f\r\n\r\n   \n", 2, 2, 1, "", {1, 2, 3, 4}},
        {"largest_value", "0 4294967295", 2, 1, 1, "", {0, 4294967295u}},
        {"one_too_many", "1 2 3 4 5", 2, 2, 0, too_many.c_str(), {}},
        {"trailing_comment", "1 2 3 4 # note", 2, 2, 0, too_many.c_str(), {}},
        {"decimal_in_last_cell", "1 2 3 4.5", 2, 2, 0, too_many.c_str(), {}},
        {"one_too_few", "1 2 3", 2, 2, 0, too_few.c_str(), {}},
        {"empty_file", "", 2, 2, 0, too_few.c_str(), {}},
        {"decimal_inside", "1 12.5 3 4", 2, 2, 0, too_few.c_str(), {}},
        {"word_in_last_cell", "1 2 3 x", 2, 2, 0, too_few.c_str(), {}},
        {"minus_sign", "1 -2 3 4", 2, 2, 0, too_few.c_str(), {}},
        {"plus_sign", "+1 2 +0 +4294967295", 2, 2, 1, "", {1, 2, 0, 4294967295u}},
        {"plus_alone", "1 + 3 4", 2, 2, 0, too_few.c_str(), {}},
        {"two_signs", "1 +-2 3 4", 2, 2, 0, too_few.c_str(), {}},
        {"plus_plus", "1 ++2 3 4", 2, 2, 0, too_few.c_str(), {}},
        {"too_large_value", "1 2 3 4294967296", 2, 2, 0, too_few.c_str(), {}},
        {"utf16", std::string("\xff\xfe" "1\0 \0" "2\0", 8), 2, 1, 0, too_few.c_str(), {}},
    };
    TempFolder folder("grid");
    for (const auto& c : cases) {
        std::string path = folder / c.name + ".txt";
        WriteText(path, c.text);
        MATRIX<unsigned int> m;
        RecordingSink sink;
        EXPECT_EQ(m.read_file(path, c.x, c.y, sink), c.result) << c.name;
        if (*c.message) {
            ASSERT_EQ(sink.messages.size(), 1u) << c.name;
            EXPECT_EQ(sink.messages[0], std::string(c.message) + " : " + path) << c.name;
        } else {
            EXPECT_TRUE(sink.messages.empty()) << c.name;
            ASSERT_EQ(m.size_of_x(), c.x);
            for (size_t i = 0; i < c.cells.size(); ++i) EXPECT_EQ(m.at(i % c.x, i / c.x), c.cells[i]) << c.name;
        }
    }
}

TEST(TextGrid, ReadRefusesMissingFilesAndHugeSizes) {
    TempFolder folder("grid");
    MATRIX<unsigned int> m;
    m.resize(2, 2);
    RecordingSink sink;
    EXPECT_EQ(m.read_file(folder / "none.txt", 2, 2, sink), 0);
    EXPECT_EQ(m.read_file(folder.path(), 2, 2, sink), 0);
    WriteText(folder / "small.txt", "1 2 3");
    // A size typed far beyond memory is refused before anything is allocated.
    EXPECT_EQ(m.read_file(folder / "small.txt", 4000000000u, 4000000000u, sink), 0);
    ASSERT_EQ(sink.messages.size(), 3u);
    EXPECT_EQ(sink.messages[0], "檔案不能開啟 : " + folder / "none.txt");
    EXPECT_EQ(sink.messages[1], "檔案不能開啟 : " + folder.path());
    EXPECT_EQ(sink.messages[2], "影像大小超出記憶體 : " + folder / "small.txt");
    EXPECT_EQ(m.size_of_x(), 2u);  // unchanged
    EXPECT_THROW(m.resize(1u << 20, 1u << 20), TextureSizeError);
    PROBABILITY_MATRIX table;
    EXPECT_THROW(table.resize(4000000000u), TextureSizeError);
}

TEST(TextGrid, ReadsFloatGridsBack) {
    TempFolder folder("grid");
    WriteText(folder / "f.txt", "0.5 -1.25 \r\n1E-3 +2 \r\n");
    MATRIX<float> m;
    RecordingSink sink;
    ASSERT_EQ(m.read_file(folder / "f.txt", 2, 2, sink), 1);
    EXPECT_EQ(m.at(0, 0), 0.5f);
    EXPECT_EQ(m.at(1, 0), -1.25f);
    EXPECT_EQ(m.at(0, 1), 1e-3f);
    EXPECT_EQ(m.at(1, 1), 2.0f);
    // A sign after the plus is not a number.
    WriteText(folder / "s.txt", "1 +-2 3 4");
    EXPECT_EQ(m.read_file(folder / "s.txt", 2, 2, sink), 0);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], "檔案資料數不夠 : " + folder / "s.txt");
}

TEST(TextGrid, WritesFormattedRowsWithCrLf) {
    TempFolder folder("grid");
    MATRIX<float> m;
    m.resize(2, 2);
    m.at(0, 0) = 2.5f;
    m.at(1, 0) = 0.0f;
    m.at(0, 1) = 0.25f;
    m.at(1, 1) = -1.0f;
    RecordingSink sink;
    m.set_decimal(3);
    ASSERT_TRUE(m.write_file(folder / "a.txt", sink));
    EXPECT_EQ(ReadText(folder / "a.txt"), "2.500 0.000 \r\n0.250 -1.000 \r\n");
    m.set_decimal(1);
    ASSERT_TRUE(m.write_file(folder / "a.txt", sink));  // replaces the old file
    EXPECT_EQ(ReadText(folder / "a.txt"), "2.5 0.0 \r\n0.3 -1.0 \r\n");
    m.set_format("");
    m.at(1, 0) = 0.1f;
    ASSERT_TRUE(m.write_file(folder / "g.txt", sink));
    EXPECT_EQ(ReadText(folder / "g.txt"), "2.5 0.100000001490116 \r\n0.25 -1 \r\n");
    EXPECT_TRUE(sink.messages.empty());

    std::string bad = folder / "no_such_folder/a.txt";
    EXPECT_FALSE(m.write_file(bad, sink));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], "檔案不能開啟 : " + bad);
    EXPECT_FALSE(rice::FileExists(bad));
}

TEST(TextGrid, WriteKeepsReadOnlyGridsAndWritesThroughLinks) {
    TempFolder folder("grid");
    MATRIX<float> m;
    m.resize(1, 1);
    m.set_decimal(1);
    RecordingSink sink;
    WriteText(folder / "kept.txt", "old\r\n");
    std::filesystem::permissions(folder / "kept.txt", std::filesystem::perms::owner_read);
    EXPECT_FALSE(m.write_file(folder / "kept.txt", sink));
    EXPECT_EQ(sink.messages, std::vector<std::string>{"檔案不能開啟 : " + folder / "kept.txt"});
    EXPECT_EQ(ReadText(folder / "kept.txt"), "old\r\n");

    WriteText(folder / "real.txt", "old\r\n");
    std::filesystem::create_symlink("real.txt", folder / "link.txt");
    ASSERT_TRUE(m.write_file(folder / "link.txt", sink));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.txt"));
    EXPECT_EQ(ReadText(folder / "real.txt"), "0.0 \r\n");

    // A full disk: the old grid stays whole and the operator is told.
    {
        ScopedWriteFaults full(
            [](WriteStep s, const std::string&) { return s == WriteStep::kWrite; });
        EXPECT_FALSE(m.write_file(folder / "real.txt", sink));
    }
    EXPECT_EQ(sink.messages.back(), CannotWriteFileMessage(folder / "real.txt"));
    EXPECT_EQ(ReadText(folder / "real.txt"), "0.0 \r\n");
}

TEST(TextGrid, WritesSeveralGridsSideBySide) {
    TempFolder folder("grid");
    MATRIX<float> grids[5];
    std::mt19937 gen(3);
    std::uniform_real_distribution<float> dist(-50, 50);
    for (int g = 0; g < 5; ++g) {
        grids[g].resize(9 + g, 7);
        for (unsigned y = 0; y < 7; ++y)
            for (unsigned x = 0; x < grids[g].size_of_x(); ++x) grids[g].at(x, y) = dist(gen);
        grids[g].set_decimal(static_cast<unsigned>(g));
    }
    std::vector<GRID_FILE> files;
    for (int g = 0; g < 5; ++g) files.emplace_back(&grids[g], folder / ("g" + std::to_string(g) + ".txt"));
    for (unsigned threads : {1u, 3u, 0u}) {
        RecordingSink sink;
        ASSERT_TRUE(write_files(files, sink, threads));
        EXPECT_TRUE(sink.messages.empty());
        for (int g = 0; g < 5; ++g) {
            // Each file as the plain formatting gives it, value by value.
            std::string expected;
            for (unsigned y = 0; y < 7; ++y) {
                for (unsigned x = 0; x < grids[g].size_of_x(); ++x) {
                    append_formatted_plain(expected, grids[g].get_format(), grids[g].at(x, y));
                    expected += ' ';
                }
                expected += "\r\n";
            }
            EXPECT_EQ(ReadText(files[g].second), expected) << g << " threads " << threads;
        }
    }
    // Two files that cannot be written: the operator hears of the first in the list, the
    // others are written all the same.
    std::string missing1 = folder / "none/a.txt", missing2 = folder / "none/b.txt";
    std::vector<GRID_FILE> some = {{&grids[0], folder / "h0.txt"}, {&grids[1], missing1},
                                   {&grids[2], folder / "h2.txt"}, {&grids[3], missing2}};
    RecordingSink sink;
    EXPECT_FALSE(write_files(some, sink, 4));
    EXPECT_EQ(sink.messages, std::vector<std::string>{"檔案不能開啟 : " + missing1});
    EXPECT_EQ(ReadText(folder / "h2.txt"), ReadText(folder / "g2.txt"));
    EXPECT_TRUE(rice::FileExists(folder / "h0.txt"));
}

TEST(Matrix, ResizeKeepsCellsOfAnUnchangedCountAndResetsTheMaximum) {
    MATRIX<unsigned int> m;
    EXPECT_EQ(m.size_of_x(), 0u);
    m.resize(3, 4);
    for (unsigned i = 0; i < 12; ++i) m.at(i % 3, i / 3) = i;
    EXPECT_EQ(m.max_value(), 11u);
    m.at(0, 0) = 50;
    EXPECT_EQ(m.max_value(), 11u);  // cached
    m.resize(2, 6);
    EXPECT_EQ(m.at(0, 0), 50u);
    EXPECT_EQ(m.at(1, 5), 11u);
    EXPECT_EQ(m.max_value(), 50u);  // resizing forgets the cached maximum

    TempFolder folder("grid");
    WriteText(folder / "a.txt", "1 5 2 3");
    WriteText(folder / "b.txt", "1 9 2 3");
    RecordingSink sink;
    ASSERT_EQ(m.read_file(folder / "a.txt", 2, 2, sink), 1);
    EXPECT_EQ(m.max_value(), 5u);
    ASSERT_EQ(m.read_file(folder / "b.txt", 2, 2, sink), 1);
    EXPECT_EQ(m.max_value(), 9u);  // a second read into the same matrix is seen
}

TEST(Matrix, AddAndDivideCellByCell) {
    MATRIX<float> a, b;
    a.resize(2, 1);
    b.resize(2, 1);
    a.at(0, 0) = 1;
    a.at(1, 0) = 2;
    b.at(0, 0) = 3;
    b.at(1, 0) = 5;
    a += b;
    a /= 2;
    EXPECT_EQ(a.at(0, 0), 2.0f);
    EXPECT_EQ(a.at(1, 0), 3.5f);
}

TEST(Window, ScanOrderAndCells) {
    MATRIX<unsigned int> m;
    texture_test::FillRows(m, 5, {0, 1, 2, 3, 4,  //
                                  5, 6, 7, 8, 9,  //
                                  10, 11, 12, 13, 14,  //
                                  15, 16, 17, 18, 19});
    MW_MATRIX<unsigned int> w(m, 3, 3);
    w.reset();
    std::vector<std::pair<unsigned, unsigned>> centres;
    do centres.emplace_back(w.centre_x(), w.centre_y());
    while (w.next());
    std::vector<std::pair<unsigned, unsigned>> expected = {{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}};
    EXPECT_EQ(centres, expected);
    EXPECT_EQ(w.centre_x(), 1u);  // back at the start of the last row
    EXPECT_EQ(w.centre_y(), 2u);

    w.reset();
    w.next();  // centre (2, 1)
    EXPECT_EQ(w.at(0, 0), 1u);
    EXPECT_EQ(w.at(2, 2), 13u);
    w.set(99);
    EXPECT_EQ(m.at(2, 1), 99u);

    SUB_MATRIX sub;
    sub.set_from_window(w, 0, 0, 2, 3);
    EXPECT_EQ(sub.size_of_x(), 2u);
    EXPECT_EQ(sub.size_of_y(), 3u);
    EXPECT_EQ(sub.at(0, 0), 1u);
    EXPECT_EQ(sub.at(0, 2), 11u);
    EXPECT_EQ(sub.at(1, 2), 12u);

    MATRIX<unsigned int> one;
    texture_test::FillRows(one, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    MW_MATRIX<unsigned int> single(one, 3, 3);
    EXPECT_EQ(single.next(), 0);
}

TEST(Checks, StopWithTheirTextSourceAndLine) {
    MATRIX<unsigned int> m5;
    m5.resize(5, 5);
    m5.clear();
    MATRIX<float> a, b;
    a.resize(2, 2);
    b.resize(3, 2);
    struct Case {
        const char* expected;
        std::function<void()> run;
    };
    const std::vector<Case> cases = {
        {"Assertion failed: _x_size == ref._x_size, file matrix, line 458", [&] { a += b; }},
        {"Assertion failed: MW_x_size & 0x1, file matrix, line 90", [&] { MW_MATRIX<unsigned int> w(m5, 4, 4); }},
        {"Assertion failed: MW_x_size == MW_y_size, file matrix, line 341", [&] { MW_MATRIX<unsigned int> w(m5, 3, 5); }},
        {"Assertion failed: MW_x_size <= _x_size, file matrix, line 342", [&] { MW_MATRIX<unsigned int> w(m5, 7, 7); }},
        {"Assertion failed: ( _SUB_x_bin + x ) < _SUB_x_end, file matrix, line 304",
         [&] {
             MW_MATRIX<unsigned int> w(m5, 3, 3);
             SUB_MATRIX s;
             s.set_from_window(w, 0, 0, 2, 3);
             s.at(2, 0);
         }},
        {"Assertion failed: SUB_x_bin <= SUB_x_end, file matrix, line 45",
         [&] {
             MW_MATRIX<unsigned int> w(m5, 3, 3);
             SUB_MATRIX s;
             s.set_from_window(w, 2, 0, 1, 3);
         }},
        {"Assertion failed: x < _max_value_of_data_add_1, file matrix, line 735",
         [&] {
             PROBABILITY_MATRIX p;
             p.resize(2);
             p.add(3, 0, 1);
         }},
    };
    for (const auto& c : cases) EXPECT_EQ(StopsWith(c.run), std::string(c.expected) + "\n");
}
