#include "workbench/engine/run_inputs.h"

#include <sys/stat.h>

#include <filesystem>

#include "platform/core/paths.h"

namespace rice {
namespace {

// The path without its extension.
std::string StemOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot)
                                                                                   : path;
}

}  // namespace

RunInputs::RunInputs(const std::vector<std::string>& images,
                     const std::vector<std::string>& parcelPaths,
                     const std::vector<std::string>& others) {
    for (const auto& image : images) Add(image);
    for (const auto& other : others) Add(other);
    for (const auto& parcel : parcelPaths) {
        Add(parcel);
        // The files shapelib opens beside the .shp, in either case of their extension.
        const std::string stem = StemOf(parcel);
        for (const char* ext : {".shp", ".shx", ".dbf", ".SHP", ".SHX", ".DBF"}) Add(stem + ext);
        // And the names the overlay derives from the parcel path.
        if (parcel.find("shp") == std::string::npos) continue;
        Add(ReplaceAll(parcel, "shp", "shx"));
        const std::string dbf = ReplaceAll(parcel, "shp", "dbf");
        Add(dbf);
        Add(StemOf(dbf) + ".dbf");  // the table shapelib opens for that name
    }
}

void RunInputs::Add(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) files_.insert({st.st_dev, st.st_ino});
    names_.insert(CanonicalName(path));
}

std::string RunInputs::CanonicalName(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::path(path), ec);
    return ec ? path : p.string();
}

bool RunInputs::Holds(const std::string& path) const {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && files_.count({st.st_dev, st.st_ino})) return true;
    return names_.count(CanonicalName(path)) > 0;
}

}  // namespace rice
