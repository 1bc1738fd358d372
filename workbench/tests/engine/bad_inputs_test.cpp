// Damaged and special inputs: each gives its reader's own message, no hang, no huge
// allocation, no clip out of proportion, no undefined behaviour on empty images.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "platform/core/files.h"
#include "platform/testing/temp_folder.h"
#include "workbench/engine/classifier.h"
#include "workbench/engine/clip.h"
#include "workbench/engine/param_files.h"
#include "workbench/engine/parcel_raster.h"
#include "workbench/engine/signature.h"
#include "workbench/engine/threshold_grid.h"
#include "workbench/tests/engine/test_util.h"

namespace rice {
namespace {

namespace fs = std::filesystem;
using test::MakeHeader;
using test::MakeImage;
using test::ReadBytes;
using test::WriteBoxShapefile;

// Two one-band classes around 50 and 150.
const char kStats[] = "2 1 50 100 150 100";

class BadInputs : public testing::TempFolderTest {
protected:
    std::string Image(const std::string& name, int icols, int irows, float xcell = 10) {
        LanImage img = MakeImage(MakeHeader(1, icols, irows, 1000, 2000, xcell, xcell),
                                 [](int, int, int c) { return c % 2 ? 60 : 140; });
        EXPECT_TRUE(WriteLanImage(Path(name), img));
        return Path(name);
    }
    std::string Stats() {
        EXPECT_TRUE(WriteFileAtomic(Path("stats.txt"), kStats));
        return Path("stats.txt");
    }
};

TEST_F(BadInputs, SpecialFilesGiveEachReadersOwnMessage) {
    struct Special {
        const char* what;
        std::function<void(const std::string&)> make;
    };
    const Special specials[] = {
        {"link to /dev/zero", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }},
        {"named pipe", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
    };
    const std::string in = Image("in.lan", 2, 1);
    const std::string stats = Stats();
    struct Reader {
        const char* what;
        // Reads `special` and returns what the operator is shown.
        std::function<std::string(const std::string& special)> read;
        std::function<std::string(const std::string& special)> expected;
    };
    const Reader readers[] = {
        {"LAN image",
         [](const std::string& p) {
             std::string why;
             return ReadLanImage(p, &why) ? std::string("read") : why;
         },
         [](const std::string&) { return std::string("not a regular file"); }},
        {"classifier input",
         [&](const std::string& p) {
             RecordingSink sink;
             ClassifyMaximumLikelihood(p, stats, Path("o.lan"), 0, 0, sink);
             return sink.messages.empty() ? "" : sink.messages[0];
         },
         [](const std::string&) { return std::string("錯誤類型0001"); }},
        {"class statistics",
         [&](const std::string& p) {
             RecordingSink sink;
             ClassifyMaximumLikelihood(in, p, Path("o.lan"), 0, 0, sink);
             return sink.messages.empty() ? "" : sink.messages[0];
         },
         [](const std::string&) { return std::string("錯誤類型0002"); }},
        {"signature file",
         [](const std::string& p) {
             RecordingSink sink;
             ConvertSignatureFile(p, sink);
             return sink.messages.empty() ? "" : sink.messages[0];
         },
         [](const std::string& p) { return "DoConv Open Input " + p + " Fail"; }},
        // A sound .shp beside a special .shx.
        {"parcel shapefile to clip",
         [&](const std::string& p) {
             fs::remove(Path("q.shx"));
             WriteBoxShapefile(Path("q.shp"), 1000, 1800, 1100, 1900);
             fs::remove(Path("q.shx"));
             fs::rename(p, Path("q.shx"));
             RecordingSink sink;
             ClipLanToParcels(MakeImage(MakeHeader(1, 40, 30), [](int, int, int) { return 1; }),
                              Path("q.shp"), sink);
             return sink.messages.empty() ? "" : sink.messages[0];
         },
         [&](const std::string&) { return "錯誤類型0004" + Path("q.shp"); }},
        {"parcel shapefile to paint",
         [&](const std::string& p) {
             fs::remove(Path("q.shx"));
             WriteBoxShapefile(Path("q.shp"), 1000, 1800, 1100, 1900);
             fs::remove(Path("q.shx"));
             fs::rename(p, Path("q.shx"));
             ParcelMap map;
             return std::string(LoadParcelMap(Path("q.shp"), 0, 0, map) == ParcelLoad::kCannotOpen
                                    ? "cannot open" : "opened");
         },
         [](const std::string&) { return std::string("cannot open"); }},
        {"output list",
         [&](const std::string& p) { return RewriteOutputList("/m", p).message; },
         [](const std::string& p) { return p + " 不是一般檔案，無法讀取。"; }},
    };
    for (const Special& s : specials)
        for (const Reader& r : readers) {
            const std::string p = Path("special");
            fs::remove(p);
            s.make(p);
            EXPECT_EQ(r.read(p), r.expected(p)) << r.what << ", " << s.what;
            EXPECT_FALSE(FileExists(Path("o.lan"))) << r.what << ", " << s.what;
        }
}

TEST_F(BadInputs, ClipSizeIsBoundBySourceAndDisk) {
    struct Case {
        const char* what;
        LanHeader source, clip;
        std::optional<std::uint64_t> free;
        bool refused;
    };
    const Case cases[] = {
        // 16 times a source of a million cells, and one line more.
        {"16 times", MakeHeader(1, 1000, 1000), MakeHeader(1, 4000, 4000), std::nullopt, false},
        {"past 16 times", MakeHeader(1, 1000, 1000), MakeHeader(1, 4000, 4001), std::nullopt, true},
        // Small sources may still give clips of 1 MiB.
        {"1 MiB from a tiny source", MakeHeader(4, 3, 3), MakeHeader(4, 512, 512), std::nullopt, false},
        {"past 1 MiB", MakeHeader(4, 3, 3), MakeHeader(4, 512, 513), std::nullopt, true},
        {"fits the disk", MakeHeader(1, 10, 10), MakeHeader(1, 10, 10), 228, false},
        {"one byte beyond the disk", MakeHeader(1, 10, 10), MakeHeader(1, 10, 10), 227, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClipSizeRefusal(c.source, c.clip, "p.shp", c.free).has_value(), c.refused) << c.what;
    EXPECT_EQ(ClipSizeRefusal(MakeHeader(4, 3, 3), MakeHeader(4, 512, 513), "/d/p.shp", std::nullopt),
              "裁切影像 1050752 位元組，超過原始影像的 16 倍，不裁切此坵塊檔: /d/p.shp");
    EXPECT_EQ(ClipSizeRefusal(MakeHeader(1, 10, 10), MakeHeader(1, 10, 10), "/d/p.shp", 227),
              "裁切影像 228 位元組，超過磁碟剩餘空間 227 位元組，不裁切此坵塊檔: /d/p.shp");
}

TEST_F(BadInputs, StrayVertexAndTinyCellsWriteNoClip) {
    struct Case {
        const char* what;
        float xcell;
        double maxX;
    };
    const Case cases[] = {
        {"box reaching x = 1e9", 10, 1e9},       // 10^8 columns
        {"cells of 0.001", 0.001f, 1200},        // 200 000 x 200 000 cells
    };
    for (const Case& c : cases) {
        LanImage src = MakeImage(MakeHeader(4, 40, 30, 1000, 2000, c.xcell, c.xcell),
                                 [](int, int, int) { return 7; });
        fs::create_directories(Path("shp"));
        fs::create_directories(Path("lan"));
        WriteBoxShapefile(Path("shp/p.shp"), 1000, 1800, c.maxX, 2000);
        RecordingSink sink;
        ClipLanToParcels(src, Path("shp/p.shp"), sink);
        ASSERT_EQ(sink.messages.size(), 1u) << c.what;
        EXPECT_EQ(sink.messages[0].find("裁切影像 "), 0u) << sink.messages[0];
        EXPECT_NE(sink.messages[0].find("倍，不裁切此坵塊檔: " + Path("shp/p.shp")), std::string::npos)
            << sink.messages[0];
        EXPECT_TRUE(fs::is_empty(Path("lan"))) << c.what;
    }
}

TEST_F(BadInputs, ImagesWithoutCellsClassifyIntoTheirHeader) {
    const std::string stats = Stats();
    for (auto [icols, irows] : {std::pair{0, 5}, std::pair{3, 0}}) {
        SCOPED_TRACE(std::to_string(icols) + " x " + std::to_string(irows));
        const std::string in = Image("empty.lan", icols, irows);
        RecordingSink sink;
        EXPECT_EQ(ClassifyMaximumLikelihood(in, stats, Path("o.lan"), 0.5, 0.5, sink), 0);
        EXPECT_EQ(ReadBytes(Path("o.lan")).size(), 128u);
        // The grid's fast path classifies each image once into memory: none to copy here.
        fs::create_directories(Path("shp"));
        const std::vector<GridStep> steps = {{in, stats, Path("shp/g_0.10_0.10.lan"), 0.1, 0.1},
                                             {in, stats, Path("shp/g_0.15_0.10.lan"), 0.15, 0.1}};
        EXPECT_EQ(RunGridSteps(steps, sink, {}), steps.size());
        EXPECT_EQ(ReadBytes(Path("shp/g_0.15_0.10.lan")).size(), 128u);
        EXPECT_TRUE(sink.messages.empty());
    }
}

}  // namespace
}  // namespace rice
