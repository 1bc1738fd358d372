#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <limits>
#include <sstream>

#include "platform/core/atomic_file.h"
#include "platform/core/encoding.h"
#include "platform/core/exit.h"
#include "workbench/engine/overlay.h"
#include "workbench/engine/overlay_image.h"
#include "workbench/engine/parcel_raster.h"
#include "workbench/tests/engine/overlay_fixtures.h"

namespace rice {
namespace {

using namespace rice::testing;

TEST(ParcelColours, RoundTripAndNoParcelValues) {
    struct Case { int record; std::uint32_t colour; };
    const Case cases[] = {{0, 0x000000},       {255, 0x0000FF},      {256, 0x000100},
                          {65535, 0x00FFFF},   {65536, 0x010000},    {70000, 0x011170},
                          {16777214, 0xFFFFFE}};
    for (const auto& c : cases) {
        EXPECT_EQ(ParcelColour(c.record), c.colour) << c.record;
        EXPECT_EQ(RecordFromColour(c.colour), static_cast<std::uint32_t>(c.record));
    }
    EXPECT_EQ(RecordFromColour(0xFFFFFF), kNoParcel);    // white background
    EXPECT_EQ(RecordFromColour(0xFFFFFFFF), kNoParcel);  // outside the device
}

TEST(ParcelColours, RoundingOfVerticesAndOrigins) {
    struct Case { double v; int rounded; int truncated; };
    const Case cases[] = {{2.5, 3, 2},   {-2.5, -3, -2},  {0.0, 0, 0},       {0.49, 0, 0},
                          {-0.49, 0, 0}, {-0.5, -1, 0},   {1234.9, 1235, 1234},
                          {1e12, 1000000000, 1000000000}, {-1e12, -1000000000, -1000000000},
                          {std::numeric_limits<double>::quiet_NaN(), 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(RoundHalfAwayFromZero(c.v), c.rounded) << c.v;
        EXPECT_EQ(TruncToInt(c.v), c.truncated) << c.v;
    }
}

// The painted device as text: '.' no parcel, 'A' + record otherwise.
std::vector<std::string> Render(const ParcelMap& map, int bandCells) {
    BandedParcelRaster raster(map, bandCells);
    const PaintGeometry& g = map.geometry;
    std::vector<std::string> out;
    std::vector<std::uint32_t> row(static_cast<size_t>(g.paintedWidth));
    for (int y = 0; y < g.paintedHeight; ++y) {
        raster.ReadRow(g.windowOriginY + y, g.windowOriginX, g.paintedWidth, row.data());
        std::string line;
        for (auto j : row) line += j == kNoParcel ? '.' : static_cast<char>('A' + j);
        out.push_back(line);
    }
    return out;
}

std::vector<IntPoint> BoxPoints(int x0, int y0, int x1, int y1) {
    return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
}
std::vector<IntPoint> Join(std::vector<IntPoint> a, const std::vector<IntPoint>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// One pair analysed as the document does it: the parcel file painted from the image origin
// (x0, y0), then sampled; reports go to `folder`.
OverlayOutcome AnalysePair(const std::string& lan, const std::string& parcel,
                           const std::string& folder, double x0, double y0, MessageSink& sink,
                           const RunInputs* inputs = nullptr) {
    ParcelMap map;
    LoadParcelMap(parcel, x0, y0, map);
    BandedParcelRaster raster(map);
    return AnalyseOverlayPair({lan, parcel, folder, inputs}, map.geometry, raster, sink);
}

TEST(ParcelRaster, FillsByTheCentreRuleWhateverTheBands) {
    struct Case {
        const char* name;
        std::vector<std::vector<IntPoint>> polygons;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"square", {BoxPoints(1, 1, 4, 3)},
         {"......", ".AAA..", ".AAA..", "......", "......"}},
        {"hole", {Join(BoxPoints(0, 0, 6, 5), BoxPoints(2, 1, 4, 3))},
         {"AAAAAA", "AA..AA", "AA..AA", "AAAAAA", "AAAAAA"}},
        {"several parts", {Join(BoxPoints(0, 0, 2, 2), BoxPoints(4, 3, 6, 5))},
         {"AA....", "AA....", "......", "....AA", "....AA"}},
        {"overlap, later wins", {BoxPoints(0, 0, 4, 4), BoxPoints(2, 2, 6, 5)},
         {"AAAA..", "AAAA..", "AABBBB", "AABBBB", "..BBBB"}},
        {"null shape", {{}, BoxPoints(1, 1, 3, 3)},
         {"......", ".BB...", ".BB...", "......", "......"}},
        {"shared straight edge", {BoxPoints(0, 0, 3, 5), BoxPoints(3, 0, 6, 5)},
         {"AAABBB", "AAABBB", "AAABBB", "AAABBB", "AAABBB"}},
        {"shared diagonal edge", {{{0, 0}, {6, 0}, {0, 5}}, {{6, 0}, {6, 5}, {0, 5}}},
         {"AAAAAB", "AAAABB", "AAABBB", "AABBBB", "ABBBBB"}},
        {"beyond the device", {BoxPoints(-3, -2, 2, 1), BoxPoints(5, 4, 9, 8)},
         {"AA....", "......", "......", "......", ".....B"}},
    };
    for (const auto& c : cases) {
        ParcelMap map;
        map.geometry.recordCount = static_cast<int>(c.polygons.size());
        map.geometry.paintedWidth = 6;
        map.geometry.paintedHeight = 5;
        map.polygons = c.polygons;
        EXPECT_EQ(Render(map, 1 << 20), c.expected) << c.name;
        EXPECT_EQ(Render(map, 6), c.expected) << c.name << " (one row per band)";
        EXPECT_EQ(Render(map, 13), c.expected) << c.name << " (two rows per band)";
    }
}

TEST(ParcelRaster, LoadsPartsAsOneRingRoundedFromTheImageOrigin) {
    TempFolder dir("load");
    const double x0 = 100, y0 = 200;
    WriteParcels(dir / "p", {{{{102.5, 190}, {97.5, 190}, {97.5, 187.4}},
                              {{101, 185}, {102, 185}, {102, 184.5}}},
                             {},
                             {Box(99, 180, 103, 181.2)}});
    ParcelMap map;
    ASSERT_EQ(LoadParcelMap(dir / "p.shp", x0, y0, map), ParcelLoad::kOk);
    const PaintGeometry& g = map.geometry;
    EXPECT_EQ(g.recordCount, 3);
    EXPECT_DOUBLE_EQ(g.originOffsetX, 97.5 - x0);
    EXPECT_DOUBLE_EQ(g.originOffsetY, y0 - 190);
    EXPECT_EQ(g.paintedWidth, 5);    // trunc(103 - 97.5)
    EXPECT_EQ(g.paintedHeight, 10);  // trunc(190 - 180)
    EXPECT_EQ(g.windowOriginX, -2);  // trunc(-2.5)
    EXPECT_EQ(g.windowOriginY, 10);
    ASSERT_EQ(map.polygons.size(), 3u);
    EXPECT_EQ(map.polygons[0], (std::vector<IntPoint>{
                                   {3, 10}, {-3, 10}, {-3, 13}, {1, 15}, {2, 15}, {2, 16}}));
    EXPECT_TRUE(map.polygons[1].empty());
    EXPECT_EQ(map.polygons[2].size(), 5u);

    WriteParcels(dir / "q", {{Box(x0 + 1234.9, y0 - 900.2, x0 + 1300, y0 - 812.7)}});
    ASSERT_EQ(LoadParcelMap(dir / "q.shp", x0, y0, map), ParcelLoad::kOk);
    EXPECT_EQ(map.geometry.windowOriginX, 1234);
    EXPECT_EQ(map.geometry.windowOriginY, 812);
    EXPECT_EQ(LoadParcelMap(dir / "missing.shp", x0, y0, map), ParcelLoad::kCannotOpen);
}

// The hand-checked pair: cell size 4 with the image origin X0 = 1000, Y0 = 2000; the parcel
// box starts 3 units left of X0 and 4 above Y0, so the first logical column and the first two
// rows fall before the image and image row 0 and column 0 are sampled.
struct HandPair {
    TempFolder dir{"hand"};
    std::string lan = dir / "img.lan";
    std::string parcel = dir / "sheet.shp";
    HandPair(std::vector<std::string> cultures = {"1", "10", " 1 "}, float xcell = 4.0f,
             int bands = 9) {
        const double X0 = 1000, Y0 = 2000;
        WriteParcels(dir / "sheet",
                     {{Box(X0 - 3, Y0 - 4, X0 + 1, Y0 + 4)},  // logical x -3..1, y -4..4
                      {Box(X0 + 1, Y0 - 4, X0 + 5, Y0)},      // logical x 1..5, y 0..4
                      {}},
                     cultures);
        WriteLan(lan, bands, 3, 3, static_cast<float>(X0), static_cast<float>(Y0), xcell,
                 NineBands([](int r, int c) -> ClassCell {
                     if (r == 0 && c == 0) return {3, 200, 1};
                     if (r == 0 && c == 1) return {25, 100, 2};
                     if (r == 1 && c == 1) return {45, 50, 0};
                     if (r == 1 && c == 0) return {0, 0, 0};
                     return {7, 9, 0};
                 }));
    }
    OverlayOutcome Run(MessageSink& sink) {
        double x0 = 0, y0 = 0;
        EXPECT_TRUE(ReadLanOriginOf(lan, x0, y0));
        ParcelMap map;
        EXPECT_EQ(LoadParcelMap(parcel, x0, y0, map), ParcelLoad::kOk);
        BandedParcelRaster raster(map);
        return AnalyseOverlayPair({lan, parcel, dir.path()}, map.geometry, raster, sink);
    }
};

TEST(OverlayPairRun, HandCheckedTraceTablesAndReports) {
    HandPair pair;
    RecordingSink sink;
    OverlayOutcome out = pair.Run(sink);
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_TRUE(out.analysed);
    EXPECT_EQ(out.lanRows, 3);
    EXPECT_EQ(out.lanCols, 3);
    EXPECT_EQ(out.lanRowBytes, 27);
    EXPECT_EQ(out.cellSize, 4);
    EXPECT_EQ(out.resultDbfFile, pair.dir / "img.dbf");
    EXPECT_EQ(out.misclassified, 1);

    EXPECT_EQ(Slurp(pair.dir / "recordPix.txt"),
              "3,3,3,*,*,*,*,\r\n3,3,3,*,*,*,*,\r\n"
              "3,3,3,3,25,25,25,\r\n3,3,3,3,25,25,25,\r\n"
              "0,0,0,0,45,45,45,\r\n0,0,0,0,45,45,45,\r\n");

    // SUM, SUM_1ER1, SUM_0ER1, SUM_1ER2, SUM_0ER2, CULTURE, CLASS, ErrorType.
    EXPECT_EQ(DbfRecords(pair.dir / "img_info.dbf"),
              (std::vector<std::string>{
                  std::string(" ") + "        18" + "        12" + "         0" +
                      "         0" + "         0" + "0" + "  3" + "0",
                  std::string(" ") + "        16" + "         2" + "         0" + "         0" +
                      "         6" + "0" + " 25" + "0",
                  std::string(" ") + "         0" + "         0" + "         0" + "         0" +
                      "         0" + "0" + "999" + "0"}));

    // classify ER_TYPE 1ST_CLASS 1ST_PROB 2ND_CLASS 2ND_PROB 3RD_CLASS 3RD_PROB RiceFlag
    // classify1 ER_TYPE1 CULTURE.
    EXPECT_EQ(DbfRecords(pair.dir / "img.dbf"),
              (std::vector<std::string>{
                  std::string(" ") + "  3" + "1" + "  3" + "     0.784" + " 99" + "     0.000" +
                      " 99" + "     0.000" + "  1" + "  1" + "1" + "1",
                  std::string(" ") + " 25" + "2" + " 25" + "     0.392" + " 99" + "     0.000" +
                      "  3" + "     0.784" + "  0" + "  0" + "2" + "1",
                  std::string(" ") + "999" + "0" + "999" + "     0.000" + "  0" + "     0.000" +
                      "  0" + "     0.000" + "999" + "999" + "0" + "1"}));

    EXPECT_EQ(Slurp(pair.dir / "img.shp"), Slurp(pair.parcel));
    EXPECT_EQ(Slurp(pair.dir / "img.shx"), Slurp(pair.dir / "sheet.shx"));

    const std::string header = Utf8ToCp950(kReportHeader);
    const std::string row = pair.lan + "," + pair.parcel + ",1,3,0,1,0.500000,2,0.500000\n";
    EXPECT_EQ(Slurp(pair.dir / "Report.csv"), header + row);
    EXPECT_EQ(Slurp(pair.dir / "Report_new.csv"), header + row);
    EXPECT_EQ(header.substr(0, 3), "Lan");
    EXPECT_EQ(Cp950ToUtf8(header), kReportHeader);

    // The same pair again rewrites the tables and the trace and appends one row each.
    const std::string trace = Slurp(pair.dir / "recordPix.txt");
    pair.Run(sink);
    EXPECT_EQ(Slurp(pair.dir / "Report.csv"), header + row + row);
    EXPECT_EQ(Slurp(pair.dir / "Report_new.csv"), header + row + row);
    EXPECT_EQ(Slurp(pair.dir / "recordPix.txt"), trace);
    EXPECT_EQ(DbfRecords(pair.dir / "img.dbf").size(), 3u);
}

TEST(OverlayPairRun, ResultTablesReadBackThroughShapelib) {
    HandPair pair;
    RecordingSink sink;
    pair.Run(sink);
    struct Field { const char* name; char type; int width; int decimals; };
    const Field result[] = {{"classify", 'N', 3, 0},  {"ER_TYPE", 'N', 1, 0},
                            {"1ST_CLASS", 'N', 3, 0}, {"1ST_PROB", 'N', 10, 3},
                            {"2ND_CLASS", 'N', 3, 0}, {"2ND_PROB", 'N', 10, 3},
                            {"3RD_CLASS", 'N', 3, 0}, {"3RD_PROB", 'N', 10, 3},
                            {"RiceFlag", 'N', 3, 0},  {"classify1", 'N', 3, 0},
                            {"ER_TYPE1", 'N', 1, 0},  {"CULTURE", 'C', 1, 0}};
    const Field info[] = {{"SUM", 'N', 10, 0},      {"SUM_1ER1", 'N', 10, 0},
                          {"SUM_0ER1", 'N', 10, 0}, {"SUM_1ER2", 'N', 10, 0},
                          {"SUM_0ER2", 'N', 10, 0}, {"CULTURE", 'N', 1, 0},
                          {"CLASS", 'N', 3, 0},     {"ErrorType", 'N', 1, 0}};
    auto check = [](const std::string& path, const Field* fields, int n) {
        DBFHandle h = DBFOpen(path.c_str(), "rb");
        ASSERT_NE(h, nullptr) << path;
        ASSERT_EQ(DBFGetFieldCount(h), n);
        EXPECT_EQ(DBFGetRecordCount(h), 3);
        for (int i = 0; i < n; ++i) {
            char name[12];
            int width = 0, decimals = 0;
            DBFGetFieldInfo(h, i, name, &width, &decimals);
            EXPECT_EQ(DBFGetNativeFieldType(h, i), fields[i].type) << i;
            EXPECT_STREQ(name, fields[i].name);
            EXPECT_EQ(width, fields[i].width) << name;
            EXPECT_EQ(decimals, fields[i].decimals) << name;
        }
        DBFClose(h);
    };
    check(pair.dir / "img.dbf", result, 12);
    check(pair.dir / "img_info.dbf", info, 8);

    DBFHandle h = DBFOpen((pair.dir / "img.dbf").c_str(), "rb");
    EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(h, 1, 3), 0.392);
    EXPECT_EQ(DBFReadIntegerAttribute(h, 1, 6), 3);
    EXPECT_EQ(std::string(DBFReadStringAttribute(h, 1, 11)), "1");
    DBFClose(h);
    SHPHandle s = SHPOpen((pair.dir / "img.shp").c_str(), "rb");
    ASSERT_NE(s, nullptr);
    int count = 0;
    SHPGetInfo(s, &count, nullptr, nullptr, nullptr);
    EXPECT_EQ(count, 3);
    SHPClose(s);
}

TEST(OverlayPairRun, RefusedPairsWriteNothing) {
    struct Case {
        const char* name;
        std::string lanName;     // in the folder
        std::string parcelName;  // stem of the parcel file written in the folder
        float xcell;
        int bands;
        const char* message;
    };
    const Case cases[] = {
        {"cell size truncating to 0", "img.lan", "sheet", 0.9f, 9, "格網大小"},
        {"cell size 0", "img.lan", "sheet", 0.0f, 9, "格網大小"},
        {"negative cell size", "img.lan", "sheet", -4.0f, 9, "格網大小"},
        {"eight bands", "img.lan", "sheet", 4.0f, 8, "波段數"},
        {"no lower-case lan", "img.LAN", "sheet", 4.0f, 9, "lan"},
        {"no lower-case shp", "img.lan", "SHEET", 4.0f, 9, "shp"},
        {"image and parcel of one stem", "sheet.lan", "sheet", 4.0f, 9, "覆蓋"},
    };
    for (const auto& c : cases) {
        TempFolder dir("refuse");
        WriteParcels(dir / c.parcelName, {{Box(0, 0, 10, 10)}}, {"1"});
        const std::string lan = dir / c.lanName;
        WriteLan(lan, c.bands, 2, 2, 0, 10, c.xcell, [](int, int, int) { return 1; });
        const std::string parcel = dir / (c.parcelName + (c.parcelName == "SHEET" ? ".SHP" : ".shp"));
        if (c.parcelName == "SHEET") std::filesystem::rename(dir / "SHEET.shp", parcel);
        const auto before = FilesIn(dir.path());
        double x0 = -1, y0 = -1;
        EXPECT_TRUE(ReadLanOriginOf(lan, x0, y0)) << c.name;
        EXPECT_EQ(y0, 10) << c.name;
        RecordingSink sink;
        OverlayOutcome out = AnalysePair(lan, parcel, dir.path(), x0, y0, sink);
        EXPECT_FALSE(out.analysed) << c.name;
        ASSERT_EQ(sink.messages.size(), 1u) << c.name;
        EXPECT_NE(sink.messages[0].find(c.message), std::string::npos) << sink.messages[0];
        EXPECT_EQ(FilesIn(dir.path()), before) << c.name;
    }
}

TEST(OverlayPairRun, MissingTruthFieldFinishesWithUndefinedRates) {
    TempFolder dir("notruth");
    WriteParcels(dir / "sheet", {{Box(0, 0, 8, 8)}}, {"1"}, "kind");
    WriteLan(dir / "img.lan", 9, 4, 4, 0, 8, 2,
             NineBands([](int, int) { return ClassCell{5, 255, 0}; }));
    RecordingSink sink;
    AnalysePair(dir / "img.lan", dir / "sheet.shp", dir.path(), 0, 8, sink);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"找不到地真資料欄位!"});
    const std::string header = Utf8ToCp950(kReportHeader);
    EXPECT_EQ(Slurp(dir / "Report.csv"),
              header + dir / "img.lan" + "," + dir / "sheet.shp" + ",0,1,0,0,0.000000,0,nan\n");
    EXPECT_EQ(DbfRecords(dir / "img.dbf")[0].back(), ' ');
}

