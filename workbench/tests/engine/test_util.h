#pragma once
// Small fixtures shared by the engine tests.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "platform/testing/temp_folder.h"
#include "samples/lan_samples.h"
#include "workbench/engine/lan_image.h"

namespace rice::test {

// A polygon shapefile holding one rectangle, so its bounding box is that rectangle.
inline void WriteBoxShapefile(const std::string& path, double minX, double minY, double maxX,
                              double maxY) {
    SHPHandle h = SHPCreate(path.c_str(), SHPT_POLYGON);
    ASSERT_NE(h, nullptr) << path;
    double xs[] = {minX, minX, maxX, maxX, minX};
    double ys[] = {minY, maxY, maxY, minY, minY};
    SHPObject* o = SHPCreateSimpleObject(SHPT_POLYGON, 5, xs, ys, nullptr);
    SHPWriteObject(h, -1, o);
    SHPDestroyObject(o);
    SHPClose(h);
}

using samples::MakeHeader;

// An image whose cells follow f(line, band, column).
template <typename F>
LanImage MakeImage(const LanHeader& h, F f) {
    LanImage img = LanImage::Blank(h);
    for (int r = 0; r < h.irows; ++r) {
        auto line = img.lines[static_cast<std::size_t>(r)];
        for (int b = 0; b < h.nbands; ++b)
            for (int c = 0; c < h.icols; ++c)
                line[static_cast<std::size_t>(b * h.icols + c)] = static_cast<std::uint8_t>(f(r, b, c));
    }
    return img;
}

// 40 x 30 cells of four bands from (1000, 2000), varied enough to classify: the source image of
// the workbench's run tests.
inline LanImage FieldsImage(float cell) {
    return MakeImage(MakeHeader(4, 40, 30, 1000, 2000, cell, cell),
                     [](int r, int b, int c) { return 40 + (r * 17 + (b * 40 + c) * 7) % 90; });
}

// Class statistics of four classes of four bands that classify FieldsImage: one rice pair and
// one non-rice pair.
inline std::string FieldsStatistics() {
    std::string stats = "4\r\n4\r\n";
    for (int k = 0; k < 4; ++k) {
        for (int b = 0; b < 4; ++b) stats += std::to_string(50 + 20 * k + b) + "\r\n";
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) stats += (r == c ? "300 " : "20 ");
            stats += "\r\n";
        }
    }
    return stats;
}

inline std::string ReadBytes(const std::string& path) {
    auto data = ReadWholeFile(path);
    return data ? *data : std::string();
}

}  // namespace rice::test
