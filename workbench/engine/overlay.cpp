#include "workbench/engine/overlay.h"

#include <shapefil.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <streambuf>
#include <sys/stat.h>

#include "platform/core/atomic_dbf.h"
#include "platform/core/encoding.h"
#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "workbench/engine/overlay_image.h"
#include "workbench/engine/shape_open.h"

namespace rice {

namespace {

constexpr int kFlagBand = 8;

bool IsRice(int code) { return code >= 1 && code <= 20; }
bool IsNonRice(int code) { return code >= 21 && code <= 40; }

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Appends "c," for every class code, fast: the trace holds one entry per sample.
struct CodeText {
    char text[256][5];
    unsigned char size[256];
    CodeText() {
        for (int c = 0; c < 256; ++c) {
            auto r = std::to_chars(text[c], text[c] + 4, c);
            *r.ptr = ',';
            size[c] = static_cast<unsigned char>(r.ptr - text[c] + 1);
        }
    }
};
const CodeText& Codes() {
    static const CodeText codes;
    return codes;
}

void Count(const OverlayImage& image, ParcelCounts& counts, std::uint32_t j, int row, int col,
           std::string* line) {
    int c = image.Cell(row, 0, col);
    int p = image.Cell(row, 1, col);
    int f = image.Cell(row, kFlagBand, col);
    if (line) line->append(Codes().text[c], Codes().size[c]);
    counts.sum[j] += 1;
    // Codes above 40 have no slot: they count in SUM (and the trace) only.
    if (c >= kClassSlots) return;
    counts.histogram[j][c] += 1;
    counts.probabilitySum[j][c] += p;
    if (f == 1) {
        if (IsRice(c)) counts.sum1er1[j] += 1;
        else if (IsNonRice(c)) counts.sum0er1[j] += 1;
    } else if (f == 2) {
        if (IsRice(c)) counts.sum1er2[j] += 1;
        else if (IsNonRice(c)) counts.sum0er2[j] += 1;
    }
}

void EndLine(std::string& line, std::ostream* trace) {
    if (!trace) return;
    line += "\r\n";
    trace->write(line.data(), static_cast<std::streamsize>(line.size()));
    trace->flush();
    line.clear();
}

// Values of t in [0, extent) whose cell floor((offset + h + t) / cs) lies in [0, cells).
std::pair<std::int64_t, std::int64_t> SampledRange(std::int64_t offset, std::int64_t h,
                                                   std::int64_t cs, std::int64_t cells,
                                                   std::int64_t extent) {
    std::int64_t lo = std::max<std::int64_t>(0, -offset - h);
    std::int64_t hi = std::min<std::int64_t>(extent, cells * cs - offset - h);
    return {lo, std::max(lo, hi)};
}

struct DbfCloser {
    void operator()(DBFInfo* h) const { DBFClose(h); }
};
using Dbf = std::unique_ptr<DBFInfo, DbfCloser>;

std::string TrimBlanks(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

std::string InsertInfo(const std::string& dbf) {
    size_t at = dbf.size() >= 4 ? dbf.size() - 4 : 0;
    return dbf.substr(0, at) + "_info" + dbf.substr(at);
}

}  // namespace

ParcelCounts::ParcelCounts(int records)
    : histogram(static_cast<size_t>(records)),
      probabilitySum(static_cast<size_t>(records)),
      sum(static_cast<size_t>(records)),
      sum1er1(static_cast<size_t>(records)),
      sum0er1(static_cast<size_t>(records)),
      sum1er2(static_cast<size_t>(records)),
      sum0er2(static_cast<size_t>(records)) {
    for (auto& h : histogram) h.fill(0);
    for (auto& p : probabilitySum) p.fill(0);
}

void SampleOverlay(const OverlayImage& image, const PaintGeometry& g, ParcelIndexReader& reader,
                   ParcelCounts& counts, std::ostream* trace) {
    const std::int64_t cs = image.cellSize;
    const std::int64_t h = cs / 2;
    const std::int64_t ox = TruncToInt(g.originOffsetX);
    const std::int64_t oy = TruncToInt(g.originOffsetY);
    auto [y0, y1] = SampledRange(oy, h, cs, image.rows, g.paintedHeight);
    auto [x0, x1] = SampledRange(ox, h, cs, image.cols, g.paintedWidth);
    const int n = static_cast<int>(x1 - x0);
    std::vector<std::uint32_t> records(static_cast<size_t>(n));
    std::vector<int> colOf(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) colOf[i] = static_cast<int>((ox + h + x0 + i) / cs);
    const std::uint32_t count = static_cast<std::uint32_t>(g.recordCount);
    std::string line;
    std::string* tl = trace ? &line : nullptr;
    for (std::int64_t y = y0; y < y1; ++y) {
        int row = static_cast<int>((oy + h + y) / cs);
        if (n > 0) reader.ReadRow(static_cast<int>(oy + y), static_cast<int>(ox + x0), n,
                                  records.data());
        for (int i = 0; i < n; ++i) {
            std::uint32_t j = records[i];
            if (j >= count) {
                if (tl) line += "*,";
                continue;
            }
            Count(image, counts, j, row, colOf[i], tl);
        }
        EndLine(line, trace);
    }
}

void SampleOverlayReference(const OverlayImage& image, const PaintGeometry& g,
                            ParcelIndexReader& reader, ParcelCounts& counts,
                            std::ostream* trace) {
    const std::int64_t cs = image.cellSize;
    const std::int64_t h = cs / 2;
    const std::int64_t ox = TruncToInt(g.originOffsetX);
    const std::int64_t oy = TruncToInt(g.originOffsetY);
    std::string line;
    std::string* tl = trace ? &line : nullptr;
    for (std::int64_t y = 0; y < g.paintedHeight; ++y) {
        std::int64_t row = FloorDiv(oy + h + y, cs);
        if (row < 0 || row >= image.rows) continue;
        for (std::int64_t x = 0; x < g.paintedWidth; ++x) {
            std::int64_t col = FloorDiv(ox + h + x, cs);
            if (col < 0 || col >= image.cols) continue;
            std::uint32_t j = 0;
            reader.ReadRow(static_cast<int>(oy + y), static_cast<int>(ox + x), 1, &j);
            if (j >= static_cast<std::uint32_t>(g.recordCount)) {
                if (tl) line += "*,";
                continue;
            }
            Count(image, counts, j, static_cast<int>(row), static_cast<int>(col), tl);
        }
        EndLine(line, trace);
    }
}

ParcelResult DecideParcel(const ParcelCounts& counts, int r, const std::string& truth,
                          PairTally& tally) {
    ParcelResult out;
    out.culture = truth;
    if (counts.sum[r] <= 0) {
        tally.nonOverlap += 1;
        out.classify = out.firstClass = out.riceFlag = out.classify1 = 999;
        out.statsClass = 999;
        return out;
    }
    std::array<std::int64_t, kClassSlots> hist = counts.histogram[r];
    const std::int64_t none = hist[0];
    std::int64_t rice = 0, nonRice = 0;
    for (int c = 1; c <= 20; ++c) rice += hist[c];
    for (int c = 21; c <= 40; ++c) nonRice += hist[c];
    // Strictly larger only: the lowest code wins a tie, and nothing left gives code 0.
    auto take = [&hist](std::int64_t& found) {
        int best = 0;
        std::int64_t bestCount = 0;
        for (int c = 0; c < kClassSlots; ++c)
            if (hist[c] > bestCount) { best = c; bestCount = hist[c]; }
        hist[best] = 0;
        found = bestCount;
        return best == 0 ? 99 : best;
    };
    std::int64_t n1 = 0, n2 = 0, n3 = 0;
    int first = take(n1);
    int second = take(n2);
    int third = take(n3);
    auto mean = [&](int code, std::int64_t n) {
        return static_cast<double>(counts.probabilitySum[r][code]) / static_cast<double>(n) /
               255.0;
    };
    out.classify = out.firstClass = out.statsClass = first;
    if (first == 99) tally.cloud += 1;
    else out.firstProb = mean(first, n1);
    out.secondClass = second;
    if (second != 99) out.secondProb = mean(second, n2);
    out.thirdClass = third;
    if (third != 99) out.thirdProb = mean(third, n3);
    out.riceFlag = IsRice(first) ? 1 : IsNonRice(first) ? 0 : 99;
    if (none > rice && none > nonRice) {
        out.classify1 = 99;
        tally.class0Majority += 1;
    } else {
        out.classify1 = rice > nonRice ? 1 : rice < nonRice ? 0 : 5;
    }
    const bool truthKnown = truth == "0" || truth == "1";
    if ((out.classify1 == 0 || out.classify1 == 1) && truthKnown) {
        tally.validNew += 1;
        const bool riceWon = out.classify1 == 1;
        std::int64_t a = riceWon ? counts.sum1er1[r] : counts.sum0er1[r];
        std::int64_t b = riceWon ? counts.sum1er2[r] : counts.sum0er2[r];
        std::int64_t n = riceWon ? rice : nonRice;
        if (a + b >= n) {
            if ((riceWon && truth == "0") || (!riceWon && truth == "1"))
                tally.misclassifiedNew += 1;
            out.erType1 = out.erType = a > b ? 1 : a < b ? 2 : 5;
        }
    }
    if (first >= 1 && first <= 40 && truthKnown) {
        tally.validOld += 1;
        std::int64_t flagged =
            counts.sum1er1[r] + counts.sum0er1[r] + counts.sum1er2[r] + counts.sum0er2[r];
        if (flagged >= counts.sum[r] / 2) {
            if ((IsRice(first) && truth == "0") || (IsNonRice(first) && truth == "1"))
                tally.misclassifiedOld += 1;
        }
    }
    return out;
}

std::string FormatRate(double rate) {
    if (std::isnan(rate)) return "nan";
    if (std::isinf(rate)) return rate > 0 ? "inf" : "-inf";
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, rate, std::chars_format::fixed, 6);
    return std::string(buf, r.ptr);
}

const char* const kReportHeader =
    "Lan影像檔案名稱,坵塊檔案名稱,誤推坵塊數,總坵塊數,坵塊數-雲,坵塊數-非疊合,誤推率,"
    "有效總坵塊數,誤推率(new)\n";

std::string ReportRow(const std::string& lanPath, const std::string& parcelPath, int records,
                      const PairTally& t, bool newRule) {
    const double rec = records;
    std::string row = lanPath + "," + parcelPath + ",";
    if (!newRule) {
        double rate1 = t.misclassifiedOld / (rec - t.nonOverlap - t.cloud);
        double rate3 = t.misclassifiedOld / static_cast<double>(t.validOld);
        row += std::to_string(t.misclassifiedOld) + "," + std::to_string(records) + "," +
               std::to_string(t.cloud) + "," + std::to_string(t.nonOverlap) + "," +
               FormatRate(rate1) + "," + std::to_string(t.validOld) + "," + FormatRate(rate3);
    } else {
        double rate2 = t.misclassifiedNew / (rec - t.class0Majority - t.nonOverlap);
        double rate4 = t.misclassifiedNew / static_cast<double>(t.validNew);
        row += std::to_string(t.misclassifiedNew) + "," + std::to_string(records) + "," +
               std::to_string(t.class0Majority) + "," + std::to_string(t.nonOverlap) + "," +
               FormatRate(rate2) + "," + std::to_string(t.validNew) + "," + FormatRate(rate4);
    }
    return row;
}

std::string DbfFileOf(const std::string& path) { return ShapefileStem(path) + ".dbf"; }

OverlayNames OverlayNamesOf(const std::string& lanPath, const std::string& parcelPath) {
    OverlayNames n;
    if (lanPath.find("lan") != std::string::npos) {
        n.resultShp = ReplaceAll(lanPath, "lan", "shp");
        n.resultShx = ReplaceAll(lanPath, "lan", "shx");
        n.resultDbf = ReplaceAll(lanPath, "lan", "dbf");
        n.infoDbf = InsertInfo(n.resultDbf);
    }
    if (parcelPath.find("shp") != std::string::npos) {
        n.parcelShx = ReplaceAll(parcelPath, "shp", "shx");
        n.parcelDbf = ReplaceAll(parcelPath, "shp", "dbf");
    }
    return n;
}


namespace {

// The two dBASE tables, field by field in file order.
struct FieldDef {
    const char* name;
    DBFFieldType type;
    int width, decimals;
};

enum InfoField {
    kInfoSum, kInfoSum1Er1, kInfoSum0Er1, kInfoSum1Er2, kInfoSum0Er2,
    kInfoCulture, kInfoClass, kInfoErrorType, kInfoFieldCount
};
constexpr FieldDef kInfoFields[kInfoFieldCount] = {
    {"SUM", FTInteger, 10, 0},      {"SUM_1ER1", FTInteger, 10, 0},
    {"SUM_0ER1", FTInteger, 10, 0}, {"SUM_1ER2", FTInteger, 10, 0},
    {"SUM_0ER2", FTInteger, 10, 0}, {"CULTURE", FTInteger, 1, 0},
    {"CLASS", FTInteger, 3, 0},     {"ErrorType", FTInteger, 1, 0},
};

enum ResultField {
    kClassify, kErType, kFirstClass, kFirstProb, kSecondClass, kSecondProb, kThirdClass,
    kThirdProb, kRiceFlag, kClassify1, kErType1, kCulture, kResultFieldCount
};
constexpr FieldDef kResultFields[kResultFieldCount] = {
    {"classify", FTInteger, 3, 0},  {"ER_TYPE", FTInteger, 1, 0},
    {"1ST_CLASS", FTInteger, 3, 0}, {"1ST_PROB", FTDouble, 10, 3},
    {"2ND_CLASS", FTInteger, 3, 0}, {"2ND_PROB", FTDouble, 10, 3},
    {"3RD_CLASS", FTInteger, 3, 0}, {"3RD_PROB", FTDouble, 10, 3},
    {"RiceFlag", FTInteger, 3, 0},  {"classify1", FTInteger, 3, 0},
    {"ER_TYPE1", FTInteger, 1, 0},  {"CULTURE", FTString, 1, 0},
};

// The paths of one pair: its inputs and its outputs.
struct PairPaths {
    OverlayNames names;
    std::string trace, report, reportNew;
};

// Names the outputs and refuses, before anything is written, a pair whose outputs could land
// on an input of the run.
std::optional<PairPaths> PairPathsOf(const OverlayPair& pair, MessageSink& sink) {
    PairPaths p;
    p.names = OverlayNamesOf(pair.lanPath, pair.parcelPath);
    if (p.names.resultShp.empty()) {
        sink.ShowMessage("分類後影像檔路徑中沒有小寫的 lan，無法命名輸出檔: " + pair.lanPath);
        return std::nullopt;
    }
    if (p.names.parcelDbf.empty()) {
        sink.ShowMessage("坵塊檔路徑中沒有小寫的 shp，無法找到其 shx 與 dbf: " + pair.parcelPath);
        return std::nullopt;
    }
    p.trace = JoinPath(pair.reportFolder, "recordPix.txt");
    p.report = JoinPath(pair.reportFolder, "Report.csv");
    p.reportNew = JoinPath(pair.reportFolder, "Report_new.csv");
    const RunInputs own({pair.lanPath}, {pair.parcelPath});
    const std::string outputs[] = {p.names.resultShp, p.names.resultShx,
                                   DbfFileOf(p.names.resultDbf), DbfFileOf(p.names.infoDbf),
                                   p.trace, p.report, p.reportNew};
    for (const auto& o : outputs)
        if (own.Holds(o) || (pair.runInputs && pair.runInputs->Holds(o))) {
            sink.ShowMessage("輸出檔會覆蓋輸入檔，此組不處理: " + o);
            return std::nullopt;
        }
    return p;
}

bool LoadImage(const std::string& lan, OverlayImage& image, MessageSink& sink) {
    switch (LoadOverlayImage(lan, image)) {
        case OverlayImageLoad::kOk: return true;
        case OverlayImageLoad::kCannotRead:
            sink.ShowMessage("無法讀取分類後影像檔: " + lan);
            return false;
        case OverlayImageLoad::kTooFewBands:
            sink.ShowMessage("分類後影像檔的波段數少於 9: " + lan);
            return false;
        case OverlayImageLoad::kCellTooSmall:
            sink.ShowMessage("分類後影像檔的格網大小小於 1: " + lan);
            return false;
    }
    return false;
}

// CULTURE of every parcel from the parcel file's own table. A table that cannot be opened
// ends the process, as it always has; it is read before any output is begun, so nothing is
// left behind.
std::vector<std::string> ReadGroundTruth(const std::string& parcelDbf, int records,
                                         MessageSink& sink) {
    std::vector<std::string> truth(static_cast<size_t>(records));
    Dbf source(OpenTableForReading(parcelDbf));  // a pipe in its place never blocks
    if (!source) {
        sink.ShowMessage("DBF Source FILE OPEN FAIL!");
        EndProcess(1);
    }
    int field = DBFGetFieldIndex(source.get(), "culture");
    if (field < 0) {
        sink.ShowMessage("找不到地真資料欄位!");
        return truth;
    }
    const int stored = DBFGetRecordCount(source.get());
    for (int r = 0; r < records && r < stored; ++r) {
        // The library reuses its buffer on the next read: copy at once.
        const char* raw = DBFReadStringAttribute(source.get(), r, field);
        std::string value = TrimBlanks(raw ? std::string(raw) : std::string());
        // The one-byte field keeps a one-byte character only; half of a double-byte
        // character would be corrupt text.
        if (!value.empty() && static_cast<unsigned char>(value[0]) < 0x80)
            truth[r] = value.substr(0, 1);
    }
    return truth;
}

// The trace written through the pair's writer.
class FileStreamBuf : public std::streambuf {
public:
    explicit FileStreamBuf(AtomicFile& file) : file_(file) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        char ch = traits_type::to_char_type(c);
        return file_.Write(&ch, 1) ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        return file_.Write(s, static_cast<size_t>(n)) ? n : 0;
    }

private:
    AtomicFile& file_;
};

// Every file of a pair but the reports. They are built in temporaries and put in place
// together at the end, so a failure or a kill leaves each one as it was before the pair.
struct PairFiles {
    AtomicFile shp, shx, info, result, trace;
    AtomicFile* all[5] = {&shp, &shx, &info, &result, &trace};

