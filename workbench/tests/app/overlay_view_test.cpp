#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "platform/core/atomic_file.h"
#include "platform/core/encoding.h"
#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/script/operator.h"
#include "workbench/app/KorvaneView.h"
#include "workbench/doc/KorvaneDoc.h"
#include "workbench/engine/overlay.h"
#include "workbench/engine/parcel_raster.h"
#include "workbench/tests/app/workbench_run.h"
#include "workbench/tests/engine/overlay_fixtures.h"

namespace {

using namespace rice::testing;

struct Workbench {
    CKorvaneDoc doc;
    CKorvaneView view{&doc};
    rice::RecordingSink sink;
    Workbench() {
        doc.SetView(&view);
        doc.SetSink(&sink);
    }
    // Overlays every pair of the document under a silent operator; the message boxes shown,
    // one "[caption] text" line each.
    std::string OverlapViews(int* status = nullptr) {
        std::ostringstream out, err;
        script::Operator op("", "run.script", out, err);
        ui::ScopedUi scope(op);
        ui::SetAppTitle("Korvane");
        const int s = rice::RunUntilExit([&] {
            doc.OverlapViews();
            return 0;
        });
        if (status) *status = s;
        return out.str();
    }
};

// A sheet of overlapping parcels, one with a hole and one in two parts, and a null record.
void WriteSheet(const std::string& stem, double x0, double y0) {
    WriteParcels(stem,
                 {{Box(x0 + 0.4, y0 - 30.2, x0 + 20.5, y0 - 2.5)},
                  {Box(x0 + 10, y0 - 25, x0 + 40.7, y0 - 5), Box(x0 + 15, y0 - 20, x0 + 20, y0 - 10)},
                  {},
                  {Box(x0 + 30, y0 - 40, x0 + 36, y0 - 32), Box(x0 + 2, y0 - 40, x0 + 8, y0 - 35)}},
                 {"1", "0", "1", "0"});
}

TEST(ParcelView, EmptyParcelFileOnlySetsTheMapping) {
    Workbench w;
    w.doc.m_recordCount = 7;
    w.doc.m_paintedWidth = 8;
    ui::DeviceContext dc = w.view.GetWindowDC();
    const ui::Raster before = dc.Target();
    w.view.OnDraw(dc);
    EXPECT_EQ(dc.GetMapMode(), ui::MapMode::Anisotropic);
    EXPECT_EQ(dc.LogPixelsX(), 480);
    EXPECT_EQ(w.doc.m_recordCount, 7);
    EXPECT_EQ(w.doc.m_paintedWidth, 8);
    EXPECT_EQ(dc.Target().Bytes(), before.Bytes());
}

TEST(ParcelView, PaintedDeviceReadsBackAsTheBandedRaster) {
    TempFolder dir("view");
    const double x0 = 5000.25, y0 = 8000.75;
    WriteSheet(dir / "sheet", x0, y0);
    Workbench w;
    w.doc.m_lanOriginX = x0;
    w.doc.m_lanOriginY = y0;
    w.doc.m_curParcelFile = dir / "sheet.shp";
    ui::DeviceContext dc = w.view.GetWindowDC();
    w.view.OnDraw(dc);
    EXPECT_EQ(w.doc.m_recordCount, 4);
    EXPECT_NEAR(w.doc.m_originOffsetX, 0.4, 1e-9);
    EXPECT_DOUBLE_EQ(w.doc.m_originOffsetY, 2.5);
    EXPECT_EQ(w.doc.m_paintedWidth, 40);   // trunc(40.7 - 0.4)
    EXPECT_EQ(w.doc.m_paintedHeight, 37);  // trunc(40 - 2.5)
    EXPECT_EQ(dc.WindowOrg(), (ui::Point{0, 2}));

    rice::ParcelMap map;
    ASSERT_EQ(rice::LoadParcelMap(dir / "sheet.shp", x0, y0, map), rice::ParcelLoad::kOk);
    rice::BandedParcelRaster raster(map, 64);
    const auto& g = map.geometry;
    std::vector<std::uint32_t> row(static_cast<size_t>(g.paintedWidth));
    std::set<std::uint32_t> seen;
    for (int y = 0; y < g.paintedHeight; ++y) {
        raster.ReadRow(g.windowOriginY + y, g.windowOriginX, g.paintedWidth, row.data());
        for (int x = 0; x < g.paintedWidth; ++x) {
            std::uint32_t fromDevice =
                rice::RecordFromColour(dc.GetPixel(g.windowOriginX + x, g.windowOriginY + y));
            ASSERT_EQ(fromDevice, row[x]) << x << "," << y;
            seen.insert(row[x]);
        }
    }
    // Every painted record and the background are there; the null record paints nothing.
    EXPECT_EQ(seen, (std::set<std::uint32_t>{0, 1, 3, rice::kNoParcel}));
    EXPECT_EQ(rice::RecordFromColour(dc.GetPixel(-5000, -5000)), rice::kNoParcel);
}

TEST(ParcelView, RepaintLeavesNothingOfTheEarlierFile) {
    TempFolder dir("repaint");
    WriteSheet(dir / "big", 0, 100);
    WriteParcels(dir / "small", {{Box(50, 50, 52, 52)}}, {"1"});
    Workbench w;
    w.doc.m_lanOriginY = 100;
    ui::DeviceContext dc = w.view.GetWindowDC();
    w.doc.m_curParcelFile = dir / "big.shp";
    w.view.OnDraw(dc);
    w.doc.m_curParcelFile = dir / "small.shp";
    w.view.OnDraw(dc);
    int painted = 0;
    const auto& px = dc.Target();
    for (int y = 0; y < px.Height(); ++y)
        for (int x = 0; x < px.Width(); ++x) painted += px.Pixel(x, y) != ui::kWhite;
    EXPECT_EQ(painted, 4);
}

TEST(ParcelView, UnopenableParcelFileEndsTheProcess) {
    Workbench w;
    w.doc.m_curParcelFile = "/nonexistent/sheet.shp";
    ui::DeviceContext dc = w.view.GetWindowDC();
    EXPECT_EQ(rice::RunUntilExit([&] {
                  w.view.OnDraw(dc);
                  return 0;
              }),
              1);
}

// Two images over three parcel files: six pairs, image-major, each appending its rows.
TEST(OverlayRun, PairsRunImageMajorAndEndWithOneMessage) {
    InTempFolder dir("pairs");  // the reports go to the current folder
    std::vector<std::string> lans, parcels;
    for (int i = 0; i < 2; ++i) {
        lans.push_back(dir / ("img" + std::to_string(i) + ".lan"));
        WriteLan(lans.back(), 9, 10, 10, 0, 100, 10,
                 NineBands([i](int r, int c) { return ClassCell{(r + c + i) % 40 + 1, 200, i}; }));
    }
    for (int j = 0; j < 3; ++j) {
        parcels.push_back(dir / ("sheet" + std::to_string(j) + ".shp"));
        std::vector<Parcel> ps;
        for (int k = 0; k <= j; ++k) ps.push_back({Box(10 * k, 40, 10 * k + 30, 90)});
        WriteParcels(dir / ("sheet" + std::to_string(j)), ps, std::vector<std::string>(ps.size(), "1"));
    }
    Workbench w;
    w.doc.m_lanFiles = lans;
    w.doc.m_parcelFiles = parcels;
    EXPECT_EQ(w.OverlapViews(), "[Korvane] 執行完畢!\n");
    EXPECT_TRUE(w.doc.m_lanFiles.empty());
    EXPECT_TRUE(w.doc.m_parcelFiles.empty());
    EXPECT_TRUE(w.doc.m_curParcelFile.empty());
    EXPECT_EQ(w.doc.m_curLanFile, lans[1]);
    EXPECT_EQ(w.doc.m_resultDbfFile, dir / "img1.dbf");
    EXPECT_EQ(w.doc.m_cellSize, 10);
    EXPECT_EQ(w.doc.m_lanRowBytes, 90);

    std::istringstream report(Slurp(dir / "Report.csv"));
    std::string line;
    std::getline(report, line);
    EXPECT_EQ(rice::Cp950ToUtf8(line + "\n"), rice::kReportHeader);
    std::vector<std::string> pairs;
    while (std::getline(report, line)) pairs.push_back(line.substr(0, line.find(",", line.find(",") + 1)));
    std::vector<std::string> expected;
    for (const auto& l : lans)
        for (const auto& p : parcels) expected.push_back(l + "," + p);
    EXPECT_EQ(pairs, expected);
    // The tables of an image hold its last parcel file's results.
    EXPECT_EQ(DbfRecords(dir / "img0.dbf").size(), 3u);
    EXPECT_EQ(DbfRecords(dir / "img1_info.dbf").size(), 3u);
}

TEST(OverlayRun, CommandRunsTheDialogsChoice) {
    InTempFolder dir("command");  // the pickers move the current folder
    WriteLan(dir / "img.lan", 9, 4, 4, 0, 40, 10,
             NineBands([](int, int) { return ClassCell{3, 255, 1}; }));
    WriteParcels(dir / "sheet", {{Box(0, 0, 40, 40)}}, {"0"});
    Workbench w;
    std::ostringstream out, err;
    script::Operator op("file " + dir / "img.lan" + "\nclick 1010\nfile " + dir / "sheet.shp" +
                            "\nclick 1012\nclick 1\n",
                        "cmd.script", out, err);
    ui::ScopedUi scope(op);
    ui::SetAppTitle("Korvane");
    int status = rice::RunUntilExit([&] {
        w.doc.OnOverlap();
        return 0;
    });
    ASSERT_EQ(status, 0) << err.str();
    EXPECT_EQ(out.str(), "[Korvane] 執行完畢!\n");
    // The pickers left the current folder in the files' folder, where the reports go.
    EXPECT_EQ(Slurp(dir / "Report.csv"),
              rice::Utf8ToCp950(rice::kReportHeader) + dir / "img.lan" + "," + dir / "sheet.shp" +
                  ",1,1,0,0,1.000000,1,1.000000\n");
}

}  // namespace