TEST(OverlayPairRun, MissingParcelTableEndsTheProcess) {
    TempFolder dir("nodbf");
    WriteParcels(dir / "sheet", {{Box(0, 0, 8, 8)}});
    WriteLan(dir / "img.lan", 9, 4, 4, 0, 8, 2, [](int, int, int) { return 1; });
    RecordingSink sink;
    int status = RunUntilExit([&] {
        AnalysePair(dir / "img.lan", dir / "sheet.shp", dir.path(), 0, 8, sink);
        return 0;
    });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"DBF Source FILE OPEN FAIL!"});
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"img.lan", "sheet.shp", "sheet.shx"}));
}

// Every file of a folder with its bytes (a folder within, by its name only).
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> out;
    for (const auto& name : FilesIn(folder)) {
        const std::string path = folder + "/" + name;
        out[name] = std::filesystem::is_directory(path) ? "<folder>" : Slurp(path);
    }
    return out;
}

TEST(OverlayPairRun, AFailedOutputLeavesEveryFileOfThePairAsBefore) {
    auto at = [](const char* suffix, WriteStep step) {
        return [suffix, step](WriteStep s, const std::string& path) {
            return s == step && path.size() >= std::strlen(suffix) &&
                   path.compare(path.size() - std::strlen(suffix), std::string::npos, suffix) == 0;
        };
    };
    struct Case {
        const char* name;
        bool earlierRun;      // outputs of an earlier run of the pair are there
        bool readOnlyResult;  // ... and the operator made the result table read-only
        ScopedWriteFaults::Rule fault;
        const char* file;     // named by the message
        bool opening;
    };
    const Case cases[] = {
        {"disk full on the statistics table", false, false, at("img_info.dbf", WriteStep::kWrite),
         "img_info.dbf", false},
        {"disk full on the trace", true, false, at("recordPix.txt", WriteStep::kWrite),
         "recordPix.txt", false},
        {"copy not flushed", false, false, at("img.shx", WriteStep::kFlush), "img.shx", false},
        {"close of the result table fails", true, false, at("img.dbf", WriteStep::kClose),
         "img.dbf", false},
        // The first three files are already in place when the fourth cannot be: they go back.
        {"result table cannot be put in place", true, false, at("img.dbf", WriteStep::kPlace),
         "img.dbf", false},
        {"read-only result table", true, true, nullptr, "img.dbf", true},
    };
    for (const auto& c : cases) {
        HandPair pair;
        RecordingSink sink;
        if (c.earlierRun) {
            ASSERT_TRUE(pair.Run(sink).analysed) << c.name;
            // Tell this run's bytes from the earlier ones: a different culture.
            WriteParcels(pair.dir / "sheet", {{Box(997, 1996, 1001, 2004)}}, {"0"});
        }
        if (c.readOnlyResult) std::filesystem::permissions(pair.dir / "img.dbf",
                                                           std::filesystem::perms::owner_read);
        const auto before = Snapshot(pair.dir.path());
        {
            ScopedWriteFaults faults(c.fault);
            OverlayOutcome out = pair.Run(sink);
            EXPECT_FALSE(out.analysed) << c.name;
        }
        const std::string path = pair.dir / c.file;
        EXPECT_EQ(sink.messages,
                  std::vector<std::string>{OverlayPairFailedMessage(
                      pair.dir / "img.lan", pair.dir / "sheet.shp", pair.dir.path(),
                      c.opening ? CannotOpenFileMessage(path) : CannotWriteFileMessage(path))})
            << c.name;
        EXPECT_EQ(Snapshot(pair.dir.path()), before) << c.name;  // no temporary either
        // Nothing left in the way of the next pair.
        if (c.readOnlyResult) continue;
        sink.messages.clear();
        EXPECT_TRUE(pair.Run(sink).analysed) << c.name;
        EXPECT_TRUE(sink.messages.empty()) << c.name;
    }
}