    bool Open(const PairPaths& p) {
        return shp.Open(p.names.resultShp) && shx.Open(p.names.resultShx) &&
               info.Open(DbfFileOf(p.names.infoDbf)) &&
               result.Open(DbfFileOf(p.names.resultDbf)) && trace.Open(p.trace);
    }
    // The message of the first file that failed.
    std::string Error() const {
        for (const AtomicFile* f : all)
            if (!f->Error().empty()) return f->Error();
        return CannotWriteFileMessage(shp.Path());
    }
};

bool CopyInto(AtomicFile& to, const std::string& from) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return false;
    char buf[65536];
    size_t n;
    bool ok = true;
    while (ok && (n = std::fread(buf, 1, sizeof buf, in)) > 0) ok = to.Write(buf, n);
    if (std::ferror(in)) ok = false;
    std::fclose(in);
    return ok;
}

Dbf CreateTable(AtomicFile& file, const FieldDef* fields, int count) {
    Dbf table(CreateDbfIn(file));
    if (!table) return table;
    for (int i = 0; i < count; ++i)
        if (DBFAddField(table.get(), fields[i].name, fields[i].type, fields[i].width,
                        fields[i].decimals) != i)
            return Dbf();
    return table;
}

void WriteParcelRecord(DBFInfo* info, DBFInfo* result, int r, const ParcelCounts& counts,
                       const ParcelResult& p) {
    DBFWriteIntegerAttribute(info, r, kInfoSum, static_cast<int>(counts.sum[r]));
    DBFWriteIntegerAttribute(info, r, kInfoSum1Er1, static_cast<int>(counts.sum1er1[r]));
    DBFWriteIntegerAttribute(info, r, kInfoSum0Er1, static_cast<int>(counts.sum0er1[r]));
    DBFWriteIntegerAttribute(info, r, kInfoSum1Er2, static_cast<int>(counts.sum1er2[r]));
    DBFWriteIntegerAttribute(info, r, kInfoSum0Er2, static_cast<int>(counts.sum0er2[r]));
    DBFWriteIntegerAttribute(info, r, kInfoCulture, 0);
    DBFWriteIntegerAttribute(info, r, kInfoClass, p.statsClass);
    DBFWriteIntegerAttribute(info, r, kInfoErrorType, 0);
    DBFWriteIntegerAttribute(result, r, kClassify, p.classify);
    DBFWriteIntegerAttribute(result, r, kErType, p.erType);
    DBFWriteIntegerAttribute(result, r, kFirstClass, p.firstClass);
    DBFWriteDoubleAttribute(result, r, kFirstProb, p.firstProb);
    DBFWriteIntegerAttribute(result, r, kSecondClass, p.secondClass);
    DBFWriteDoubleAttribute(result, r, kSecondProb, p.secondProb);
    DBFWriteIntegerAttribute(result, r, kThirdClass, p.thirdClass);
    DBFWriteDoubleAttribute(result, r, kThirdProb, p.thirdProb);
    DBFWriteIntegerAttribute(result, r, kRiceFlag, p.riceFlag);
    DBFWriteIntegerAttribute(result, r, kClassify1, p.classify1);
    DBFWriteIntegerAttribute(result, r, kErType1, p.erType1);
    DBFWriteStringAttribute(result, r, kCulture, p.culture.c_str());
}

