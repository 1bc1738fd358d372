#include "workbench/engine/overlay_image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/core/files.h"
#include "workbench/engine/lan_image.h"

namespace rice {

namespace {

// The raw header, whatever its values: the overlay judges cell size and bands itself.
// `opened` tells a file that exists but is no image (short, a folder, a device, a pipe) from
// one that cannot be opened at all; `size` gets the file's length.
std::optional<LanHeader> RawHeader(const std::string& path, bool* opened = nullptr,
                                   std::uint64_t* size = nullptr) {
    ReadRefusal refusal = ReadRefusal::kNone;
    std::FILE* f = OpenRegularFile(path, size, &refusal);
    if (opened) *opened = f || refusal == ReadRefusal::kNotRegular;
    if (!f) return std::nullopt;
    LanHeaderBytes bytes{};
    bool ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    std::fclose(f);
    if (!ok) return std::nullopt;
    return DecodeLanHeader(bytes);
}

}  // namespace

OverlayImageLoad LoadOverlayImage(const std::string& lanPath, OverlayImage& out) {
    std::uint64_t fileSize = 0;
    std::optional<LanHeader> header = RawHeader(lanPath, nullptr, &fileSize);
    if (!header) return OverlayImageLoad::kCannotRead;
    if (header->nbands < 9) return OverlayImageLoad::kTooFewBands;
    // A cell size of 0 cannot divide map units into cells.
    if (!(header->xcell >= 1)) return OverlayImageLoad::kCellTooSmall;
    // Counts that overflow a line or announce far more than the file holds are a damaged
    // header, not an image.
    if (header->icols < 0 || header->irows < 0) return OverlayImageLoad::kCannotRead;
    const std::uint64_t lineBytes =
        static_cast<std::uint64_t>(header->nbands) * static_cast<std::uint64_t>(header->icols);
    if (lineBytes > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) ||
        SizeIsAbsurd(lineBytes * static_cast<std::uint64_t>(header->irows),
                     fileSize > kLanHeaderSize ? fileSize - kLanHeaderSize : 0))
        return OverlayImageLoad::kCannotRead;
    std::FILE* f = OpenRegularFile(lanPath);
    if (!f) return OverlayImageLoad::kCannotRead;
    std::uint64_t left = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long size = std::ftell(f);
        if (size > static_cast<long>(kLanHeaderSize))
            left = static_cast<std::uint64_t>(size) - kLanHeaderSize;
    }
    std::fseek(f, static_cast<long>(kLanHeaderSize), SEEK_SET);
    out = OverlayImage();
    out.rows = header->irows;
    out.cols = header->icols;
    out.bands = header->nbands;
    out.cellSize = header->xcell >= 2147483647.0f ? 2147483647 : static_cast<int>(header->xcell);
    for (int r = 0; r < out.rows && left > 0 && lineBytes > 0; ++r) {
        std::vector<std::uint8_t> line(static_cast<size_t>(std::min(lineBytes, left)));
        const size_t want = line.size();
        const size_t got = std::fread(line.data(), 1, want, f);
        if (got < want) {
            line.resize(got);
            left = 0;
        } else {
            left -= got;
        }
        out.lines.push_back(std::move(line));
    }
    std::fclose(f);
    return OverlayImageLoad::kOk;
}

bool ReadLanOriginOf(const std::string& lanPath, double& x0, double& y0, bool* opened) {
    std::optional<LanHeader> header = RawHeader(lanPath, opened);
    if (!header) return false;
    x0 = header->xmap;
    y0 = header->ymap;
    return true;
}

}  // namespace rice