namespace {

using namespace rice::testing;

// The workbench's own road under a script: method menu, command 32778, dialog, run.
TEST(OverlayRun, WorkbenchMenuRunsTheOverlay) {
    InTempFolder dir("menu");  // the pickers move the current folder
    WriteLan(dir / "img.lan", 9, 4, 4, 0, 40, 10,
             NineBands([](int r, int) { return ClassCell{r < 2 ? 3 : 30, 128, 0}; }));
    WriteParcels(dir / "sheet", {{Box(0, 20, 40, 40)}, {Box(0, 0, 40, 20)}}, {"1", "1"});
    rice::RecordingInterpreter starts;
    const WorkbenchRun run = RunWorkbench("answer no\nmenu 32774\nmenu 32778\nfile " + dir / "img.lan" +
                                              "\nclick 1010\nfile " + dir / "sheet.shp" +
                                              "\nclick 1012\nclick 1\nexpect 執行完畢!\n",
                                          dir / "cfg", &starts);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.shown.find("[Korvane] 執行完畢!\n"), std::string::npos) << run.shown;
    // Parcel 0 mostly over rice cells, parcel 1 over non-rice ones under a rice truth; no cell
    // is flagged, so neither rule counts a misclassified parcel.
    EXPECT_EQ(Slurp(dir / "Report.csv"),
              rice::Utf8ToCp950(rice::kReportHeader) + dir / "img.lan" + "," + dir / "sheet.shp" +
                  ",0,2,0,0,0.000000,2,0.000000\n");
    auto rows = DbfRecords(dir / "img.dbf");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].substr(1, 3), "  3");
    EXPECT_EQ(rows[1].substr(1, 3), " 30");
}

}  // namespace

