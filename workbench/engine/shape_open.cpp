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

SAHooks ReadingHooks() {
    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.FOpen = OpenForShapelib;
    return hooks;
}

}  // namespace

SHPHandle OpenShapesForReading(const std::string& path) {
    SAHooks hooks = ReadingHooks();
    return SHPOpenLL(path.c_str(), "rb", &hooks);
}

DBFHandle OpenTableForReading(const std::string& path) {
    SAHooks hooks = ReadingHooks();
    return DBFOpenLL(path.c_str(), "rb", &hooks);
}

}  // namespace rice
