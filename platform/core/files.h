#pragma once
// Whole-file helpers. File names are the platform's own and never converted.
#include <optional>
#include <string>

namespace rice {

std::optional<std::string> ReadWholeFile(const std::string& path);
// Writes to a temporary name in the same folder and renames it into place, so a failure
// never leaves a truncated file. False when any step fails (the target is then untouched).
bool WriteFileAtomic(const std::string& path, const std::string& bytes);
bool AppendToFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
bool IsRegularFile(const std::string& path);
bool IsFolder(const std::string& path);

}  // namespace rice
