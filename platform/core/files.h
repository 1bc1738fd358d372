#pragma once
// Whole-file helpers. File names are the platform's own and never converted.
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "platform/core/atomic_file.h"  // the writers

namespace rice {

// Why a read of an operator's file was refused.
enum class ReadRefusal { kNone, kCannotOpen, kNotRegular, kTooLarge, kReadError };

// Opens `path` for binary reading only when it is a regular file: the open does not block on
// a named pipe, and the kind is checked on the opened descriptor, so what is read is what was
// checked. `size` gets the file's length at the open. nullptr when refused (`why` says why).
std::FILE* OpenRegularFile(const std::string& path, std::uint64_t* size = nullptr,
                           ReadRefusal* why = nullptr);

// The whole of a regular file of at most maxBytes bytes (a file growing past the cap while it
// is read is refused too). Devices, pipes and folders are refused, never read.
std::optional<std::string> ReadWholeFile(
    const std::string& path,
    std::uint64_t maxBytes = std::numeric_limits<std::uint64_t>::max(),
    ReadRefusal* why = nullptr);
bool FileExists(const std::string& path);
bool IsRegularFile(const std::string& path);
bool IsFolder(const std::string& path);

}  // namespace rice
