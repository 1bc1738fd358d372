#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/core/files.h"
#include "platform/testing/temp_folder.h"
#include "workbench/engine/lan_image.h"
#include "workbench/tests/engine/test_util.h"

namespace rice {
namespace {

using test::MakeHeader;
using test::MakeImage;
using test::ReadBytes;

TEST(LanHeaderCodec, FieldsSitAtTheirLittleEndianOffsets) {
    LanHeader h = MakeHeader(4, 0x01020304, 0x0A0B0C0D, 1.5f, -2.0f, 10.0f, 7.0f);
    h.packType = 0x0102;
    h.startColumn = -2;
    h.startRow = 0x11223344;
    h.mapType = 0x0506;
    h.headerClassCount = 0x0708;
    h.areaUnitType = 0x090A;
    h.areaPerCell = 100.0f;
    h.reserved10[0] = 0xAA;
    h.reserved32[55] = 0xBB;
    h.reserved92[13] = 0xCC;
    LanHeaderBytes b = EncodeLanHeader(h);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "HEAD74");
    struct Field { std::size_t at; std::vector<std::uint8_t> bytes; };
    const Field fields[] = {
        {6, {0x02, 0x01}},                  // pack type
        {8, {0x04, 0x00}},                  // nbands
        {10, {0xAA}},
        {16, {0x04, 0x03, 0x02, 0x01}},     // icols
        {20, {0x0D, 0x0C, 0x0B, 0x0A}},     // irows
        {24, {0xFE, 0xFF, 0xFF, 0xFF}},     // start column -2
        {28, {0x44, 0x33, 0x22, 0x11}},
        {87, {0xBB}},
        {88, {0x06, 0x05}},
        {90, {0x08, 0x07}},
        {105, {0xCC}},
        {106, {0x0A, 0x09}},
        {108, {0x00, 0x00, 0xC8, 0x42}},    // 100.0f
        {112, {0x00, 0x00, 0xC0, 0x3F}},    // 1.5f
        {116, {0x00, 0x00, 0x00, 0xC0}},    // -2.0f
        {120, {0x00, 0x00, 0x20, 0x41}},    // 10.0f
        {124, {0x00, 0x00, 0xE0, 0x40}},    // 7.0f
    };
    for (const auto& f : fields)
        for (std::size_t i = 0; i < f.bytes.size(); ++i)
            EXPECT_EQ(b[f.at + i], f.bytes[i]) << "byte " << f.at + i;
    EXPECT_EQ(DecodeLanHeader(b), h);