TEST(OverlayPairRun, ReportsKeepTheirHeaderAndWholeRows) {
    HandPair pair;
    RecordingSink sink;
    const std::string header = Utf8ToCp950(kReportHeader);
    const std::string row = pair.lan + "," + pair.parcel + ",1,3,0,1,0.500000,2,0.500000\n";
    // An empty report, as an earlier run on a full disk left it, gets its header first.
    std::ofstream(pair.dir / "Report.csv").close();
    ASSERT_TRUE(pair.Run(sink).analysed);
    EXPECT_EQ(Slurp(pair.dir / "Report.csv"), header + row);
    {
        ScopedWriteFaults faults([](WriteStep s, const std::string& path) {
            return s == WriteStep::kWrite && path.find("Report.csv") != std::string::npos;
        });
        ASSERT_TRUE(pair.Run(sink).analysed);
    }
    EXPECT_EQ(sink.messages,
              std::vector<std::string>{CannotWriteFileMessage(pair.dir / "Report.csv")});
    EXPECT_EQ(Slurp(pair.dir / "Report.csv"), header + row);
    EXPECT_EQ(Slurp(pair.dir / "Report_new.csv"), header + row + row);
}

// Pairs refused for their paths: they write nothing, not even a temporary.
TEST(OverlayPairRun, PairsRefusedForTheirPathsWriteNothing) {
    struct Case {
        const char* name;
        const char* lan;     // the pair's image and parcel file, in the folder
        const char* parcel;
        std::vector<std::string> run;  // the run's images; none: the pair alone
        std::string message;  // "@" stands for the folder
    };
    const Case cases[] = {
        // The image named through another spelling of the parcel file's folder.
        {"same file by another spelling", "sub/../b.lan", "b.shp", {},
         "輸出檔會覆蓋輸入檔，此組不處理: @/sub/../b.shp"},
        // Every "lan" of the path becomes "shp" or "dbf": the outputs would go to folders that
        // are not there.
        {"output folder missing", "lan/img.lan", "a.shp", {},
         OverlayPairFailedMessage("@/lan/img.lan", "@/a.shp", "@", CannotOpenFileMessage("@/shp/img.shp"))},
        // Image b.lan with parcel files a.shp and b.shp: the pair (b.lan, a.shp) would write its
        // result shapefile over b.shp, the ground truth of the next pair, here named through a
        // link.
        {"output on another pair's input", "b.lan", "a.shp", {"link.lan"},
         "輸出檔會覆蓋輸入檔，此組不處理: @/b.shp"},
    };
    for (const auto& c : cases) {
        TempFolder dir("refused");
        std::filesystem::create_directories(dir / "sub");
        std::filesystem::create_directories(dir / "lan");
        WriteParcels(dir / "a", {{Box(0, 0, 8, 8)}}, {"1"});
        WriteParcels(dir / "b", {{Box(0, 0, 8, 8)}}, {"0"});
        WriteLan(dir / "b.lan", 9, 4, 4, 0, 8, 2, [](int, int, int) { return 1; });
        WriteLan(dir / "lan/img.lan", 9, 4, 4, 0, 8, 2, [](int, int, int) { return 1; });
        std::filesystem::create_symlink(dir / "b.lan", dir / "link.lan");
        std::vector<std::string> images;
        for (const auto& name : c.run) images.push_back(dir / name);
        const RunInputs inputs(images, {dir / "a.shp", dir / "b.shp"});
        const auto before = Snapshot(dir.path());
        RecordingSink sink;
        OverlayOutcome out = AnalysePair(dir / c.lan, dir / c.parcel, dir.path(), 0, 8, sink,
                                         c.run.empty() ? nullptr : &inputs);
        EXPECT_FALSE(out.analysed) << c.name;
        EXPECT_EQ(sink.messages, std::vector<std::string>{ReplaceAll(c.message, "@", dir.path())})
            << c.name;
        EXPECT_EQ(Snapshot(dir.path()), before) << c.name;
    }
}

