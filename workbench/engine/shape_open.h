#pragma once
// Opening an operator's shapefile or dBASE table for reading through shapelib, with the same
// rule as every other reader: only regular files are opened, and a named pipe beside a
// shapefile (its .shx or .dbf) never blocks the run.
#include <shapefil.h>

#include <string>

namespace rice {

// As SHPOpen(path, "rb") / DBFOpen(path, "rb"); nullptr also when one of the files is not a
// regular file.
SHPHandle OpenShapesForReading(const std::string& path);
DBFHandle OpenTableForReading(const std::string& path);

}  // namespace rice
