#pragma once
// Folders of covers made with shapelib for the tests.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "platform/testing/temp_folder.h"

namespace cover::test {

namespace fs = std::filesystem;

// One column of a table: name, dBASE type, width, decimals, and its values by record
// (std::nullopt is null; a string is written as text into a 'C' column).
struct Column {
    std::string name;
    DBFFieldType type;
    int width;
    int decimals;
};
using Cell = std::optional<double>;

inline void WriteTable(const std::string& path, const std::vector<Column>& columns,
                       const std::vector<std::vector<Cell>>& rows,
                       const std::vector<std::vector<std::string>>& texts = {}) {
    DBFHandle h = DBFCreate(path.c_str());
    ASSERT_NE(h, nullptr) << path;
    for (const Column& c : columns)
        ASSERT_GE(DBFAddField(h, c.name.c_str(), c.type, c.width, c.decimals), 0);
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t f = 0; f < columns.size(); ++f) {
            int ri = static_cast<int>(r), fi = static_cast<int>(f);
            if (columns[f].type == FTString) {
                const std::string& t = texts.at(r).at(f);
                if (t.empty()) DBFWriteNULLAttribute(h, ri, fi);
                else DBFWriteStringAttribute(h, ri, fi, t.c_str());
            } else if (rows[r][f]) {
                DBFWriteDoubleAttribute(h, ri, fi, *rows[r][f]);
            } else {
                DBFWriteNULLAttribute(h, ri, fi);
            }
        }
    }
    DBFClose(h);
}

inline std::vector<Cell> ReadColumn(const std::string& path, const char* field) {
    // shapelib only opens ".dbf" or ".DBF"; read a table of any other spelling from a copy.
    std::string readable = path;
    rice::testing::TempFolder copy("table");
    if (path.size() < 4 || (path.substr(path.size() - 4) != ".dbf" &&
                            path.substr(path.size() - 4) != ".DBF")) {
        readable = copy / "table.dbf";
        fs::copy_file(path, readable);
    }
    DBFHandle h = DBFOpen(readable.c_str(), "rb");
    std::vector<Cell> out;
    if (!h) return out;
    int f = DBFGetFieldIndex(h, field);
    for (int r = 0; r < DBFGetRecordCount(h); ++r)
        out.push_back(DBFIsAttributeNULL(h, r, f) ? Cell() : Cell(DBFReadDoubleAttribute(h, r, f)));
    DBFClose(h);
    return out;
}

inline std::string Bytes(const std::string& path) {
    return rice::ReadWholeFile(path).value_or("<missing>");
}

inline void Write(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(rice::WriteFileAtomic(path, bytes)) << path;
}

inline const std::vector<Column> kBnd = {{"XMIN", FTDouble, 12, 3}, {"YMIN", FTDouble, 12, 3},
                                         {"XMAX", FTDouble, 12, 3}, {"YMAX", FTDouble, 12, 3}};
inline const std::vector<Column> kTic = {
    {"IDTIC", FTInteger, 5, 0}, {"XTIC", FTDouble, 12, 3}, {"YTIC", FTDouble, 12, 3}};
inline const std::vector<Column> kPat = {{"AREA", FTDouble, 12, 3}, {"CULTURE", FTInteger, 4, 0}};

// A fresh folder per test, removed afterwards.
class CoverFolder : public rice::testing::TempFolderTest {
public:
    std::string At(const std::string& name) const { return root + "/" + name; }
    std::string Cover(const std::string& name) const {
        fs::create_directories(At(name));
        return At(name);
    }
    void PatWithCulture(const std::string& cover, const std::vector<Cell>& culture) {
        std::vector<std::vector<Cell>> rows;
        for (size_t i = 0; i < culture.size(); ++i) rows.push_back({double(i + 1) * 10, culture[i]});
        WriteTable(Cover(cover) + "/pat.dbf", kPat, rows);
    }

    // Two covers, c01 and c02, with every table and file a job reads.
    void TwoCovers() {
        WriteTable(Cover("c01") + "/bnd.dbf", kBnd, {{100, 200.5, 300, 400}, {1, 2, 3, 4}});
        WriteTable(Cover("c02") + "/bnd.dbf", kBnd, {{250, 12.5, 12.25, -3}});
        WriteTable(At("c01/tic.dbf"), kTic, {{1, 100, 200.5}, {2, 300, 400}});
        WriteTable(At("c02/tic.dbf"), kTic, {{-1, 12.25, -3}});
        PatWithCulture("c01", {0, 2, 0});
        PatWithCulture("c02", {Cell(), 1, Cell()});
        Write(At("c01.SML"), "L1\r\nL2\r\nL3\r\nL4\r\nL5\r\n");
        Write(At("c02.SML"), "a b\nc\nd\ne");
        Write(At("c01.doc"), "first\r\n");
        Write(At("c02.doc"), "\xA4\xA4\xA4\xE5\r\nline 2");  // 中文
        Write(At("covlist.txt"), "c01\r\nc02\r\n");
    }

    const std::string root = folder();
};

}  // namespace cover::test
