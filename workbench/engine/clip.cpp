#include "workbench/engine/clip.h"

#include <shapefil.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/core/paths.h"
#include "workbench/engine/shape_open.h"

namespace rice {
namespace {

// Truncates toward zero when the value fits an int32; nullopt for NaN or out of range.
std::optional<std::int32_t> TruncToInt32(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

// Bytes the file system holding `path` can still take; nullopt when it cannot be asked.
std::optional<std::uint64_t> FreeBytesFor(const std::string& path) {
    std::string folder = FolderOf(path);
    if (folder.empty()) folder = (!path.empty() && path[0] == '/') ? "/" : ".";
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(fs.f_bavail) * static_cast<std::uint64_t>(fs.f_frsize);
}

}  // namespace

std::optional<std::string> ClipSizeRefusal(const LanHeader& source, const LanHeader& clip,
                                           const std::string& parcelPath,
                                           std::optional<std::uint64_t> freeBytes) {
    const std::uint64_t cells = LanCellBytes(clip);
    const std::uint64_t bytes = kLanHeaderSize + cells;
    if (SizeIsAbsurd(cells, LanCellBytes(source)))
        return "裁切影像 " + std::to_string(bytes) + " 位元組，超過原始影像的 " +
               std::to_string(kAbsurdFactor) + " 倍，不裁切此坵塊檔: " + parcelPath;
    if (freeBytes && bytes > *freeBytes)
        return "裁切影像 " + std::to_string(bytes) + " 位元組，超過磁碟剩餘空間 " +
               std::to_string(*freeBytes) + " 位元組，不裁切此坵塊檔: " + parcelPath;
    return std::nullopt;
}

std::optional<std::string> ClippedLanPath(const std::string& parcelPath) {
    if (parcelPath.find("shp") == std::string::npos) return std::nullopt;
    return ReplaceAll(parcelPath, "shp", "lan");
}

std::string ClipOverInputMessage(const std::string& clipPath, const std::string& parcelPath) {
    return "裁切影像 " + clipPath + " 會覆蓋此次執行的輸入檔，不裁切此坵塊檔: " + parcelPath;
}

namespace {

// Where a parcel file's clip lies on its source: its header, and its first column and line on
// the source's grid.
struct ClipBox {
    LanHeader header;
    std::int64_t firstCol = 0, firstLine = 0;
};

// nullopt when the shapefile cannot be opened (*damaged: its files are there but refused) or
// its box cannot be placed on the image (not finite, beyond the counts a header can hold, or
// inverted).
std::optional<ClipBox> ClipBoxOf(const LanHeader& src, const std::string& parcelPath, bool* damaged = nullptr) {
    SHPHandle shp = OpenShapesForReading(parcelPath, damaged);
    if (!shp) return std::nullopt;
    double minBound[4] = {0, 0, 0, 0};
    double maxBound[4] = {0, 0, 0, 0};
    int entities = 0, type = 0;
    SHPGetInfo(shp, &entities, &type, minBound, maxBound);
    SHPClose(shp);

    const double xmap = src.xmap, ymap = src.ymap, xcell = src.xcell;
    const double minX = minBound[0], minY = minBound[1], maxX = maxBound[0], maxY = maxBound[1];
    auto firstCol = TruncToInt32((minX - xmap) / xcell);
    auto firstLine = TruncToInt32((ymap - maxY) / xcell);
    auto cols = TruncToInt32((maxX - minX) / xcell);
    auto lines = TruncToInt32((maxY - minY) / xcell);
    if (!firstCol || !firstLine || !cols || !lines) return std::nullopt;

    ClipBox box;
    LanHeader& h = box.header;  // all zero but what is copied
    h.identifier = src.identifier;
    h.packType = src.packType;
    h.nbands = src.nbands;
    h.startColumn = src.startColumn;
    h.startRow = src.startRow;
    h.mapType = src.mapType;
    h.headerClassCount = src.headerClassCount;
    h.areaUnitType = src.areaUnitType;
    h.areaPerCell = src.areaPerCell;
    h.xcell = src.xcell;
    h.ycell = src.ycell;
    h.xmap = static_cast<float>(minX);
    h.ymap = static_cast<float>(maxY);
    h.icols = *cols;
    h.irows = *lines;
    if (!LanHeaderIsReadable(h)) return std::nullopt;
    box.firstCol = *firstCol;
    box.firstLine = *firstLine;
    return box;
}

}  // namespace

std::optional<std::pair<std::int64_t, std::int64_t>> ClipSourceLines(const LanHeader& source,
                                                                     const std::string& parcelPath) {
    std::optional<ClipBox> box = ClipBoxOf(source, parcelPath);
    if (!box || box->header.icols == 0) return std::nullopt;
    const std::int64_t first = std::clamp<std::int64_t>(box->firstLine, 0, source.irows);
    const std::int64_t last = std::clamp<std::int64_t>(box->firstLine + box->header.irows, first, source.irows);
    if (first == last) return std::nullopt;
    return std::make_pair(first, last);
}

bool ClipLanToParcels(const LanImage& source, const std::string& parcelPath, MessageSink& sink,
                      const RunInputs* inputs) {
    const std::string cannotOpen = "錯誤類型0004" + parcelPath;
    bool damaged = false;
    std::optional<ClipBox> box = ClipBoxOf(source.header, parcelPath, &damaged);
    if (!box) {
        sink.ShowMessage(damaged ? DamagedParcelFileMessage(parcelPath) : cannotOpen);
        return false;
    }
    const LanHeader& src = source.header;
    const LanHeader& h = box->header;
    const std::int64_t firstLine = box->firstLine, cols = h.icols, lines = h.irows;

    std::optional<std::string> outPath = ClippedLanPath(parcelPath);
    if (!outPath) {
        sink.ShowMessage("錯誤類型0005" + parcelPath);
        return false;
    }
    // The source image at D/lan/p.lan beside D/shp/p.shp, or a link at the clip's path, would
    // otherwise be replaced by its own clip.
    if (RunInputs({}, {parcelPath}).Holds(*outPath) || (inputs && inputs->Holds(*outPath))) {
        sink.ShowMessage(ClipOverInputMessage(*outPath, parcelPath));
        return false;
    }
    // A stray vertex or a tiny cell size would turn the clip into gigabytes of zeros.
    if (auto refusal = ClipSizeRefusal(source.header, h, parcelPath, FreeBytesFor(*outPath))) {
        sink.ShowMessage(*refusal);
        return false;
    }
    StreamingFileWriter out;
    if (!out.Open(*outPath)) {
        sink.ShowMessage("錯誤類型0005" + *outPath);
        return false;
    }
    LanHeaderBytes bytes = EncodeLanHeader(h);
    out.Write(bytes.data(), bytes.size());

    // Columns [c0, c1) of the clip come from the source; the rest lie outside it. Lines are
    // gathered into pieces of about 4 MB, so the file is written in a few large writes.
    const std::int64_t fc = box->firstCol, n = cols;
    const std::int64_t c0 = std::clamp<std::int64_t>(-fc, 0, n);
    const std::int64_t c1 = std::clamp<std::int64_t>(src.icols - fc, c0, n);
    const std::size_t lineBytes = static_cast<std::size_t>(n) * static_cast<std::size_t>(src.nbands);
    const std::size_t perPiece = std::max<std::size_t>(1, (std::size_t{4} << 20) / std::max<std::size_t>(lineBytes, 1));
    const bool fullWidth = fc == 0 && n == src.icols && source.lines.LineBytes() == lineBytes;
    std::vector<std::uint8_t> piece;
    // A clip without columns is its header alone, however many lines it claims.
    for (std::int64_t r0 = 0; n > 0 && r0 < lines; r0 += static_cast<std::int64_t>(perPiece)) {
        const std::int64_t r1 = std::min<std::int64_t>(lines, r0 + static_cast<std::int64_t>(perPiece));
        // Whole source lines, as when the parcels cover the image: written from where they lie.
        const std::int64_t s0 = r0 + firstLine, s1 = r1 + firstLine;
        if (fullWidth && s0 >= 0 && s1 <= src.irows && static_cast<std::size_t>(s1) <= source.lines.size()) {
            out.Write(source.lines[static_cast<std::size_t>(s0)].data(), static_cast<std::size_t>(r1 - r0) * lineBytes);
            continue;
        }
        piece.assign(static_cast<std::size_t>(r1 - r0) * lineBytes, 0);
        for (std::int64_t r = r0; r < r1; ++r) {
            const std::int64_t sr = r + firstLine;
            const bool inside = sr >= 0 && sr < src.irows &&
                                static_cast<std::size_t>(sr) < source.lines.size();
            if (!inside || c0 == c1) continue;
            const auto line = source.lines[static_cast<std::size_t>(sr)];
            for (int b = 0; b < src.nbands; ++b) {
                const std::size_t base = static_cast<std::size_t>(b) * static_cast<std::size_t>(src.icols);
                const std::size_t from = base + static_cast<std::size_t>(fc + c0);
                const std::size_t count = static_cast<std::size_t>(c1 - c0);
                std::uint8_t* row = piece.data() + static_cast<std::size_t>(r - r0) * lineBytes +
                                    static_cast<std::size_t>(b) * static_cast<std::size_t>(n);
                if (from + count <= line.size())
                    std::copy_n(line.begin() + static_cast<std::ptrdiff_t>(from), count, row + c0);
            }
        }
        out.Write(piece.data(), piece.size());
    }
    if (!out.Commit()) {
        sink.ShowMessage("錯誤類型0005" + *outPath);
        return false;
    }
    return true;
}

}  // namespace rice
