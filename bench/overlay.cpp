// One overlay pair of a map sheet: 3000 x 3000 map units, 2000 parcels, a classified image of
// 10-unit cells. Includes the parcel read, the trace, both tables, the copies and the reports.
#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/core/message_sink.h"
#include "workbench/engine/lan_image.h"
#include "workbench/engine/overlay.h"
#include "workbench/engine/parcel_raster.h"

namespace {

constexpr double kX0 = 250000, kY0 = 2650000;
constexpr int kSheet = 3000, kCell = 10;
constexpr int kAcross = 50, kDown = 40;  // 2000 parcels

struct Sheet {
    std::string dir;
    std::string lan, shp;
    Sheet() {
        dir = (std::filesystem::temp_directory_path() / "rice-bench-ovl").string();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        shp = dir + "/sheet.shp";
        lan = dir + "/img.lan";
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> wobble(-8, 8);
        SHPHandle h = SHPCreate((dir + "/sheet").c_str(), SHPT_POLYGON);
        DBFHandle d = DBFCreate((dir + "/sheet.dbf").c_str());
        DBFAddField(d, "culture", FTString, 1, 0);
        const double w = double(kSheet) / kAcross, hgt = double(kSheet) / kDown;
        int record = 0;
        for (int r = 0; r < kDown; ++r)
            for (int c = 0; c < kAcross; ++c) {
                double x0 = kX0 + c * w, y1 = kY0 - r * hgt, x1 = x0 + w, y0 = y1 - hgt;
                auto j = [&](double v, bool edge) { return edge ? v : v + wobble(rng); };
                std::vector<double> xs = {j(x0, c == 0), j(x0, c == 0), j(x1, c == kAcross - 1),
                                          j(x1, c == kAcross - 1)};
                std::vector<double> ys = {j(y0, r == kDown - 1), j(y1, r == 0), j(y1, r == 0),
                                          j(y0, r == kDown - 1)};
                xs.push_back(xs[0]);
                ys.push_back(ys[0]);
                std::vector<int> starts = {0};
                if (record % 7 == 0) {  // a pond in some parcels
                    starts.push_back(static_cast<int>(xs.size()));
                    double cx = x0 + w / 2, cy = y0 + hgt / 2;
                    for (auto [dx, dy] : {std::pair{-8, -8}, {8, -8}, {8, 8}, {-8, 8}, {-8, -8}}) {
                        xs.push_back(cx + dx);
                        ys.push_back(cy + dy);
                    }
                }
                SHPObject* o = SHPCreateObject(SHPT_POLYGON, -1, static_cast<int>(starts.size()),
                                               starts.data(), nullptr,
                                               static_cast<int>(xs.size()), xs.data(), ys.data(),
                                               nullptr, nullptr);
                SHPWriteObject(h, -1, o);
                SHPDestroyObject(o);
                DBFWriteStringAttribute(d, record, 0, record % 3 ? "1" : "0");
                ++record;
            }
        SHPClose(h);
        DBFClose(d);

        rice::LanHeader hd;
        std::memcpy(hd.identifier.data(), "HEAD74", 6);
        hd.nbands = 9;
        hd.icols = kSheet / kCell;
        hd.irows = kSheet / kCell;
        hd.xmap = static_cast<float>(kX0);
        hd.ymap = static_cast<float>(kY0);
        hd.xcell = hd.ycell = kCell;
        rice::LanImage image = rice::LanImage::Blank(hd);
        std::uniform_int_distribution<int> code(0, 40), prob(0, 255), flag(0, 2);
        for (int r = 0; r < hd.irows; ++r) {
            auto line = image.lines[static_cast<size_t>(r)];
            for (int c = 0; c < hd.icols; ++c) {
                line[c] = static_cast<std::uint8_t>(code(rng));
                line[hd.icols + c] = static_cast<std::uint8_t>(prob(rng));
                line[8 * hd.icols + c] = static_cast<std::uint8_t>(flag(rng));
            }
        }
        rice::WriteLanImage(lan, image);
    }
    ~Sheet() { std::filesystem::remove_all(dir); }
};

void BM_OverlayPair(benchmark::State& state) {
    Sheet sheet;
    rice::SilentSink sink;
    for (auto _ : state) {
        double x0 = 0, y0 = 0;
        rice::ReadLanOriginOf(sheet.lan, x0, y0);
        rice::ParcelMap map;
        rice::LoadParcelMap(sheet.shp, x0, y0, map);
        rice::BandedParcelRaster raster(map);
        auto out = rice::AnalyseOverlayPair({sheet.lan, sheet.shp, sheet.dir}, map.geometry,
                                            raster, sink);
        benchmark::DoNotOptimize(out.misclassified);
    }
    state.counters["samples/s"] = benchmark::Counter(
        double(kSheet) * kSheet * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OverlayPair)->Unit(benchmark::kMillisecond);

void BM_ParcelRasterOnly(benchmark::State& state) {
    Sheet sheet;
    rice::ParcelMap map;
    rice::LoadParcelMap(sheet.shp, kX0, kY0, map);
    std::vector<std::uint32_t> row(kSheet);
    for (auto _ : state) {
        rice::BandedParcelRaster raster(map);
        for (int y = 0; y < kSheet; ++y) raster.ReadRow(y, 0, kSheet, row.data());
        benchmark::DoNotOptimize(row.data());
    }
}
BENCHMARK(BM_ParcelRasterOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
