#pragma once
// Demo covers for Tessmar: a folder with "covlist.txt", two cover folders holding the dBASE
// tables bnd, tic and pat, and each cover's .doc and .SML beside it.
#include <shapefil.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/core/atomic_dbf.h"
#include "platform/core/encoding.h"
#include "platform/core/files.h"

namespace samples {

inline bool WriteCoverTable(const std::string& path,
                            std::initializer_list<std::pair<const char*, int>> fields,
                            const std::vector<std::vector<double>>& rows, int nullField = -1) {
    rice::AtomicFile file;
    if (!file.Open(path)) return false;
    DBFHandle h = rice::CreateDbfIn(file);
    if (!h) return false;
    for (const auto& [name, decimals] : fields)
        DBFAddField(h, name, decimals ? FTDouble : FTInteger, decimals ? 14 : 6, decimals);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t f = 0; f < rows[r].size(); ++f) {
            int ri = static_cast<int>(r), fi = static_cast<int>(f);
            // a negative code in the null column stands for an empty value
            if (static_cast<int>(f) == nullField && rows[r][f] < 0)
                DBFWriteNULLAttribute(h, ri, fi);
            else
                DBFWriteDoubleAttribute(h, ri, fi, rows[r][f]);
        }
    DBFClose(h);
    return file.Commit();
}

// Writes the covers into `folder` (created). False when a file cannot be written.
inline bool WriteCoverSamples(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    struct Sheet { const char* name; double x0, y0; };
    const Sheet sheets[] = {{"94193001", 305000, 2768000}, {"94193002", 307500, 2768000}};
    bool ok = true;
    std::string list;
    for (const Sheet& s : sheets) {
        std::string cover = folder + "/" + s.name;
        fs::create_directories(cover, ec);
        const double w = 2500, h = 2500;
        ok = ok && WriteCoverTable(cover + "/bnd.dbf",
                                   {{"XMIN", 3}, {"YMIN", 3}, {"XMAX", 3}, {"YMAX", 3}},
                                   {{s.x0, s.y0, s.x0 + w, s.y0 + h + 0.25}});
        ok = ok && WriteCoverTable(cover + "/tic.dbf", {{"IDTIC", 0}, {"XTIC", 3}, {"YTIC", 3}},
                                   {{1, s.x0, s.y0 + h},
                                    {2, s.x0 + w, s.y0 + h},
                                    {3, s.x0 + w, s.y0 + 0.5},
                                    {4, s.x0, s.y0}});
        // system record first, then parcels: rice, non-rice, 2, an empty value, 4
        ok = ok && WriteCoverTable(cover + "/pat.dbf",
                                   {{"AREA", 3}, {"PERIMETER", 3}, {"CULTURE", 0}},
                                   {{-6250000, 10000, 0},
                                    {1200.5, 140, 1},
                                    {830, 120.25, 0},
                                    {640, 101, 2},
                                    {410.75, 82, -1},
                                    {990, 126, 4}},
                                   2);
        ok = ok && rice::WriteFileAtomic(
                       folder + "/" + s.name + ".doc",
                       rice::Utf8ToCp950(std::string("圖號 ") + s.name + "\r\n" +
                                         "水稻田區調查紀要\r\n更新日期 2026/12/10\r\n"));
        ok = ok && rice::WriteFileAtomic(folder + "/" + s.name + ".SML",
                                         std::string("lumbek ") + s.name + " 8bit\r\n" +
                                             "cellsize 1.6\r\n" +
                                             "extent " + std::to_string(int(s.x0)) + " " +
                                             std::to_string(int(s.y0)) + "\r\n" +
                                             "bands 4\r\nend\r\n");
        list += std::string(s.name) + "\r\n";
    }
    ok = ok && rice::WriteFileAtomic(folder + "/covlist.txt", list);
    return ok;
}

}  // namespace samples