// Decides every parcel and writes both tables; false when a table could not be written.
bool WriteTables(PairFiles& files, const ParcelCounts& counts,
                 const std::vector<std::string>& truth, int records, PairTally& tally) {
    Dbf info = CreateTable(files.info, kInfoFields, kInfoFieldCount);
    if (!info) return false;
    Dbf result = CreateTable(files.result, kResultFields, kResultFieldCount);
    if (!result) return false;
    for (int r = 0; r < records; ++r)
        WriteParcelRecord(info.get(), result.get(), r, counts,
                          DecideParcel(counts, r, truth[r], tally));
    info.reset();
    result.reset();
    return files.info.Ok() && files.result.Ok();
}

// One row to each report; a new or empty report gets its header with the row.
void AppendReports(const OverlayPair& pair, const PairPaths& p, int records,
                   const PairTally& tally, MessageSink& sink) {
    const std::string* files[] = {&p.report, &p.reportNew};
    for (int k = 0; k < 2; ++k) {
        struct stat st {};
        const bool fresh = ::stat(files[k]->c_str(), &st) != 0 || st.st_size == 0;
        std::string bytes;
        const std::string text = (fresh ? std::string(kReportHeader) : std::string()) +
                                 ReportRow(pair.lanPath, pair.parcelPath, records, tally, k == 1) +
                                 "\n";
        if (!TryUtf8ToCp950(text, bytes)) {
            sink.ShowMessage("報表的路徑無法以 Big5 寫入: " + *files[k]);
            continue;
        }
        std::string error;
        if (!AppendToFile(*files[k], bytes, &error)) sink.ShowMessage(error);
    }
}

}  // namespace

