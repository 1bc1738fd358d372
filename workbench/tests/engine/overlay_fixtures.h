#pragma once
// Small hand-made parcel files and classified images for the overlay tests.
#include <shapefil.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/testing/temp_folder.h"

namespace rice::testing {

struct MapPoint {
    double x;
    double y;
};
using Ring = std::vector<MapPoint>;
// A parcel: its parts (rings); no parts writes a null shape.
using Parcel = std::vector<Ring>;

inline Ring Box(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
}

// Writes stem.shp/.shx and, unless cultures is empty, stem.dbf with a character `culture`.
inline void WriteParcels(const std::string& stem, const std::vector<Parcel>& parcels,
                         const std::vector<std::string>& cultures = {},
                         const char* cultureField = "culture") {
    SHPHandle h = SHPCreate(stem.c_str(), SHPT_POLYGON);
    for (const auto& parcel : parcels) {
        SHPObject* o = nullptr;
        if (parcel.empty()) {
            o = SHPCreateObject(SHPT_NULL, -1, 0, nullptr, nullptr, 0, nullptr, nullptr, nullptr,
                                nullptr);
        } else {
            std::vector<int> starts;
            std::vector<double> xs, ys;
            for (const auto& ring : parcel) {
                starts.push_back(static_cast<int>(xs.size()));
                for (const auto& p : ring) {
                    xs.push_back(p.x);
                    ys.push_back(p.y);
                }
            }
            o = SHPCreateObject(SHPT_POLYGON, -1, static_cast<int>(starts.size()), starts.data(),
                                nullptr, static_cast<int>(xs.size()), xs.data(), ys.data(),
                                nullptr, nullptr);
        }
        SHPWriteObject(h, -1, o);
        SHPDestroyObject(o);
    }
    SHPClose(h);
    if (cultures.empty()) return;
    DBFHandle d = DBFCreate((stem + ".dbf").c_str());
    DBFAddField(d, "ID", FTInteger, 5, 0);
    DBFAddField(d, cultureField, FTString, 8, 0);
    for (size_t r = 0; r < cultures.size(); ++r) {
        DBFWriteIntegerAttribute(d, static_cast<int>(r), 0, static_cast<int>(r));
        DBFWriteStringAttribute(d, static_cast<int>(r), 1, cultures[r].c_str());
    }
    DBFClose(d);
}

inline void PutLe(std::string& b, size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void PutFloat(std::string& b, size_t at, float f) {
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    PutLe(b, at, v, 4);
}

// A LAN image; cell(row, band, col) gives each byte.
inline void WriteLan(const std::string& path, int bands, int cols, int rows, float xmap,
                     float ymap, float xcell,
                     const std::function<std::uint8_t(int, int, int)>& cell) {
    std::string b(128, '\0');
    std::memcpy(b.data(), "HEAD74", 6);
    PutLe(b, 8, static_cast<std::uint32_t>(bands), 2);
    PutLe(b, 16, static_cast<std::uint32_t>(cols), 4);
    PutLe(b, 20, static_cast<std::uint32_t>(rows), 4);
    PutFloat(b, 112, xmap);
    PutFloat(b, 116, ymap);
    PutFloat(b, 120, xcell);
    PutFloat(b, 124, xcell);
    for (int r = 0; r < rows; ++r)
        for (int band = 0; band < bands; ++band)
            for (int c = 0; c < cols; ++c) b.push_back(static_cast<char>(cell(r, band, c)));
    std::ofstream(path, std::ios::binary) << b;
}

// Nine-band cell bytes from (class, probability, flag) per cell.
struct ClassCell {
    int code;
    int prob;
    int flag;
};
inline std::function<std::uint8_t(int, int, int)> NineBands(
    std::function<ClassCell(int, int)> at) {
    return [at](int r, int band, int c) -> std::uint8_t {
        ClassCell k = at(r, c);
        if (band == 0) return static_cast<std::uint8_t>(k.code);
        if (band == 1) return static_cast<std::uint8_t>(k.prob);
        if (band == 8) return static_cast<std::uint8_t>(k.flag);
        return 0;
    };
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The records of a dBASE file as their raw bytes (deletion flag included).
inline std::vector<std::string> DbfRecords(const std::string& path) {
    std::string b = Slurp(path);
    std::vector<std::string> out;
    if (b.size() < 32) return out;
    auto u = [&](size_t at, int n) {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
        return v;
    };
    std::uint32_t count = u(4, 4), headerLen = u(8, 2), recordLen = u(10, 2);
    for (std::uint32_t r = 0; r < count; ++r)
        out.push_back(b.substr(headerLen + r * recordLen, recordLen));
    return out;
}

inline std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace rice::testing