    // Every byte survives a decode and encode, including the reserved ones.
    LanHeaderBytes any;
    for (std::size_t i = 0; i < any.size(); ++i) any[i] = static_cast<std::uint8_t>(i * 37 + 11);
    EXPECT_EQ(EncodeLanHeader(DecodeLanHeader(any)), any);
}

class LanFileTest : public testing::TempFolderTest {};

TEST_F(LanFileTest, CellsAreBandInterleavedByLine) {
    LanHeader h = MakeHeader(3, 5, 4);
    LanImage img = MakeImage(h, [](int r, int b, int c) { return r * 50 + b * 10 + c + 1; });
    ASSERT_TRUE(WriteLanImage(Path("a.lan"), img));
    std::string bytes = ReadBytes(Path("a.lan"));
    ASSERT_EQ(bytes.size(), 128u + 3 * 5 * 4);
    for (int r = 0; r < 4; ++r)
        for (int b = 0; b < 3; ++b)
            for (int c = 0; c < 5; ++c)
                EXPECT_EQ(static_cast<std::uint8_t>(bytes[LanCellOffset(h, r, b, c)]), img.Cell(r, b, c));
    EXPECT_EQ(LanCellOffset(h, 2, 1, 3), 128u + (2 * 3 + 1) * 5 + 3);

    auto back = ReadLanImage(Path("a.lan"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->header, h);
    EXPECT_EQ(back->lines, img.lines);
    auto header = ReadLanHeader(Path("a.lan"));
    ASSERT_TRUE(header);
    EXPECT_EQ(*header, h);
}

TEST_F(LanFileTest, ShortFileReadsMissingCellsAsZero) {
    LanHeaderBytes hb = EncodeLanHeader(MakeHeader(2, 3, 2));
    std::string bytes(hb.begin(), hb.end());
    bytes += "\x01\x02\x03\x04";  // line 0 band 0, then one cell of band 1
    ASSERT_TRUE(WriteFileAtomic(Path("short.lan"), bytes));
    auto img = ReadLanImage(Path("short.lan"));
    ASSERT_TRUE(img);
    ASSERT_EQ(img->lines.size(), 2u);
    auto line = [&](std::size_t r) { return std::vector<std::uint8_t>(img->lines[r].begin(), img->lines[r].end()); };
    EXPECT_EQ(line(0), (std::vector<std::uint8_t>{1, 2, 3, 4, 0, 0}));
    EXPECT_EQ(line(1), std::vector<std::uint8_t>(6, 0));
}

// Only the lines asked for are read, the others read as 0; in a small image (from the heap) and
// in one large enough for the large-page block read in pieces side by side, whole or cut short.
TEST_F(LanFileTest, ReadingSomeLinesLeavesTheOthersZero) {
    struct Case {
        const char* what;
        int cols;
        std::int64_t first, last, cut;  // cut: cells bytes dropped from the file's end
        int readFrom, readTo;           // the lines expected as in the file (as far as it goes)
    };
    const Case cases[] = {
        {"small, every line", 7, 0, 1 << 30, 0, 0, 40},
        {"small, a middle run", 7, 5, 9, 0, 5, 9},
        {"small, clamped to the image", 7, -3, 2, 0, 0, 2},
        {"small, none", 7, 12, 12, 0, 0, 0},
        {"large, every line", 40000, 0, 40, 0, 0, 40},
        {"large, a middle run", 40000, 11, 30, 0, 11, 30},
        {"large, a file cut short in its last piece", 40000, 0, 40, 3 * 3 * 40000 + 5, 0, 40},
        {"large, a file cut short in its first piece", 40000, 0, 40, 30 * 3 * 40000 + 7, 0, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LanHeader h = MakeHeader(3, c.cols, 40);
        LanImage img = MakeImage(h, [](int r, int b, int col) { return (r * 7 + b * 3 + col) % 251 + 1; });
        ASSERT_TRUE(WriteLanImage(Path("a.lan"), img));
        std::string bytes = ReadBytes(Path("a.lan"));
        bytes.resize(bytes.size() - static_cast<std::size_t>(c.cut));
        ASSERT_TRUE(WriteFileAtomic(Path("a.lan"), bytes));
        auto back = c.first == 0 && c.last == (1 << 30) ? ReadLanImage(Path("a.lan"))
                                                        : ReadLanImageLines(Path("a.lan"), c.first, c.last);
        ASSERT_TRUE(back);
        ASSERT_EQ(back->lines.size(), 40u);
        const std::size_t cells = 3 * static_cast<std::size_t>(c.cols);
        for (std::size_t r = 0; r < 40; ++r) {
            for (std::size_t i = 0; i < cells; ++i) {
                const std::size_t at = 128 + r * cells + i;
                const bool held = static_cast<int>(r) >= c.readFrom && static_cast<int>(r) < c.readTo &&
                                  at < bytes.size();
                const int expect = held ? static_cast<std::uint8_t>(bytes[at]) : 0;
                if (back->lines[r][i] != expect) {
                    ADD_FAILURE() << "line " << r << " cell " << i << ": " << int(back->lines[r][i]);
                    break;
                }
            }
        }
    }
}

TEST_F(LanFileTest, ReadersRefuseHeadersThatCannotBeRead) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case { const char* what; LanHeader h; };
    const Case cases[] = {
        {"no band", MakeHeader(0, 3, 3)},
        {"negative bands", MakeHeader(-1, 3, 3)},
        {"negative columns", MakeHeader(1, -1, 3)},
        {"negative lines", MakeHeader(1, 3, -5)},
        {"zero cell", MakeHeader(1, 3, 3, 0, 0, 0)},
        {"negative cell", MakeHeader(1, 3, 3, 0, 0, -10)},
        {"NaN cell", MakeHeader(1, 3, 3, 0, 0, nan)},
        {"infinite cell", MakeHeader(1, 3, 3, 0, 0, inf)},
        {"line overflows", MakeHeader(255, 1 << 30, 1)},
        {"larger than memory", MakeHeader(100, 1 << 20, 1 << 20)},
        // 2 x 10^10 cells announced in a file of three: a damaged header, nothing allocated.
        {"far more than the file holds", MakeHeader(2, 100000, 100000)},
    };
    for (const auto& c : cases) {
        LanHeaderBytes hb = EncodeLanHeader(c.h);
        ASSERT_TRUE(WriteFileAtomic(Path("bad.lan"), std::string(hb.begin(), hb.end()) + "xyz"));
        EXPECT_FALSE(ReadLanImage(Path("bad.lan"))) << c.what;
        if (std::string(c.what) != "larger than memory") {
            EXPECT_FALSE(ReadLanHeader(Path("bad.lan"))) << c.what;
        }
    }
    // A truncated header, an empty file and a missing file.
    ASSERT_TRUE(WriteFileAtomic(Path("cut.lan"), std::string(100, '\x01')));
    EXPECT_FALSE(ReadLanImage(Path("cut.lan")));
    EXPECT_FALSE(ReadLanHeader(Path("cut.lan")));
    ASSERT_TRUE(WriteFileAtomic(Path("empty.lan"), ""));
    EXPECT_FALSE(ReadLanImage(Path("empty.lan")));
    EXPECT_FALSE(ReadLanImage(Path("missing.lan")));
    // Zero columns or lines are a valid (empty) image.
    ASSERT_TRUE(WriteLanImage(Path("zero.lan"), MakeImage(MakeHeader(1, 0, 4), [](int, int, int) { return 0; })));
    auto zero = ReadLanImage(Path("zero.lan"));
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->lines.size(), 4u);
    EXPECT_EQ(ReadBytes(Path("zero.lan")).size(), 128u);
}

TEST_F(LanFileTest, WriterLeavesNothingBehindWhenTheFolderIsMissing) {
    LanImage img = MakeImage(MakeHeader(1, 2, 2), [](int, int, int) { return 7; });
    EXPECT_FALSE(WriteLanImage(Path("nofolder/a.lan"), img));
    EXPECT_FALSE(FileExists(Path("nofolder")));
    // Replacing an existing file leaves no temporary beside it.
    ASSERT_TRUE(WriteLanImage(Path("a.lan"), img));
    ASSERT_TRUE(WriteLanImage(Path("a.lan"), img));
    int files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder())) ++files;
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace rice
