#include "workbench/engine/run_inputs.h"

#include <sys/stat.h>

#include <filesystem>

#include "platform/core/paths.h"
#include "workbench/engine/shape_open.h"

namespace rice {

RunInputs::RunInputs(const std::vector<std::string>& images,
                     const std::vector<std::string>& parcelPaths,
                     const std::vector<std::string>& others) {
    for (const auto& image : images) Add(image);
    for (const auto& other : others) Add(other);
    for (const auto& parcel : parcelPaths) {
        Add(parcel);
        // The files shapelib opens beside the .shp, in either case of their extension.
        const std::string stem = ShapefileStem(parcel);
        for (const char* ext : {".shp", ".shx", ".dbf", ".SHP", ".SHX", ".DBF"}) Add(stem + ext);
        // And the names the overlay derives from the parcel path.
        if (parcel.find("shp") == std::string::npos) continue;
        Add(ReplaceAll(parcel, "shp", "shx"));
        const std::string dbf = ReplaceAll(parcel, "shp", "dbf");
        Add(dbf);
        Add(ShapefileStem(dbf) + ".dbf");  // the table shapelib opens for that name
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