namespace {

using namespace rice::testing;

// A pair that would write over another pair's input is refused, a pair whose table cannot be
// written leaves nothing; each is named and the run goes on to the next pair.
TEST(OverlayRun, CrossedAndFailedPairsAreNamedAndTheRunGoesOn) {
    InTempFolder dir("faults");  // the reports go to the current folder
    WriteLan(dir / "b.lan", 9, 4, 4, 0, 40, 10,
             NineBands([](int, int) { return ClassCell{3, 255, 0}; }));
    WriteLan(dir / "good.lan", 9, 4, 4, 0, 40, 10,
             NineBands([](int, int) { return ClassCell{3, 255, 0}; }));
    WriteParcels(dir / "a", {{Box(0, 0, 40, 40)}}, {"1"});
    WriteParcels(dir / "b", {{Box(0, 0, 40, 40)}}, {"1"});
    const std::string truth = Slurp(dir / "b.dbf") + Slurp(dir / "b.shp") + Slurp(dir / "b.shx");
    Workbench w;
    w.doc.SetSink(nullptr);  // application message boxes
    w.doc.m_lanFiles = {dir / "b.lan", dir / "good.lan"};
    w.doc.m_parcelFiles = {dir / "a.shp", dir / "b.shp"};
    std::string shown;
    {
        // The disk is full for the first statistics table only.
        int failures = 0;
        rice::ScopedWriteFaults full([&failures](rice::WriteStep s, const std::string& path) {
            return s == rice::WriteStep::kWrite &&
                   path.find("good_info.dbf") != std::string::npos && failures++ == 0;
        });
        shown = w.OverlapViews();
    }
    const std::string crossed = "[Korvane] 輸出檔會覆蓋輸入檔，此組不處理: " + dir / "b.shp" + "\n";
    EXPECT_EQ(shown, crossed + crossed + "[Korvane] " +
                             rice::OverlayPairFailedMessage(dir / "good.lan", dir / "a.shp", dir.path(),
                                                            rice::CannotWriteFileMessage(dir / "good_info.dbf")) +
                             "\n[Korvane] 執行完畢!\n");
    EXPECT_EQ(Slurp(dir / "b.dbf") + Slurp(dir / "b.shp") + Slurp(dir / "b.shx"), truth);
    EXPECT_EQ(Slurp(dir / "Report.csv"),
              rice::Utf8ToCp950(rice::kReportHeader) + dir / "good.lan" + "," + dir / "b.shp" +
                  ",0,1,0,0,0.000000,1,0.000000\n");
}

}  // namespace

