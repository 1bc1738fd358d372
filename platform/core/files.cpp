#include "platform/core/files.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/paths.h"

namespace rice {

std::optional<std::string> ReadWholeFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string data;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad) return std::nullopt;
    return data;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes) {
    std::string folder = FolderOf(path);
    std::string tmpl = JoinPath(folder.empty() && !path.empty() && path[0] == '/' ? "/" : folder,
                                "." + FileNameOf(path) + ".XXXXXX");
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w <= 0) ok = false; else done += static_cast<size_t>(w);
    }
    // Keep the usual permissions of a new file rather than mkstemp's 0600.
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st {};
    mode_t mode = (::stat(path.c_str(), &st) == 0) ? (st.st_mode & 07777) : (0666 & ~mask);
    if (ok && ::fchmod(fd, mode) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && std::rename(tmpl.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(tmpl.c_str());
    return ok;
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0) ok = false;
    return ok;
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
