#pragma once
// ERDAS LAN images: a 128-byte little-endian header, then 8-bit cells band-interleaved by
// line. The header is always decoded and encoded field by field from the raw bytes, so the
// layout never depends on the compiler's struct packing or the machine's byte order.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/core/atomic_file.h"
#include "platform/core/large_buffer.h"

namespace rice {

inline constexpr std::size_t kLanHeaderSize = 128;
using LanHeaderBytes = std::array<std::uint8_t, kLanHeaderSize>;

// Every byte of the header has a home here, so Encode(Decode(bytes)) == bytes.
struct LanHeader {
    std::array<std::uint8_t, 6> identifier{};  // 0-5, copied, never tested
    std::int16_t packType = 0;                 // 6-7, copied, cells are always 8-bit
    std::int16_t nbands = 0;                   // 8-9
    std::array<std::uint8_t, 6> reserved10{};  // 10-15
    std::int32_t icols = 0;                    // 16-19: cells per band row
    std::int32_t irows = 0;                    // 20-23: lines
    std::int32_t startColumn = 0;              // 24-27
    std::int32_t startRow = 0;                 // 28-31
    std::array<std::uint8_t, 56> reserved32{}; // 32-87
    std::int16_t mapType = 0;                  // 88-89
    std::int16_t headerClassCount = 0;         // 90-91, never interpreted
    std::array<std::uint8_t, 14> reserved92{}; // 92-105
    std::int16_t areaUnitType = 0;             // 106-107
    float areaPerCell = 0;                     // 108-111
    float xmap = 0;                            // 112-115: map X of the upper-left corner
    float ymap = 0;                            // 116-119: map Y of the upper-left corner
    float xcell = 0;                           // 120-123: cell side, used for both axes
    float ycell = 0;                           // 124-127: carried, never used

    bool operator==(const LanHeader&) const = default;
};

LanHeader DecodeLanHeader(const LanHeaderBytes& bytes);
LanHeaderBytes EncodeLanHeader(const LanHeader& header);

// Bytes of one line (nbands x icols) and offset of a cell in the file. Only meaningful for a
// header that LanHeaderIsReadable accepts.
std::size_t LanLineBytes(const LanHeader& header);
std::uint64_t LanCellOffset(const LanHeader& header, std::int64_t line, std::int64_t band,
                            std::int64_t column);

// False for a header no reader should trust: nbands below 1, negative icols or irows, xcell
// not finite or not above 0, a line (nbands x icols) beyond 2^31 - 1 bytes or a cell count
// whose product overflows a 64-bit file offset. `why` gets a short English reason.
bool LanHeaderIsReadable(const LanHeader& header, std::string* why = nullptr);

// Cell bytes (nbands x icols x irows) a readable header announces.
std::uint64_t LanCellBytes(const LanHeader& header);

// The one bound on sizes taken from damaged inputs: `wanted` bytes are absurd next to
// `held` bytes when they exceed 16 times them and 1 MiB. A header announcing that much more
// than its file holds is a bad header; a clip that much larger than its source is refused.
inline constexpr std::uint64_t kAbsurdFactor = 16;
inline constexpr std::uint64_t kAbsurdFloor = std::uint64_t{1} << 20;
bool SizeIsAbsurd(std::uint64_t wanted, std::uint64_t held);

// Every line of an image in one block (see LargeBuffer), line r at r x LineBytes(), laid out
// as the line is stored (band 1's cells, then band 2's, ...).
class LanLines {
public:
    LanLines() = default;
    // `count` lines of `lineBytes` zero cells each. Throws std::bad_alloc.
    LanLines(std::size_t count, std::size_t lineBytes);
    // The same, the cells left as they come, for a reader that fills them.
    static LanLines Unfilled(std::size_t count, std::size_t lineBytes);
    LanLines(LanLines&&) noexcept = default;
    LanLines& operator=(LanLines&&) noexcept = default;
    LanLines(const LanLines& other);
    LanLines& operator=(const LanLines& other);

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    std::size_t LineBytes() const { return lineBytes_; }
    std::span<std::uint8_t> operator[](std::size_t r) {
        return {cells_.data() + r * lineBytes_, lineBytes_};
    }
    std::span<const std::uint8_t> operator[](std::size_t r) const {
        return {cells_.data() + r * lineBytes_, lineBytes_};
    }
    // Every cell, line after line.
    std::uint8_t* data() { return cells_.data(); }
    const std::uint8_t* data() const { return cells_.data(); }
    void clear() { *this = LanLines(); }
    // True when the block came zeroed from the system: cells never written read as 0.
    bool Zeroed() const { return cells_.Zeroed(); }
    bool operator==(const LanLines& other) const;

private:
    struct UnfilledTag {};
    LanLines(std::size_t count, std::size_t lineBytes, UnfilledTag);
    LargeBuffer cells_;
    std::size_t count_ = 0, lineBytes_ = 0;
};

// A whole image in memory: the header plus `irows` lines of nbands x icols bytes.
struct LanImage {
    LanHeader header;
    LanLines lines;

    // An image of `header` with every cell 0 (throws std::bad_alloc).
    static LanImage Blank(const LanHeader& header);

    // Cell of line r, band b, column c (all from 0); no range check.
    std::uint8_t Cell(int r, int b, int c) const {
        return lines[static_cast<std::size_t>(r)]
                    [static_cast<std::size_t>(b) * static_cast<std::size_t>(header.icols) +
                     static_cast<std::size_t>(c)];
    }
};

// Reads the 128-byte header and every line. nullopt when the file cannot be opened or is not
// a regular file, is shorter than 128 bytes, its header is refused (LanHeaderIsReadable, or
// it announces absurdly more cells than the file holds: SizeIsAbsurd) or the image could not
// be held in memory. The cells are read straight into one block; cells missing at the end of
// a somewhat short file read as 0.
std::optional<LanImage> ReadLanImage(const std::string& path, std::string* why = nullptr);

// As ReadLanImage, with only the cells of lines [first, last) read from the file (clamped to
// the image); every other line reads as 0, and in a large image costs no memory, for a caller
// that needs only those lines (the clips of a threshold grid, see ClipSourceLines).
std::optional<LanImage> ReadLanImageLines(const std::string& path, std::int64_t first,
                                          std::int64_t last, std::string* why = nullptr);

// Reads exactly the 128 header bytes; the same refusals as ReadLanImage.
std::optional<LanHeader> ReadLanHeader(const std::string& path, std::string* why = nullptr);

// Writes the header and the lines in order. The file appears only when complete: an
// existing file of that name is replaced at the end, never left half-written.
// Lines shorter than the header says are padded with 0, missing lines written as 0.
bool WriteLanImage(const std::string& path, const LanImage& image);

// The engine's streaming writes go through the one atomic writer.
using StreamingFileWriter = AtomicFile;

}  // namespace rice