// Counts of one parcel, by code, with its flagged samples.
struct Samples {
    std::vector<std::pair<int, int>> codes;  // code, count (probability 102 each)
    int s1er1 = 0, s0er1 = 0, s1er2 = 0, s0er2 = 0;
};

ParcelCounts CountsOf(const Samples& s) {
    ParcelCounts c(1);
    for (auto [code, n] : s.codes) {
        c.histogram[0][code] += n;
        c.probabilitySum[0][code] += 102 * n;
        c.sum[0] += n;
    }
    c.sum1er1[0] = s.s1er1;
    c.sum0er1[0] = s.s0er1;
    c.sum1er2[0] = s.s1er2;
    c.sum0er2[0] = s.s0er2;
    return c;
}

TEST(ParcelDecision, ClassesFlagsAndBothRules) {
    struct Case {
        const char* name;
        Samples samples;
        const char* truth;
        int first, second, third, riceFlag, classify1, erType;
        PairTally tally;  // what this parcel adds
    };
    const Case cases[] = {
        {"background wins the tie: cloud", {{{0, 5}, {3, 5}, {25, 2}}}, "1",
         99, 3, 25, 99, 1, 0, {0, 1, 0, 0, 0, 1, 0}},
        {"background second", {{{0, 4}, {3, 5}, {25, 2}}}, "1",
         3, 99, 25, 1, 1, 0, {0, 0, 0, 1, 0, 1, 0}},
        {"one code only", {{{7, 9}}}, "1", 7, 99, 99, 1, 1, 0, {0, 0, 0, 1, 0, 1, 0}},
        {"lowest code wins a tie", {{{30, 4}, {12, 4}}}, "0",
         12, 30, 99, 1, 5, 0, {0, 0, 0, 1, 0, 0, 0}},
        {"rice and non-rice equal", {{{0, 3}, {2, 10}, {22, 10}}}, "1",
         2, 22, 99, 1, 5, 0, {0, 0, 0, 1, 0, 0, 0}},
        {"all rice flagged, truth 0", {{{4, 10}}, 6, 0, 4, 0}, "0",
         4, 99, 99, 1, 1, 1, {0, 0, 0, 1, 1, 1, 1}},
        {"more flag 2 than flag 1", {{{4, 10}}, 4, 0, 6, 0}, "1",
         4, 99, 99, 1, 1, 2, {0, 0, 0, 1, 0, 1, 0}},
        {"flags equal", {{{4, 10}}, 5, 0, 5, 0}, "1", 4, 99, 99, 1, 1, 5, {0, 0, 0, 1, 0, 1, 0}},
        {"not all flagged: no error type", {{{4, 10}}, 4, 0, 5, 0}, "0",
         4, 99, 99, 1, 1, 0, {0, 0, 0, 1, 1, 1, 0}},
        {"half flagged: old rule counts", {{{4, 5}, {30, 6}}, 5, 0, 0, 0}, "1",
         30, 4, 99, 0, 0, 0, {0, 0, 0, 1, 1, 1, 0}},
        {"under half flagged", {{{4, 6}, {30, 7}}, 5, 0, 0, 0}, "1",
         30, 4, 99, 0, 0, 0, {0, 0, 0, 1, 0, 1, 0}},
        {"non-rice all flagged, truth 1", {{{30, 8}}, 0, 3, 0, 5}, "1",
         30, 99, 99, 0, 0, 2, {0, 0, 0, 1, 1, 1, 1}},
        {"truth neither 0 nor 1", {{{30, 8}}, 0, 8, 0, 0}, "",
         30, 99, 99, 0, 0, 0, {0, 0, 0, 0, 0, 0, 0}},
        {"background majority", {{{0, 5}, {3, 4}, {30, 4}}}, "1",
         99, 3, 30, 99, 99, 0, {0, 1, 1, 0, 0, 0, 0}},
        {"no sample", {}, "1", 999, 0, 0, 999, 999, 0, {1, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        ParcelCounts counts = CountsOf(c.samples);
        PairTally t;
        ParcelResult r = DecideParcel(counts, 0, c.truth, t);
        EXPECT_EQ(r.classify, c.first) << c.name;
        EXPECT_EQ(r.firstClass, c.first) << c.name;
        EXPECT_EQ(r.statsClass, c.first) << c.name;
        EXPECT_EQ(r.secondClass, c.second) << c.name;
        EXPECT_EQ(r.thirdClass, c.third) << c.name;
        EXPECT_EQ(r.riceFlag, c.riceFlag) << c.name;
        EXPECT_EQ(r.classify1, c.classify1) << c.name;
        EXPECT_EQ(r.erType, c.erType) << c.name;
        EXPECT_EQ(r.erType1, c.erType) << c.name;
        EXPECT_EQ(r.culture, c.truth) << c.name;
        const double mean = 102 / 255.0;
        EXPECT_EQ(r.firstProb, (c.first == 99 || c.first == 999) ? 0 : mean) << c.name;
        EXPECT_EQ(r.secondProb, (c.second == 99 || c.second == 0) ? 0 : mean) << c.name;
        EXPECT_EQ(r.thirdProb, (c.third == 99 || c.third == 0) ? 0 : mean) << c.name;
        EXPECT_EQ(t.nonOverlap, c.tally.nonOverlap) << c.name;
        EXPECT_EQ(t.cloud, c.tally.cloud) << c.name;
        EXPECT_EQ(t.class0Majority, c.tally.class0Majority) << c.name;
        EXPECT_EQ(t.validOld, c.tally.validOld) << c.name;
        EXPECT_EQ(t.misclassifiedOld, c.tally.misclassifiedOld) << c.name;
        EXPECT_EQ(t.validNew, c.tally.validNew) << c.name;
        EXPECT_EQ(t.misclassifiedNew, c.tally.misclassifiedNew) << c.name;
    }
}

TEST(ParcelDecision, MeanProbabilityIsNotAnIntegerDivision) {
    ParcelCounts c(1);
    c.histogram[0][3] = 3;
    c.probabilitySum[0][3] = 200 + 201 + 255;
    c.sum[0] = 3;
    PairTally t;
    EXPECT_DOUBLE_EQ(DecideParcel(c, 0, "1", t).firstProb, 656.0 / 3 / 255.0);
}

TEST(Reports, RatesAndRows) {
    struct Case { double rate; const char* text; };
    const Case cases[] = {{0.5, "0.500000"},     {1.0 / 3, "0.333333"},
                          {2.0 / 3, "0.666667"}, {0.0, "0.000000"},
                          {1.0 / 0.0, "inf"},    {-1.0 / 0.0, "-inf"},
                          {std::nan(""), "nan"}, {-std::nan(""), "nan"},
                          {0.0 / 0.0, "nan"}};
    for (const auto& c : cases) EXPECT_EQ(FormatRate(c.rate), c.text) << c.rate;
    PairTally t;
    t.nonOverlap = 2;
    t.cloud = 1;
    t.class0Majority = 3;
    t.validOld = 4;
    t.misclassifiedOld = 1;
    t.validNew = 0;
    t.misclassifiedNew = 0;
    EXPECT_EQ(ReportRow("a.lan", "b.shp", 7, t, false), "a.lan,b.shp,1,7,1,2,0.250000,4,0.250000");
    EXPECT_EQ(ReportRow("a.lan", "b.shp", 5, t, true), "a.lan,b.shp,0,5,3,2,nan,0,nan");
    t.misclassifiedNew = 1;
    EXPECT_EQ(ReportRow("a.lan", "b.shp", 5, t, true), "a.lan,b.shp,1,5,3,2,inf,0,inf");
}

TEST(OverlayNames, DerivedPaths) {
    OverlayNames n = OverlayNamesOf("/d/lan/a.lan", "/d/shp/s.shp");
    EXPECT_EQ(n.resultShp, "/d/shp/a.shp");
    EXPECT_EQ(n.resultShx, "/d/shx/a.shx");
    EXPECT_EQ(n.resultDbf, "/d/dbf/a.dbf");
    EXPECT_EQ(n.infoDbf, "/d/dbf/a_info.dbf");
    EXPECT_EQ(n.parcelShx, "/d/shx/s.shx");
    EXPECT_EQ(n.parcelDbf, "/d/dbf/s.dbf");
    EXPECT_EQ(DbfFileOf("/a.b/c"), "/a.b/c.dbf");
    EXPECT_EQ(DbfFileOf("/a/x.DBF"), "/a/x.dbf");
    EXPECT_TRUE(OverlayNamesOf("/d/a.LAN", "/d/s.SHP").resultShp.empty());
    EXPECT_TRUE(OverlayNamesOf("/d/a.LAN", "/d/s.SHP").parcelDbf.empty());
}

// Reads back pixel by pixel, as the view's device does.
class PixelReader : public ParcelIndexReader {
public:
    explicit PixelReader(ParcelIndexReader& inner) : inner_(inner) {}
    void ReadRow(int y, int x0, int n, std::uint32_t* out) override {
        for (int i = 0; i < n; ++i) inner_.ReadRow(y, x0 + i, 1, out + i);
    }

private:
    ParcelIndexReader& inner_;
};

TEST(OverlaySampling, FastPathEqualsThePlainLoop) {
    struct Case { int cellSize; int offsetX, offsetY; int width, height; };
    const Case cases[] = {{7, -11, -5, 60, 45}, {4, 3, 9, 30, 30}, {1, -2, -2, 25, 20},
                          {20, 15, 5, 80, 70}, {5, 40, 40, 20, 20}};
    for (const auto& c : cases) {
        OverlayImage image;
        image.rows = 6;
        image.cols = 8;
        image.bands = 9;
        image.cellSize = c.cellSize;
        for (int r = 0; r < image.rows; ++r) {
            std::vector<std::uint8_t> line(9 * 8);
            for (int col = 0; col < 8; ++col) {
                line[col] = static_cast<std::uint8_t>((r * 7 + col * 5) % 46);
                line[8 + col] = static_cast<std::uint8_t>(r * 31 + col);
                line[64 + col] = static_cast<std::uint8_t>((r + col) % 3);
            }
            image.lines.push_back(line);
        }
        ParcelMap map;
        PaintGeometry& g = map.geometry;
        g.originOffsetX = c.offsetX + 0.7;
        g.originOffsetY = c.offsetY + 0.2;
        g.windowOriginX = c.offsetX;
        g.windowOriginY = c.offsetY;
        g.paintedWidth = c.width;
        g.paintedHeight = c.height;
        const int x = c.offsetX, y = c.offsetY;
        map.polygons = {BoxPoints(x, y, x + c.width / 2, y + c.height),
                        {{x + 3, y + 2}, {x + c.width, y + c.height / 3}, {x + 5, y + c.height}},
                        BoxPoints(x + c.width / 3, y + c.height / 2, x + c.width, y + c.height)};
        g.recordCount = 3;
        BandedParcelRaster fastRaster(map, 50), plainRaster(map);
        PixelReader plainReader(plainRaster);
        ParcelCounts fast(3), plain(3);
        std::ostringstream fastTrace, plainTrace;
        SampleOverlay(image, g, fastRaster, fast, &fastTrace);
        SampleOverlayReference(image, g, plainReader, plain, &plainTrace);
        EXPECT_EQ(fastTrace.str(), plainTrace.str()) << c.cellSize;
        if (c.offsetX < 40) {
            EXPECT_FALSE(fastTrace.str().empty());
        }
        EXPECT_EQ(fast.histogram, plain.histogram);
        EXPECT_EQ(fast.probabilitySum, plain.probabilitySum);
        EXPECT_EQ(fast.sum, plain.sum);
        EXPECT_EQ(fast.sum1er1, plain.sum1er1);
        EXPECT_EQ(fast.sum0er1, plain.sum0er1);
        EXPECT_EQ(fast.sum1er2, plain.sum1er2);
        EXPECT_EQ(fast.sum0er2, plain.sum0er2);
    }
}

}  // namespace
}  // namespace rice

