#pragma once
// Overlay of a classified image on a parcel file: samples every map unit of the parcel box,
// counts per parcel, writes the statistics table, the trace, the result shapefile and the
// two reports.
#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/core/message_sink.h"
#include "workbench/engine/parcel_raster.h"
#include "workbench/engine/run_inputs.h"

namespace rice {

inline constexpr int kClassSlots = 41;  // codes 0 (background) .. 40

// The classified image as the analysis holds it: irows lines of nbands x icols bytes. Only
// the lines the file holds are kept (the last one perhaps short); the cells beyond its end
// read as 0, so a header announcing more than the file holds costs no memory.
struct OverlayImage {
    int rows = 0;
    int cols = 0;
    int bands = 0;
    int cellSize = 0;  // xcell truncated toward zero
    std::vector<std::vector<std::uint8_t>> lines;
    std::uint8_t Cell(int row, int band, int col) const {
        if (static_cast<size_t>(row) >= lines.size()) return 0;
        const auto& line = lines[static_cast<size_t>(row)];
        const size_t at = static_cast<size_t>(band) * static_cast<size_t>(cols) +
                          static_cast<size_t>(col);
        return at < line.size() ? line[at] : 0;
    }
};

struct ParcelCounts {
    explicit ParcelCounts(int records = 0);
    std::vector<std::array<std::int64_t, kClassSlots>> histogram;
    std::vector<std::array<std::int64_t, kClassSlots>> probabilitySum;
    std::vector<std::int64_t> sum, sum1er1, sum0er1, sum1er2, sum0er2;
};

// Samples the painted box; trace (may be null) gets the "recordPix.txt" lines (CR LF).
// Rows and columns come from floor division, and only those outside the image are skipped.
void SampleOverlay(const OverlayImage& image, const PaintGeometry& geometry,
                   ParcelIndexReader& reader, ParcelCounts& counts, std::ostream* trace);
// The same, one pixel at a time over the whole box: the reference for the fast one.
void SampleOverlayReference(const OverlayImage& image, const PaintGeometry& geometry,
                            ParcelIndexReader& reader, ParcelCounts& counts,
                            std::ostream* trace);

// One parcel's decisions, as written to the result table.
struct ParcelResult {
    int classify = 0;
    int erType = 0;
    int firstClass = 0;
    double firstProb = 0;
    int secondClass = 0;
    double secondProb = 0;
    int thirdClass = 0;
    double thirdProb = 0;
    int riceFlag = 0;
    int classify1 = 0;
    int erType1 = 0;
    std::string culture;  // "" or one character
    int statsClass = 0;   // CLASS of the statistics table
};

struct PairTally {
    int nonOverlap = 0;
    int cloud = 0;
    int class0Majority = 0;
    int validOld = 0;
    int misclassifiedOld = 0;
    int validNew = 0;
    int misclassifiedNew = 0;
};

// Decides parcel r from its counts (the histogram row is used as a scratch copy) and its truth.
ParcelResult DecideParcel(const ParcelCounts& counts, int r, const std::string& truth,
                          PairTally& tally);

// "%f" of a rate; infinite and undefined values as "inf", "-inf" and "nan" everywhere.
std::string FormatRate(double rate);
// The two report rows (UTF-8 paths; without the line feed).
std::string ReportRow(const std::string& lanPath, const std::string& parcelPath, int records,
                      const PairTally& tally, bool newRule);
extern const char* const kReportHeader;  // UTF-8, with its line feed

// Names derived from the image and parcel paths; empty when there is none.
struct OverlayNames {
    std::string resultShp, resultShx, resultDbf, infoDbf;
    std::string parcelShx, parcelDbf;
};
OverlayNames OverlayNamesOf(const std::string& lanPath, const std::string& parcelPath);
// The file shapelib creates or opens for a table path: the extension replaced by ".dbf".
std::string DbfFileOf(const std::string& path);

struct OverlayPair {
    std::string lanPath;
    std::string parcelPath;
    std::string reportFolder;  // where "recordPix.txt" and the reports go
    // The whole run's inputs, when known; the pair's own inputs always count.
    const RunInputs* runInputs = nullptr;
};

// What the analysis leaves in the document.
struct OverlayOutcome {
    bool analysed = false;  // false: the pair was refused or failed; none of its files changed
    int lanRows = 0, lanCols = 0, lanRowBytes = 0, cellSize = 0;
    std::string resultDbfFile;
    int misclassified = 0;
    PairTally tally;
};

// The map origin (xmap, ymap) of an image's header; false when the file cannot be opened, is
// not a regular file or holds fewer than 128 bytes. `opened` (when given) is false only when
// the file could not be opened at all. The other header values are not judged here.
bool ReadLanOriginOf(const std::string& lanPath, double& x0, double& y0, bool* opened = nullptr);

// The message of a pair that failed once its files were begun: the cause, then the pair and
// its files, none of which was renewed (they are put in place together), and no report row.
std::string OverlayPairFailedMessage(const std::string& lanPath, const std::string& parcelPath,
                                     const std::string& reportFolder, const std::string& cause);

// The whole analysis of one pair, given the painted geometry and a reader of the painted
// raster. Refused pairs show a message and write nothing. The pair's files appear together
// at the end; when one cannot be written, OverlayPairFailedMessage names it and the pair, and
// none of them changes. A
// parcel table that cannot be read ends the process with status 1, before anything is written.
OverlayOutcome AnalyseOverlayPair(const OverlayPair& pair, const PaintGeometry& geometry,
                                  ParcelIndexReader& reader, MessageSink& sink);

}  // namespace rice
