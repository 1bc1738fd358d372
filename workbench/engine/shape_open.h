#pragma once
// Opening an operator's shapefile or dBASE table for reading through shapelib, with the same
// rule as every other reader: only regular files are opened, and a named pipe beside a
// shapefile (its .shx or .dbf) never blocks the run. shapelib's own error printing is kept off
// the standard error.
#include <shapefil.h>

#include <string>

namespace rice {

// As SHPOpen(path, "rb"), for a parcel file: nullptr also when one of the files is not a
// regular file, or when it is damaged (*damaged, when given, then true): a .shx whose record
// count differs from that of the .dbf beside it (when there is one), or whose records point
// outside the .shp, or a .shp and .shx that are there but that shapelib cannot open. The check
// costs one pass over the index shapelib reads anyway.
SHPHandle OpenShapesForReading(const std::string& path, bool* damaged = nullptr);
// As DBFOpen(path, "rb"); nullptr also when the table is not a regular file.
DBFHandle OpenTableForReading(const std::string& path);

// The path without its extension: shapelib's name of the files beside it.
std::string ShapefileStem(const std::string& path);

// The message refusing a parcel file whose index is damaged.
std::string DamagedParcelFileMessage(const std::string& shpPath);

}  // namespace rice