std::string OverlayPairFailedMessage(const std::string& lanPath, const std::string& parcelPath,
                                     const std::string& reportFolder, const std::string& cause) {
    const OverlayNames n = OverlayNamesOf(lanPath, parcelPath);
    std::string files;
    for (const std::string& f : {n.resultShp, n.resultShx, DbfFileOf(n.infoDbf), DbfFileOf(n.resultDbf),
                                 JoinPath(reportFolder, "recordPix.txt")})
        files += (files.empty() ? "" : "、") + f;
    return cause + "此組 " + lanPath + " 與 " + parcelPath + " 的檔案都沒有寫入（" + files +
           "），報表也未加入此組。";
}

OverlayOutcome AnalyseOverlayPair(const OverlayPair& pair, const PaintGeometry& g,
                                  ParcelIndexReader& reader, MessageSink& sink) {
    OverlayOutcome out;
    std::optional<PairPaths> paths = PairPathsOf(pair, sink);
    if (!paths) return out;
    OverlayImage image;
    if (!LoadImage(pair.lanPath, image, sink)) return out;
    out.lanRows = image.rows;
    out.lanCols = image.cols;
    // The loader refused lines beyond 2^31 - 1 bytes, so the product fits.
    out.lanRowBytes = static_cast<int>(static_cast<std::int64_t>(image.bands) * image.cols);
    out.cellSize = image.cellSize;
    out.resultDbfFile = paths->names.resultDbf;
    const int records = g.recordCount;
    const std::vector<std::string> truth = ReadGroundTruth(paths->names.parcelDbf, records, sink);

    PairFiles files;
    auto failWith = [&](const std::string& cause) {
        sink.ShowMessage(OverlayPairFailedMessage(pair.lanPath, pair.parcelPath, pair.reportFolder, cause));
        return out;
    };
    auto fail = [&] { return failWith(files.Error()); };
    if (!files.Open(*paths)) return fail();
    const std::pair<AtomicFile*, const std::string*> copies[] = {
        {&files.shp, &pair.parcelPath}, {&files.shx, &paths->names.parcelShx}};
    for (auto [to, from] : copies)
        if (!CopyInto(*to, *from))
            return failWith(to->Error().empty() ? CannotOpenFileMessage(*from) : to->Error());

    ParcelCounts counts(records);
    {
        FileStreamBuf buffer(files.trace);
        std::ostream trace(&buffer);
        SampleOverlay(image, g, reader, counts, &trace);
    }
    if (!files.trace.Ok()) return fail();
    image.lines.clear();
    image.lines.shrink_to_fit();

    PairTally tally;
    if (!WriteTables(files, counts, truth, records, tally)) return fail();
    counts = ParcelCounts();
    std::string error;
    if (!CommitTogether({std::begin(files.all), std::end(files.all)}, &error)) return failWith(error);

    out.analysed = true;
    out.tally = tally;
    out.misclassified = tally.misclassifiedOld;
    AppendReports(pair, *paths, records, tally, sink);
    return out;
}

}  // namespace rice