namespace {

// An image that cannot be overlaid is named and the run goes on with the next image: one with
// too few bands, and one that exists but holds no header (which once ended the run quietly).
TEST(OverlayRun, BadImageIsNamedAndTheRunGoesOn) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        const char* message;  // before the image's path
    };
    const Case cases[] = {
        {"eight bands", [](const std::string& p) { WriteLan(p, 8, 4, 4, 0, 40, 10, [](int, int, int) { return 3; }); },
         "分類後影像檔的波段數少於 9: "},
        {"shorter than 128 bytes", [](const std::string& p) { std::ofstream(p, std::ios::binary) << std::string(60, '\1'); },
         "無法讀取分類後影像檔: "},
        {"a folder", [](const std::string& p) { std::filesystem::create_directory(p); },
         "無法讀取分類後影像檔: "},
        {"a named pipe", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         "無法讀取分類後影像檔: "},
    };
    for (const Case& c : cases) {
        InTempFolder dir("badimage");  // the reports go to the current folder
        c.make(dir / "bad.lan");
        WriteLan(dir / "good.lan", 9, 4, 4, 0, 40, 10,
                 NineBands([](int, int) { return ClassCell{3, 255, 0}; }));
        WriteParcels(dir / "sheet", {{Box(0, 0, 40, 40)}}, {"1"});
        Workbench w;
        w.doc.SetSink(nullptr);  // application message boxes
        w.doc.m_lanFiles = {dir / "bad.lan", dir / "good.lan"};
        w.doc.m_parcelFiles = {dir / "sheet.shp"};
        int status = -1;
        EXPECT_EQ(w.OverlapViews(&status),
                  "[Korvane] " + std::string(c.message) + dir / "bad.lan" + "\n[Korvane] 執行完畢!\n")
            << c.what;
        EXPECT_EQ(status, 0) << c.what;
        EXPECT_FALSE(rice::FileExists(dir / "bad.dbf")) << c.what;
        EXPECT_FALSE(rice::FileExists(dir / "bad.shp")) << c.what;
        EXPECT_TRUE(rice::FileExists(dir / "good.dbf")) << c.what;
        EXPECT_EQ(Slurp(dir / "Report.csv"),
                  rice::Utf8ToCp950(rice::kReportHeader) + dir / "good.lan" + "," + dir / "sheet.shp" +
                      ",0,1,0,0,0.000000,1,0.000000\n")
            << c.what;
    }
}

}  // namespace

