#include <gtest/gtest.h>

#include <shapefil.h>

#include <filesystem>

#include "platform/core/files.h"
#include "platform/testing/temp_folder.h"
#include "workbench/engine/clip.h"
#include "workbench/tests/engine/test_util.h"

namespace rice {
namespace {

using test::MakeHeader;
using test::MakeImage;
using test::ReadBytes;

using test::WriteBoxShapefile;

int SourceCell(int r, int b, int c) { return 1 + r * 16 + c + b * 60; }

// The source's header as a clip carries it over: 10-unit cells, ycell different on purpose.
LanHeader CarriedHeader(int nbands, int cols, int lines, float xmap, float ymap) {
    LanHeader h = MakeHeader(nbands, cols, lines, xmap, ymap, 10, 7);
    h.packType = 3;
    h.startColumn = 5;
    h.startRow = 6;
    h.mapType = 2;
    h.headerClassCount = 9;
    h.areaUnitType = 1;
    h.areaPerCell = 100;
    return h;
}

class ClipTest : public testing::TempFolderTest {
protected:
    // 10 columns x 8 lines, origin (1000, 2000).
    LanImage Source(int nbands) {
        LanHeader h = CarriedHeader(nbands, 10, 8, 1000, 2000);
        h.reserved32[3] = 0x55;  // not carried into the clip
        return MakeImage(h, SourceCell);
    }
};

TEST_F(ClipTest, BoxesOnAndOffTheImage) {
    struct Case {
        const char* what;
        int nbands;
        double minX, minY, maxX, maxY;
        int firstCol, firstLine, cols, lines;
    };
    const Case cases[] = {
        {"on cell boundaries", 1, 1020, 1950, 1060, 1980, 2, 2, 4, 3},
        {"partial edge cells dropped", 1, 1020, 1944.5, 1065.5, 1980, 2, 2, 4, 3},
        {"box corner off the cell grid", 1, 1023, 1951, 1043, 1977, 2, 2, 2, 2},
        {"narrower than a cell", 1, 1021, 1950, 1029, 1980, 2, 2, 0, 3},
        {"reaches past the left and top", 1, 980, 1985, 1020, 2010, -2, -1, 4, 2},
        {"truncated toward zero left of the origin", 1, 985, 1985, 1015, 1995, -1, 0, 3, 1},
        {"reaches past the right and bottom", 1, 1080, 1910, 1120, 1930, 8, 7, 4, 2},
        {"entirely outside", 1, 3000, 500, 3020, 520, 200, 148, 2, 2},
        {"four-band source", 4, 1010, 1960, 1040, 1990, 1, 1, 3, 3},
        {"whole lines", 2, 1000, 1940, 1100, 1980, 0, 2, 10, 4},
        {"whole lines past the bottom", 2, 1000, 1900, 1100, 1940, 0, 6, 10, 4},
        {"the whole image", 4, 1000, 1920, 1100, 2000, 0, 0, 10, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LanImage src = Source(c.nbands);
        std::filesystem::create_directories(Path("shpmaps"));
        std::filesystem::create_directories(Path("lanmaps"));
        WriteBoxShapefile(Path("shpmaps/9420.shp"), c.minX, c.minY, c.maxX, c.maxY);
        RecordingSink sink;
        ClipLanToParcels(src, Path("shpmaps/9420.shp"), sink);
        EXPECT_TRUE(sink.messages.empty());
        auto clip = ReadLanImage(Path("lanmaps/9420.lan"));
        ASSERT_TRUE(clip);

        EXPECT_EQ(clip->header, CarriedHeader(c.nbands, c.cols, c.lines, static_cast<float>(c.minX),
                                              static_cast<float>(c.maxY)));
        std::string bytes = ReadBytes(Path("lanmaps/9420.lan"));
        EXPECT_EQ(bytes.size(), 128u + static_cast<std::size_t>(c.nbands * c.cols * c.lines));
        for (int r = 0; r < c.lines; ++r)
            for (int b = 0; b < c.nbands; ++b)
                for (int col = 0; col < c.cols; ++col) {
                    int sr = c.firstLine + r, sc = c.firstCol + col;
                    int expect = (sr >= 0 && sr < 8 && sc >= 0 && sc < 10) ? static_cast<std::uint8_t>(SourceCell(sr, b, sc)) : 0;
                    EXPECT_EQ(clip->Cell(r, b, col), expect) << r << " " << b << " " << col;
                }

        // Cut again from the source read with only the lines this clip takes: the same bytes.
        ASSERT_TRUE(WriteLanImage(Path("src.lan"), src));
        auto lines = ClipSourceLines(src.header, Path("shpmaps/9420.shp"));
        auto part = ReadLanImageLines(Path("src.lan"), lines ? lines->first : 0, lines ? lines->second : 0);
        ASSERT_TRUE(part);
        ClipLanToParcels(*part, Path("shpmaps/9420.shp"), sink);
        EXPECT_EQ(ReadBytes(Path("lanmaps/9420.lan")), bytes);
        std::filesystem::remove(Path("lanmaps/9420.lan"));
    }
}

TEST_F(ClipTest, OutputPathAndFailures) {
    LanImage src = Source(1);
    EXPECT_EQ(ClippedLanPath("/d/shp/9420.shp"), "/d/lan/9420.lan");
    EXPECT_EQ(ClippedLanPath("/d/shpshp/a.shp"), "/d/lanlan/a.lan");
    EXPECT_EQ(ClippedLanPath("/d/SHP/a.SHP"), std::nullopt);

    // The parcel file's own folder has "shp" in it, the renamed one does not exist.
    std::filesystem::create_directories(Path("shp"));
    WriteBoxShapefile(Path("shp/a.shp"), 1000, 1950, 1030, 2000);
    RecordingSink missingFolder;
    ClipLanToParcels(src, Path("shp/a.shp"), missingFolder);
    EXPECT_EQ(missingFolder.messages, std::vector<std::string>{"錯誤類型0005" + Path("lan/a.lan")});
    EXPECT_FALSE(FileExists(Path("lan")));

    // Upper-case extension: nothing to rename, so the shapefile must stay untouched.
    std::filesystem::create_directories(Path("maps"));
    WriteBoxShapefile(Path("maps/b.shp"), 1000, 1950, 1030, 2000);
    std::filesystem::rename(Path("maps/b.shp"), Path("maps/b.SHP"));
    std::filesystem::rename(Path("maps/b.shx"), Path("maps/b.SHX"));
    std::string before = ReadBytes(Path("maps/b.SHP"));
    RecordingSink upper;
    ClipLanToParcels(src, Path("maps/b.SHP"), upper);
    EXPECT_EQ(upper.messages, std::vector<std::string>{"錯誤類型0005" + Path("maps/b.SHP")});
    EXPECT_EQ(ReadBytes(Path("maps/b.SHP")), before);

    RecordingSink missing;
    ClipLanToParcels(src, Path("maps/none.shp"), missing);
    EXPECT_EQ(missing.messages, std::vector<std::string>{"錯誤類型0004" + Path("maps/none.shp")});
    EXPECT_FALSE(FileExists(Path("maps/none.lan")));

    // A box in other map units, so far off that no header could hold the counts.
    WriteBoxShapefile(Path("maps/far.shp"), -1e12, 0, 1e12, 1);
    RecordingSink far;
    ClipLanToParcels(src, Path("maps/far.shp"), far);
    EXPECT_EQ(far.messages, std::vector<std::string>{"錯誤類型0004" + Path("maps/far.shp")});
    EXPECT_FALSE(FileExists(Path("maps/far.lan")));
}

}  // namespace
}  // namespace rice