namespace rice {
namespace {

using namespace rice::testing;

TEST(ParcelRaster, RefusesMoreRecordsThanColoursCanName) {
    TempFolder dir("toomany");
    WriteParcels(dir / "big", {{Box(0, 0, 1, 1)}});
    // An index of 16777215 records, every one naming the file's one shape (so the index itself
    // is sound).
    const long long records = 16777215;
    const long long bytes = 100 + 8 * records;
    {
        std::string shx = Slurp(dir / "big.shx");
        const std::string record = shx.substr(100, 8);
        shx.resize(100);
        shx.reserve(static_cast<std::size_t>(bytes));
        for (long long r = 0; r < records; ++r) shx += record;
        const std::uint32_t words = static_cast<std::uint32_t>(bytes / 2);
        const char be[4] = {char(words >> 24), char(words >> 16), char(words >> 8), char(words)};
        shx.replace(24, 4, be, 4);
        std::ofstream(dir / "big.shx", std::ios::binary | std::ios::trunc) << shx;
    }
    ParcelMap map;
    ParcelLoad result = LoadParcelMap(dir / "big.shp", 0, 0, map);
    EXPECT_EQ(result, ParcelLoad::kTooManyRecords);
    EXPECT_NE(ParcelLoadMessage(result, dir / "big.shp").find("16777214"), std::string::npos);
}

}  // namespace
}  // namespace rice