namespace {

using namespace rice::testing;

// A parcel file whose index does not match its .shp and .dbf is refused before anything of its
// pair is written, named once, with nothing of shapelib's on the standard error; the run goes
// on with the next parcel file.
TEST(OverlayRun, DamagedParcelIndexIsRefusedQuietly) {
    struct Case {
        const char* what;
        long long records;  // in the damaged index; the .shp and the .dbf hold 6
    };
    const Case cases[] = {
        {"1 000 000 records over 6 parcels", 1000000},
        {"one record short of the table", 5},
    };
    for (const Case& c : cases) {
        InTempFolder dir("damaged");  // the reports go to the current folder
        WriteLan(dir / "img.lan", 9, 4, 4, 0, 40, 10,
                 NineBands([](int, int) { return ClassCell{3, 255, 0}; }));
        std::vector<Parcel> six;
        for (int k = 0; k < 6; ++k) six.push_back({Box(5 * k, 0, 5 * k + 5, 40)});
        WriteParcels(dir / "bad", six, std::vector<std::string>(6, "1"));
        WriteParcels(dir / "good", {{Box(0, 0, 40, 40)}}, {"1"});
        // The index keeps its real records as far as they go; the rest point at offset 0.
        std::string shx = Slurp(dir / "bad.shx");
        shx.resize(static_cast<std::size_t>(100 + 8 * c.records), '\0');
        const std::uint32_t words = static_cast<std::uint32_t>(shx.size() / 2);
        const char be[4] = {char(words >> 24), char(words >> 16), char(words >> 8), char(words)};
        shx.replace(24, 4, be, 4);
        ASSERT_TRUE(rice::WriteFileAtomic(dir / "bad.shx", shx));

        Workbench w;
        w.doc.SetSink(nullptr);  // application message boxes
        w.doc.m_lanFiles = {dir / "img.lan"};
        w.doc.m_parcelFiles = {dir / "bad.shp", dir / "good.shp"};
        std::fflush(stderr);
        const int saved = ::dup(2);
        const int errors = ::open((dir / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(errors, 2);
        ::close(errors);
        const std::string shown = w.OverlapViews();
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        EXPECT_EQ(shown, "[Korvane] 坵塊檔已損壞（.shx 的紀錄與 .shp 或 .dbf 不符），不處理此坵塊檔: " +
                             dir / "bad.shp" + "\n[Korvane] 執行完畢!\n")
            << c.what;
        EXPECT_EQ(Slurp(dir / "stderr.txt"), "") << c.what;
        EXPECT_EQ(Slurp(dir / "Report.csv"),
                  rice::Utf8ToCp950(rice::kReportHeader) + dir / "img.lan" + "," + dir / "good.shp" +
                      ",0,1,0,0,0.000000,1,0.000000\n")
            << c.what;
        EXPECT_EQ(DbfRecords(dir / "img.dbf").size(), 1u) << c.what;
    }
}

}  // namespace
