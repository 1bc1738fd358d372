#include "workbench/engine/overlay.h"

#include <shapefil.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/core/encoding.h"
#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "workbench/engine/overlay_image.h"

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

bool SamePath(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ea, eb;
    fs::path ca = fs::weakly_canonical(fs::path(a), ea);
    fs::path cb = fs::weakly_canonical(fs::path(b), eb);
    if (!ea && !eb && ca == cb) return true;
    std::error_code ee;
    return fs::equivalent(fs::path(a), fs::path(b), ee) && !ee;
}

std::string InsertInfo(const std::string& dbf) {
    size_t at = dbf.size() >= 4 ? dbf.size() - 4 : 0;
    return dbf.substr(0, at) + "_info" + dbf.substr(at);
}

void AddNumeric(DBFInfo* h, const char* name, int width, int decimals) {
    DBFAddField(h, name, decimals ? FTDouble : FTInteger, width, decimals);
}

std::string ReportFailure(const std::string& path) {
    return "無法開啟檔案 " + path + "。";
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

std::string DbfFileOf(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    std::string stem =
        (dot != std::string::npos && (slash == std::string::npos || dot > slash))
            ? path.substr(0, dot)
            : path;
    return stem + ".dbf";
}

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

OverlayOutcome AnalyseOverlayPair(const OverlayPair& pair, const PaintGeometry& g,
                                  ParcelIndexReader& reader, MessageSink& sink) {
    OverlayOutcome out;
    const std::string& lan = pair.lanPath;
    const std::string& parcel = pair.parcelPath;

    // Refuse, before anything is written, every pair whose outputs could land on an input.
    OverlayNames names = OverlayNamesOf(lan, parcel);
    if (names.resultShp.empty()) {
        sink.ShowMessage("分類後影像檔路徑中沒有小寫的 lan，無法命名輸出檔: " + lan);
        return out;
    }
    if (names.parcelDbf.empty()) {
        sink.ShowMessage("坵塊檔路徑中沒有小寫的 shp，無法找到其 shx 與 dbf: " + parcel);
        return out;
    }
    const std::string tracePath = JoinPath(pair.reportFolder, "recordPix.txt");
    const std::string report = JoinPath(pair.reportFolder, "Report.csv");
    const std::string reportNew = JoinPath(pair.reportFolder, "Report_new.csv");
    const std::string inputs[] = {lan, parcel, names.parcelShx, names.parcelDbf,
                                  DbfFileOf(names.parcelDbf)};
    const std::string outputs[] = {names.resultShp,          names.resultShx,
                                   DbfFileOf(names.resultDbf), DbfFileOf(names.infoDbf),
                                   tracePath,                report,
                                   reportNew};
    for (const auto& o : outputs)
        for (const auto& i : inputs)
            if (SamePath(o, i)) {
                sink.ShowMessage("輸出檔會覆蓋輸入檔，此組不處理: " + o);
                return out;
            }

    OverlayImage image;
    switch (LoadOverlayImage(lan, image)) {
        case OverlayImageLoad::kOk: break;
        case OverlayImageLoad::kCannotRead:
            sink.ShowMessage("無法讀取分類後影像檔: " + lan);
            return out;
        case OverlayImageLoad::kTooFewBands:
            sink.ShowMessage("分類後影像檔的波段數少於 9: " + lan);
            return out;
        case OverlayImageLoad::kCellTooSmall:
            sink.ShowMessage("分類後影像檔的格網大小小於 1: " + lan);
            return out;
    }
    out.lanRows = image.rows;
    out.lanCols = image.cols;
    // The loader refused lines beyond 2^31 - 1 bytes, so the product fits.
    out.lanRowBytes = static_cast<int>(static_cast<std::int64_t>(image.bands) * image.cols);
    out.cellSize = image.cellSize;
    out.resultDbfFile = names.resultDbf;
    out.analysed = true;
    const int records = g.recordCount;

    {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::copy_file(parcel, names.resultShp, fs::copy_options::overwrite_existing, ec);
        fs::copy_file(names.parcelShx, names.resultShx, fs::copy_options::overwrite_existing, ec);
    }

    Dbf info(DBFCreate(names.infoDbf.c_str()));
    if (!info) EndProcess(1);
    for (const char* f : {"SUM", "SUM_1ER1", "SUM_0ER1", "SUM_1ER2", "SUM_0ER2"})
        AddNumeric(info.get(), f, 10, 0);
    AddNumeric(info.get(), "CULTURE", 1, 0);
    AddNumeric(info.get(), "CLASS", 3, 0);
    AddNumeric(info.get(), "ErrorType", 1, 0);

    ParcelCounts counts(records);
    {
        std::ofstream trace(tracePath, std::ios::binary | std::ios::trunc);
        if (!trace) sink.ShowMessage(ReportFailure(tracePath));
        SampleOverlay(image, g, reader, counts, trace ? &trace : nullptr);
    }
    image.lines.clear();
    image.lines.shrink_to_fit();

    Dbf result(DBFCreate(names.resultDbf.c_str()));
    if (!result) EndProcess(1);
    AddNumeric(result.get(), "classify", 3, 0);
    AddNumeric(result.get(), "ER_TYPE", 1, 0);
    AddNumeric(result.get(), "1ST_CLASS", 3, 0);
    AddNumeric(result.get(), "1ST_PROB", 10, 3);
    AddNumeric(result.get(), "2ND_CLASS", 3, 0);
    AddNumeric(result.get(), "2ND_PROB", 10, 3);
    AddNumeric(result.get(), "3RD_CLASS", 3, 0);
    AddNumeric(result.get(), "3RD_PROB", 10, 3);
    AddNumeric(result.get(), "RiceFlag", 3, 0);
    AddNumeric(result.get(), "classify1", 3, 0);
    AddNumeric(result.get(), "ER_TYPE1", 1, 0);
    DBFAddField(result.get(), "CULTURE", FTString, 1, 0);

    std::vector<std::string> truth(static_cast<size_t>(records));
    {
        Dbf source(DBFOpen(names.parcelDbf.c_str(), "rb"));
        if (!source) {
            sink.ShowMessage("DBF Source FILE OPEN FAIL!");
            EndProcess(1);
        }
        int field = DBFGetFieldIndex(source.get(), "culture");
        if (field < 0) {
            sink.ShowMessage("找不到地真資料欄位!");
        } else {
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
        }
    }

    PairTally tally;
    for (int r = 0; r < records; ++r) {
        ParcelResult p = DecideParcel(counts, r, truth[r], tally);
        DBFInfo* t = info.get();
        DBFWriteIntegerAttribute(t, r, 0, static_cast<int>(counts.sum[r]));
        DBFWriteIntegerAttribute(t, r, 1, static_cast<int>(counts.sum1er1[r]));
        DBFWriteIntegerAttribute(t, r, 2, static_cast<int>(counts.sum0er1[r]));
        DBFWriteIntegerAttribute(t, r, 3, static_cast<int>(counts.sum1er2[r]));
        DBFWriteIntegerAttribute(t, r, 4, static_cast<int>(counts.sum0er2[r]));
        DBFWriteIntegerAttribute(t, r, 5, 0);
        DBFWriteIntegerAttribute(t, r, 6, p.statsClass);
        DBFWriteIntegerAttribute(t, r, 7, 0);
        DBFInfo* d = result.get();
        DBFWriteIntegerAttribute(d, r, 0, p.classify);
        DBFWriteIntegerAttribute(d, r, 1, p.erType);
        DBFWriteIntegerAttribute(d, r, 2, p.firstClass);
        DBFWriteDoubleAttribute(d, r, 3, p.firstProb);
        DBFWriteIntegerAttribute(d, r, 4, p.secondClass);
        DBFWriteDoubleAttribute(d, r, 5, p.secondProb);
        DBFWriteIntegerAttribute(d, r, 6, p.thirdClass);
        DBFWriteDoubleAttribute(d, r, 7, p.thirdProb);
        DBFWriteIntegerAttribute(d, r, 8, p.riceFlag);
        DBFWriteIntegerAttribute(d, r, 9, p.classify1);
        DBFWriteIntegerAttribute(d, r, 10, p.erType1);
        DBFWriteStringAttribute(d, r, 11, p.culture.c_str());
    }
    counts = ParcelCounts();
    info.reset();
    result.reset();
    out.tally = tally;
    out.misclassified = tally.misclassifiedOld;

    const std::string rows[] = {ReportRow(lan, parcel, records, tally, false) + "\n",
                                ReportRow(lan, parcel, records, tally, true) + "\n"};
    const std::string* files[] = {&report, &reportNew};
    for (int k = 0; k < 2; ++k) {
        std::string bytes;
        bool fresh = !FileExists(*files[k]);
        if (!TryUtf8ToCp950((fresh ? std::string(kReportHeader) : std::string()) + rows[k],
                            bytes)) {
            sink.ShowMessage("報表的路徑無法以 Big5 寫入: " + *files[k]);
            continue;
        }
        if (!AppendToFile(*files[k], bytes)) sink.ShowMessage(ReportFailure(*files[k]));
    }
    return out;
}

}  // namespace rice
