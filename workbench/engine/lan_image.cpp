#include "workbench/engine/lan_image.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "platform/core/files.h"
#include "platform/core/parallel.h"
#include "platform/core/paths.h"

namespace rice {
namespace {

std::uint16_t Get16(const LanHeaderBytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Get32(const LanHeaderBytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void Put16(LanHeaderBytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(LanHeaderBytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

template <std::size_t N>
void GetBytes(const LanHeaderBytes& b, std::size_t at, std::array<std::uint8_t, N>& out) {
    std::copy_n(b.begin() + at, N, out.begin());
}

template <std::size_t N>
void PutBytes(LanHeaderBytes& b, std::size_t at, const std::array<std::uint8_t, N>& in) {
    std::copy_n(in.begin(), N, b.begin() + at);
}

void SetWhy(std::string* why, const char* text) {
    if (why) *why = text;
}

// Reads up to size bytes; the rest stays as it was (callers pass zeroed buffers).
std::size_t ReadUpTo(FILE* f, std::uint8_t* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        std::size_t n = std::fread(data + done, 1, size - done, f);
        if (n == 0) break;
        done += n;
    }
    return done;
}

std::optional<LanHeader> ReadHeaderFrom(FILE* f, std::uint64_t fileSize, std::string* why) {
    LanHeaderBytes bytes{};
    if (ReadUpTo(f, bytes.data(), bytes.size()) != bytes.size()) {
        SetWhy(why, "shorter than a LAN header");
        return std::nullopt;
    }
    LanHeader h = DecodeLanHeader(bytes);
    if (!LanHeaderIsReadable(h, why)) return std::nullopt;
    const std::uint64_t held = fileSize > kLanHeaderSize ? fileSize - kLanHeaderSize : 0;
    if (SizeIsAbsurd(LanCellBytes(h), held))
        return SetWhy(why, "header announces far more cells than the file holds"), std::nullopt;
    return h;
}

FILE* OpenLan(const std::string& path, std::uint64_t& size, std::string* why) {
    ReadRefusal refusal = ReadRefusal::kNone;
    FILE* f = OpenRegularFile(path, &size, &refusal);
    if (!f) SetWhy(why, refusal == ReadRefusal::kNotRegular ? "not a regular file" : "cannot be opened");
    return f;
}

// Bytes of a large image read by one thread.
constexpr std::size_t kReadPiece = std::size_t{4} << 20;

std::uint64_t PhysicalMemory() {
    long pages = ::sysconf(_SC_PHYS_PAGES);
    long size = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || size <= 0) return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size);
}

}  // namespace

LanHeader DecodeLanHeader(const LanHeaderBytes& b) {
    LanHeader h;
    GetBytes(b, 0, h.identifier);
    h.packType = static_cast<std::int16_t>(Get16(b, 6));
    h.nbands = static_cast<std::int16_t>(Get16(b, 8));
    GetBytes(b, 10, h.reserved10);
    h.icols = static_cast<std::int32_t>(Get32(b, 16));
    h.irows = static_cast<std::int32_t>(Get32(b, 20));
    h.startColumn = static_cast<std::int32_t>(Get32(b, 24));
    h.startRow = static_cast<std::int32_t>(Get32(b, 28));
    GetBytes(b, 32, h.reserved32);
    h.mapType = static_cast<std::int16_t>(Get16(b, 88));
    h.headerClassCount = static_cast<std::int16_t>(Get16(b, 90));
    GetBytes(b, 92, h.reserved92);
    h.areaUnitType = static_cast<std::int16_t>(Get16(b, 106));
    h.areaPerCell = std::bit_cast<float>(Get32(b, 108));
    h.xmap = std::bit_cast<float>(Get32(b, 112));
    h.ymap = std::bit_cast<float>(Get32(b, 116));
    h.xcell = std::bit_cast<float>(Get32(b, 120));
    h.ycell = std::bit_cast<float>(Get32(b, 124));
    return h;
}

LanHeaderBytes EncodeLanHeader(const LanHeader& h) {
    LanHeaderBytes b{};
    PutBytes(b, 0, h.identifier);
    Put16(b, 6, static_cast<std::uint16_t>(h.packType));
    Put16(b, 8, static_cast<std::uint16_t>(h.nbands));
    PutBytes(b, 10, h.reserved10);
    Put32(b, 16, static_cast<std::uint32_t>(h.icols));
    Put32(b, 20, static_cast<std::uint32_t>(h.irows));
    Put32(b, 24, static_cast<std::uint32_t>(h.startColumn));
    Put32(b, 28, static_cast<std::uint32_t>(h.startRow));
    PutBytes(b, 32, h.reserved32);
    Put16(b, 88, static_cast<std::uint16_t>(h.mapType));
    Put16(b, 90, static_cast<std::uint16_t>(h.headerClassCount));
    PutBytes(b, 92, h.reserved92);
    Put16(b, 106, static_cast<std::uint16_t>(h.areaUnitType));
    Put32(b, 108, std::bit_cast<std::uint32_t>(h.areaPerCell));
    Put32(b, 112, std::bit_cast<std::uint32_t>(h.xmap));
    Put32(b, 116, std::bit_cast<std::uint32_t>(h.ymap));
    Put32(b, 120, std::bit_cast<std::uint32_t>(h.xcell));
    Put32(b, 124, std::bit_cast<std::uint32_t>(h.ycell));
    return b;
}

std::size_t LanLineBytes(const LanHeader& h) {
    return static_cast<std::size_t>(h.nbands) * static_cast<std::size_t>(h.icols);
}

std::uint64_t LanCellOffset(const LanHeader& h, std::int64_t line, std::int64_t band,
                            std::int64_t column) {
    return kLanHeaderSize +
           static_cast<std::uint64_t>((line * h.nbands + band) * h.icols + column);
}

bool LanHeaderIsReadable(const LanHeader& h, std::string* why) {
    if (h.nbands < 1) return SetWhy(why, "band count below 1"), false;
    if (h.icols < 0 || h.irows < 0) return SetWhy(why, "negative column or line count"), false;
    if (!std::isfinite(h.xcell) || !(h.xcell > 0))
        return SetWhy(why, "cell size not a positive number"), false;
    std::int64_t line = static_cast<std::int64_t>(h.nbands) * h.icols;  // cannot overflow
    if (line > std::numeric_limits<std::int32_t>::max())
        return SetWhy(why, "line too long"), false;
    std::int64_t total = 0;
    if (__builtin_mul_overflow(line, static_cast<std::int64_t>(h.irows), &total) ||
        total > std::numeric_limits<std::int64_t>::max() - static_cast<std::int64_t>(kLanHeaderSize))
        return SetWhy(why, "image size overflows"), false;
    return true;
}

std::uint64_t LanCellBytes(const LanHeader& h) {
    return static_cast<std::uint64_t>(LanLineBytes(h)) * static_cast<std::uint64_t>(h.irows);
}

bool SizeIsAbsurd(std::uint64_t wanted, std::uint64_t held) {
    std::uint64_t limit = 0;
    if (__builtin_mul_overflow(held, kAbsurdFactor, &limit)) return false;
    return wanted > std::max(limit, kAbsurdFloor);
}

std::optional<LanHeader> ReadLanHeader(const std::string& path, std::string* why) {
    std::uint64_t size = 0;
    FILE* f = OpenLan(path, size, why);
    if (!f) return std::nullopt;
    std::optional<LanHeader> h = ReadHeaderFrom(f, size, why);
    std::fclose(f);
    return h;
}

std::optional<LanImage> ReadLanImage(const std::string& path, std::string* why) {
    return ReadLanImageLines(path, 0, std::numeric_limits<std::int64_t>::max(), why);
}

std::optional<LanImage> ReadLanImageLines(const std::string& path, std::int64_t first,
                                          std::int64_t last, std::string* why) {
    std::uint64_t size = 0;
    FILE* f = OpenLan(path, size, why);
    if (!f) return std::nullopt;
    std::optional<LanHeader> h = ReadHeaderFrom(f, size, why);
    if (!h) {
        std::fclose(f);
        return std::nullopt;
    }
    // A header announcing more than the machine holds would only end in an allocation
    // failure or the out-of-memory killer; refuse it as unreadable instead.
    const std::uint64_t total = LanCellBytes(*h);
    if (total > PhysicalMemory()) {
        std::fclose(f);
        return SetWhy(why, "image larger than memory"), std::nullopt;
    }
    LanImage image;
    image.header = *h;
    try {
        image.lines = LanLines::Unfilled(static_cast<std::size_t>(h->irows), LanLineBytes(*h));
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        return SetWhy(why, "image larger than memory"), std::nullopt;
    }
    // The cells go from the file straight into the block, past stdio's buffer; only what is
    // not read is cleared, and nothing where the block came zeroed.
    const std::size_t lineBytes = LanLineBytes(*h);
    const std::int64_t r0 = std::clamp<std::int64_t>(first, 0, h->irows);
    const std::int64_t r1 = std::clamp<std::int64_t>(last, r0, h->irows);
    const std::size_t from = static_cast<std::size_t>(r0) * lineBytes;
    const std::size_t to = static_cast<std::size_t>(r1) * lineBytes;
    if (image.lines.Zeroed()) {
        // Large: pieces read side by side (the page cache is copied, and the block's pages
        // faulted in, on several cores); what a short file lacks stays 0.
        const std::size_t pieces = (to - from + kReadPiece - 1) / kReadPiece;
        ParallelFor(pieces, 0, [&](std::size_t i) {
            const std::size_t at = from + i * kReadPiece, piece = std::min(kReadPiece, to - at);
            ReadFully(::fileno(f), image.lines.data() + at, piece, kLanHeaderSize + at);
        });
    } else if (total > 0) {
        const std::size_t got = ReadFully(::fileno(f), image.lines.data() + from, to - from, kLanHeaderSize + from);
        std::memset(image.lines.data(), 0, from);
        std::memset(image.lines.data() + from + got, 0, static_cast<std::size_t>(total) - from - got);
    }
    std::fclose(f);
    return image;
}

LanLines::LanLines(std::size_t count, std::size_t lineBytes, UnfilledTag)
    : cells_(count * lineBytes), count_(count), lineBytes_(lineBytes) {
    if (lineBytes != 0 && count > SIZE_MAX / lineBytes) throw std::bad_alloc();
}

LanLines LanLines::Unfilled(std::size_t count, std::size_t lineBytes) {
    return LanLines(count, lineBytes, UnfilledTag{});
}

LanLines::LanLines(std::size_t count, std::size_t lineBytes)
    : LanLines(count, lineBytes, UnfilledTag{}) {
    if (!cells_.Zeroed() && cells_.size() > 0) std::memset(cells_.data(), 0, cells_.size());
}

LanLines::LanLines(const LanLines& other) : LanLines(other.count_, other.lineBytes_, UnfilledTag{}) {
    if (cells_.size() > 0) std::memcpy(cells_.data(), other.cells_.data(), cells_.size());
}

LanLines& LanLines::operator=(const LanLines& other) {
    if (this != &other) *this = LanLines(other);
    return *this;
}

bool LanLines::operator==(const LanLines& other) const {
    return count_ == other.count_ && (count_ == 0 || lineBytes_ == other.lineBytes_) &&
           (cells_.size() == 0 || std::memcmp(cells_.data(), other.cells_.data(), cells_.size()) == 0);
}

LanImage LanImage::Blank(const LanHeader& header) {
    LanImage image;
    image.header = header;
    const std::size_t lineBytes = header.icols > 0 && header.nbands > 0 ? LanLineBytes(header) : 0;
    image.lines = LanLines(header.irows > 0 ? static_cast<std::size_t>(header.irows) : 0, lineBytes);
    return image;
}

bool WriteLanImage(const std::string& path, const LanImage& image) {
    StreamingFileWriter out;
    if (!out.Open(path)) return false;
    LanHeaderBytes bytes = EncodeLanHeader(image.header);
    out.Write(bytes.data(), bytes.size());
    std::size_t lineBytes = image.header.icols > 0 && image.header.nbands > 0
                                ? LanLineBytes(image.header) : 0;
    const std::size_t rows = image.header.irows > 0 ? static_cast<std::size_t>(image.header.irows) : 0;
    if (image.lines.size() == rows && image.lines.LineBytes() == lineBytes) {
        out.Write(image.lines.data(), rows * lineBytes);  // the lines lie back to back already
        return out.Commit();
    }
    for (std::int32_t r = 0; r < image.header.irows; ++r) {
        std::size_t have = 0;
        if (static_cast<std::size_t>(r) < image.lines.size()) {
            const auto line = image.lines[static_cast<std::size_t>(r)];
            have = std::min(line.size(), lineBytes);
            out.Write(line.data(), have);
        }
        out.WriteZeros(lineBytes - have);
    }
    return out.Commit();
}

}  // namespace rice
