#pragma once
// Whole-file helpers. File names are the platform's own and never converted.
#include <optional>
#include <string>

#include "platform/core/atomic_file.h"  // the writers

namespace rice {

std::optional<std::string> ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);
bool IsRegularFile(const std::string& path);
bool IsFolder(const std::string& path);

}  // namespace rice
