#include "platform/core/files.h"

#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>


namespace rice {

std::FILE* OpenRegularFile(const std::string& path, std::uint64_t* size, ReadRefusal* why) {
    auto refuse = [&](ReadRefusal r) -> std::FILE* {
        if (why) *why = r;
        return nullptr;
    };
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return refuse(ReadRefusal::kCannotOpen);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return refuse(ReadRefusal::kCannotOpen);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return refuse(ReadRefusal::kNotRegular);
    }
    // Regular files never block; clearing the flag keeps stdio's reads plain.
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        ::close(fd);
        return refuse(ReadRefusal::kCannotOpen);
    }
    if (size) *size = static_cast<std::uint64_t>(st.st_size);
    if (why) *why = ReadRefusal::kNone;
    return f;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxBytes,
                                         ReadRefusal* why) {
    std::uint64_t size = 0;
    std::FILE* f = OpenRegularFile(path, &size, why);
    if (!f) return std::nullopt;
    auto refuse = [&](ReadRefusal r) -> std::optional<std::string> {
        std::fclose(f);
        if (why) *why = r;
        return std::nullopt;
    };
    if (size > maxBytes) return refuse(ReadRefusal::kTooLarge);
    std::string data;
    try {
        data.reserve(static_cast<std::size_t>(size));
    } catch (const std::exception&) {
        return refuse(ReadRefusal::kTooLarge);
    }
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (n > maxBytes - data.size()) return refuse(ReadRefusal::kTooLarge);
        data.append(buf, n);
    }
    if (std::ferror(f)) return refuse(ReadRefusal::kReadError);
    std::fclose(f);
    return data;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace rice
