#include "workbench/engine/shape_open.h"

#include <cstdio>
#include <cstring>

#include "platform/core/files.h"

namespace rice {
namespace {

SAFile OpenForShapelib(const char* name, const char* access) {
    // Read-only opens ("rb", and "r" for a table's code page file) take only regular files.
    if (access[0] == 'r' && !std::strchr(access, '+')) return reinterpret_cast<SAFile>(OpenRegularFile(name));
    return reinterpret_cast<SAFile>(std::fopen(name, access));
}

// A damaged file makes shapelib print a line per bad record (megabytes for a bogus index);
// the caller reports the file once instead.
void Quiet(const char*) {}

SAHooks ReadingHooks() {
    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.FOpen = OpenForShapelib;
    hooks.Error = Quiet;
    return hooks;
}

// Every record of the index lies inside the .shp, and the table beside it (when there is
// one) holds as many records.
bool IndexIsSound(SHPHandle h, const std::string& path, SAHooks& hooks) {
    if (h->sHooks.FSeek(h->fpSHP, 0, SEEK_END) != 0) return false;
    const unsigned long long shpSize = h->sHooks.FTell(h->fpSHP);
    for (int i = 0; i < h->nRecords; ++i) {
        const unsigned long long offset = h->panRecOffset[i], size = h->panRecSize[i];
        if (offset < 100 || offset + 8 + size > shpSize) return false;
    }
    DBFHandle table = DBFOpenLL(path.c_str(), "rb", &hooks);
    if (!table) return true;  // the table's own readers say what is wrong with it
    const bool same = DBFGetRecordCount(table) == h->nRecords;
    DBFClose(table);
    return same;
}

// A regular file at stem + one of the two spellings of an extension, as shapelib looks.
bool RegularFileAt(const std::string& stem, const char* lower, const char* upper) {
    for (const char* ext : {lower, upper})
        if (std::FILE* f = OpenRegularFile(stem + ext)) {
            std::fclose(f);
            return true;
        }
    return false;
}

}  // namespace

SHPHandle OpenShapesForReading(const std::string& path, bool* damaged) {
    if (damaged) *damaged = false;
    SAHooks hooks = ReadingHooks();
    SHPHandle h = SHPOpenLL(path.c_str(), "rb", &hooks);
    if (h && IndexIsSound(h, path, hooks)) return h;
    if (h) SHPClose(h);
    // Both files there and readable, yet refused (a header announcing more than the file
    // holds, say): damaged, not missing.
    const std::string stem = ShapefileStem(path);
    if (damaged) *damaged = h || (RegularFileAt(stem, ".shp", ".SHP") && RegularFileAt(stem, ".shx", ".SHX"));
    return nullptr;
}

DBFHandle OpenTableForReading(const std::string& path) {
    SAHooks hooks = ReadingHooks();
    return DBFOpenLL(path.c_str(), "rb", &hooks);
}

std::string ShapefileStem(const std::string& path) {
    const std::size_t slash = path.rfind('/'), dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
}

std::string DamagedParcelFileMessage(const std::string& shpPath) {
    return "坵塊檔已損壞（.shx 的紀錄與 .shp 或 .dbf 不符），不處理此坵塊檔: " + shpPath;
}

}  // namespace rice
