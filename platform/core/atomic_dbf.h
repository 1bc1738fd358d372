#pragma once
// dBASE tables of shapelib built inside an AtomicFile: the table is written into the writer's
// temporary and appears at its name only when the writer commits. Header-only, so the
// platform core itself needs no shapelib; include it where shapelib is linked.
#include <shapefil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/core/atomic_file.h"

namespace rice {

namespace atomic_dbf_detail {

struct Handle {
    AtomicFile* file;
    std::uint64_t pos;
};

inline thread_local AtomicFile* opening = nullptr;

inline bool IsTableName(const char* name) {
    std::size_t n = std::strlen(name);
    return n >= 4 &&
           (std::strcmp(name + n - 4, ".dbf") == 0 || std::strcmp(name + n - 4, ".DBF") == 0);
}

// Only the table itself opens: a code-page file (.cpg) does not exist for the table and is
// neither read nor removed.
inline SAFile Open(const char* name, const char*) {
    if (!opening || !IsTableName(name)) return nullptr;
    return reinterpret_cast<SAFile>(new Handle{opening, 0});
}
inline Handle& Of(SAFile f) { return *reinterpret_cast<Handle*>(f); }
inline SAOffset Read(void* p, SAOffset size, SAOffset count, SAFile f) {
    if (size == 0 || count == 0) return 0;
    long long got = Of(f).file->ReadAt(p, size * count, Of(f).pos);
    if (got < 0) return 0;
    Of(f).pos += static_cast<std::uint64_t>(got);
    return static_cast<SAOffset>(got) / size;
}
inline SAOffset Write(void* p, SAOffset size, SAOffset count, SAFile f) {
    if (size == 0 || count == 0) return 0;
    if (!Of(f).file->WriteAt(p, size * count, Of(f).pos)) return 0;
    Of(f).pos += size * count;
    return count;
}
inline SAOffset Seek(SAFile f, SAOffset offset, int whence) {
    if (whence == SEEK_SET) Of(f).pos = offset;
    else if (whence == SEEK_CUR) Of(f).pos += offset;
    else {
        long long size = Of(f).file->Size();
        if (size < 0) return static_cast<SAOffset>(-1);
        Of(f).pos = static_cast<std::uint64_t>(size) + offset;
    }
    return 0;
}
inline SAOffset Tell(SAFile f) { return Of(f).pos; }
inline int Flush(SAFile f) { return Of(f).file->Ok() ? 0 : -1; }
inline int Close(SAFile f) {
    delete reinterpret_cast<Handle*>(f);
    return 0;
}
inline int Remove(const char*) { return 0; }
// A failed write is the writer's to report, with the file's name, once: shapelib would print
// a line per record.
inline void Error(const char*) {}
inline double Atof(const char* text) { return std::atof(text); }

inline SAHooks Hooks() {
    SAHooks h;
    h.FOpen = Open;
    h.FRead = Read;
    h.FWrite = Write;
    h.FSeek = Seek;
    h.FTell = Tell;
    h.FFlush = Flush;
    h.FClose = Close;
    h.Remove = Remove;
    h.Error = Error;
    h.Atof = Atof;
    return h;
}

}  // namespace atomic_dbf_detail

// A new empty table (shapelib's DBFCreate) in `file`, which must be open.
inline DBFHandle CreateDbfIn(AtomicFile& file) {
    SAHooks hooks = atomic_dbf_detail::Hooks();
    atomic_dbf_detail::opening = &file;
    std::string name = file.Path() + ".dbf";  // shapelib names the table from it
    DBFHandle h = DBFCreateLL(name.c_str(), "LDID/87", &hooks);
    atomic_dbf_detail::opening = nullptr;
    return h;
}

// The table already written into `file` (for example a copy of one to edit), opened "rb+".
inline DBFHandle OpenDbfIn(AtomicFile& file) {
    SAHooks hooks = atomic_dbf_detail::Hooks();
    atomic_dbf_detail::opening = &file;
    std::string name = file.Path() + ".dbf";
    DBFHandle h = DBFOpenLL(name.c_str(), "rb+", &hooks);
    atomic_dbf_detail::opening = nullptr;
    return h;
}

}  // namespace rice