namespace rice {
namespace {

using namespace rice::testing;

TEST(OverlayImageRead, BadHeadersAndShortFiles) {
    TempFolder dir("lanread");
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;  // applied to the file's bytes
        OverlayImageLoad expected;
        int lines;  // lines held when read
    };
    auto set32 = [](std::string& b, size_t at, std::uint32_t v) { PutLe(b, at, v, 4); };
    const Case cases[] = {
        {"whole", [](std::string&) {}, OverlayImageLoad::kOk, 3},
        {"header cut short", [](std::string& b) { b.resize(60); }, OverlayImageLoad::kCannotRead, 0},
        {"empty file", [](std::string& b) { b.clear(); }, OverlayImageLoad::kCannotRead, 0},
        {"negative rows", [&](std::string& b) { set32(b, 20, 0xFFFFFFFF); },
         OverlayImageLoad::kCannotRead, 0},
        {"negative columns", [&](std::string& b) { set32(b, 16, 0x80000000); },
         OverlayImageLoad::kCannotRead, 0},
        {"band count negative", [](std::string& b) { PutLe(b, 8, 0xFFFF, 2); },
         OverlayImageLoad::kTooFewBands, 0},
        {"cell size not a number", [](std::string& b) { PutFloat(b, 120, std::nanf("")); },
         OverlayImageLoad::kCellTooSmall, 0},
        {"cell size infinite", [](std::string& b) { PutFloat(b, 120, INFINITY); },
         OverlayImageLoad::kOk, 3},
        {"last line cut", [](std::string& b) { b.resize(b.size() - 5); }, OverlayImageLoad::kOk, 3},
        {"no cells", [](std::string& b) { b.resize(128); }, OverlayImageLoad::kOk, 0},
        // Announces 2 x 10^10 cells over 18 cells of file: a damaged header, nothing allocated.
        {"huge announced size", [&](std::string& b) { set32(b, 16, 100000); set32(b, 20, 200000); },
         OverlayImageLoad::kCannotRead, 0},
        {"line beyond 2^31 bytes", [&](std::string& b) { set32(b, 16, 0x7FFFFFFF); set32(b, 20, 0); },
         OverlayImageLoad::kCannotRead, 0},
    };
    for (const auto& c : cases) {
        const std::string path = dir / "img.lan";
        WriteLan(path, 9, 2, 3, 0, 10, 5, [](int r, int b, int col) { return r * 50 + b * 5 + col + 1; });
        std::string bytes = Slurp(path);
        c.damage(bytes);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        OverlayImage image;
        ASSERT_EQ(LoadOverlayImage(path, image), c.expected) << c.name;
        if (c.expected != OverlayImageLoad::kOk) continue;
        EXPECT_EQ(static_cast<int>(image.lines.size()), c.lines) << c.name;
    }
    // Cells past the end of a short file read as 0.
    const std::string path = dir / "img.lan";
    WriteLan(path, 9, 2, 3, 0, 10, 5, [](int r, int b, int col) { return r * 50 + b * 5 + col + 1; });
    std::string bytes = Slurp(path);
    bytes.resize(bytes.size() - 5);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    OverlayImage image;
    ASSERT_EQ(LoadOverlayImage(path, image), OverlayImageLoad::kOk);
    EXPECT_EQ(image.Cell(2, 6, 0), 100 + 30 + 1);
    EXPECT_EQ(image.Cell(2, 6, 1), 0);
    EXPECT_EQ(image.Cell(2, 8, 0), 0);
    EXPECT_EQ(image.Cell(1, 8, 1), 50 + 40 + 2);
}

TEST(OverlayPairRun, NumericTruthIsItsFirstCharacter) {
    TempFolder dir("truths");
    // Three parcels, a numeric culture field.
    WriteParcels(dir / "sheet", {{Box(0, 0, 10, 10)}, {Box(10, 0, 20, 10)}, {Box(20, 0, 30, 10)}});
    DBFHandle d = DBFCreate((dir / "sheet.dbf").c_str());
    DBFAddField(d, "CULTURE", FTInteger, 3, 0);
    DBFWriteIntegerAttribute(d, 0, 0, 10);
    DBFWriteIntegerAttribute(d, 1, 0, 0);
    DBFWriteIntegerAttribute(d, 2, 0, 5);
    DBFClose(d);
    WriteLan(dir / "img.lan", 9, 3, 1, 0, 10, 10,
             NineBands([](int, int c) { return ClassCell{c == 1 ? 30 : 3, 255, 2}; }));
    RecordingSink sink;
    OverlayOutcome out = AnalysePair(dir / "img.lan", dir / "sheet.shp", dir.path(), 0, 10, sink);
    EXPECT_TRUE(sink.messages.empty());
    auto rows = DbfRecords(dir / "img.dbf");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].back(), '1');  // 10 -> "1"
    EXPECT_EQ(rows[1].back(), '0');
    EXPECT_EQ(rows[2].back(), '5');  // kept, though it is no truth
    EXPECT_EQ(out.tally.validOld, 2);
    EXPECT_EQ(out.tally.misclassifiedOld, 1);  // parcel 1: rice wins the tie under truth 0
}

}  // namespace
}  // namespace rice
