#pragma once
// The parcel-index raster: parcel record i is painted in the colour whose value is i, one
// logical unit per map unit, so that reading a colour back names the parcel under a point.
#include <cstdint>
#include <string>
#include <vector>

namespace rice {

// Colours run 0 .. 16777215; the top value is the white background, so it names no parcel.
inline constexpr int kMaxParcelRecords = 16777214;
inline constexpr std::uint32_t kNoParcel = 16777215;

// COLORREF of record i: red = i mod 256, green = (i / 256) mod 256, blue = (i / 65536) mod 256.
std::uint32_t ParcelColour(int record);
// J = red + 256 green + 65536 blue; the top byte (0xFFFFFFFF outside the device) is dropped.
std::uint32_t RecordFromColour(std::uint32_t colorref);

// Half away from zero, then toward zero; values beyond what a device coordinate can hold are
// clamped so that no conversion overflows.
int RoundHalfAwayFromZero(double v);
// Toward zero, clamped alike.
int TruncToInt(double v);

struct IntPoint {
    int x = 0;
    int y = 0;
    bool operator==(const IntPoint&) const = default;
};

// What painting a parcel file stores in the document.
struct PaintGeometry {
    int recordCount = 0;
    double originOffsetX = 0;  // minX - X0
    double originOffsetY = 0;  // Y0 - maxY
    int paintedWidth = 0;      // trunc(maxX - minX)
    int paintedHeight = 0;     // trunc(maxY - minY)
    // Logical point at the device's upper-left pixel: (trunc(minX - X0), trunc(Y0 - maxY)).
    int windowOriginX = 0;
    int windowOriginY = 0;
};

// A parcel file converted to logical points for one image origin: every vertex of every part
// of a record, in order, as one polygon. An unreadable record has no points and paints nothing.
struct ParcelMap {
    PaintGeometry geometry;
    std::vector<std::vector<IntPoint>> polygons;
};

// kDamaged: the index of the parcel file does not match its .shp or .dbf (nothing is read).
enum class ParcelLoad { kOk, kCannotOpen, kTooManyRecords, kDamaged };

ParcelLoad LoadParcelMap(const std::string& shpPath, double x0, double y0, ParcelMap& out);
// The message for a refused load (empty for kOk and kCannotOpen, which end the process).
std::string ParcelLoadMessage(ParcelLoad result, const std::string& shpPath);

// Where the view asks its pixels: the logical rows y (ascending) of the sampled box. out gets
// the record numbers J of logical points (x0 .. x0 + n - 1, y) by the colour contract.
class ParcelIndexReader {
public:
    virtual ~ParcelIndexReader() = default;
    virtual void ReadRow(int y, int x0, int n, std::uint32_t* out) = 0;
};

// The parcel-index raster of a whole device (paintedWidth x paintedHeight pixels from the
// window origin, white elsewhere), rasterised band by band of rows as they are asked for, so
// that memory stays bounded however large the parcel file's box. Reads the same records as
// painting the whole device and reading it back pixel by pixel.
class BandedParcelRaster : public ParcelIndexReader {
public:
    explicit BandedParcelRaster(const ParcelMap& map, int bandCells = 1 << 22);
    void ReadRow(int y, int x0, int n, std::uint32_t* out) override;

private:
    void RasteriseBand(int firstRow);

    const ParcelMap& map_;
    int width_;
    int height_;
    int bandRows_;
    int bandTop_ = 0;     // device row of the band's first line
    int bandCount_ = 0;   // rows held
    std::vector<std::uint32_t> band_;
    std::vector<std::pair<int, int>> rowSpan_;  // per polygon: first and last device row
};

}  // namespace rice
