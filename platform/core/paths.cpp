#include "platform/core/paths.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace rice {

std::string JoinPath(std::string_view a, std::string_view b) {
    if (a.empty()) return std::string(b);
    std::string r(a);
    if (r.back() != kSep) r += kSep;
    r += b;
    return r;
}

std::string FileNameOf(std::string_view path) {
    size_t p = path.rfind(kSep);
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string FolderOf(std::string_view path) {
    size_t p = path.rfind(kSep);
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p));
}

std::string BaseNameOf(std::string_view path) {
    size_t slash = path.rfind(kSep);
    size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < start) return {};
    return std::string(path.substr(start, dot - start));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string r;
    size_t pos = 0;
    while (true) {
        size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos) break;
        r.append(text.substr(pos, hit - pos));
        r.append(to);
        pos = hit + from.size();
    }
    r.append(text.substr(pos));
    return r;
}

std::string CurrentFolder() {
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    return ec ? std::string() : p.string();
}

bool SetCurrentFolder(const std::string& folder) {
    return ::chdir(folder.c_str()) == 0;
}

}  // namespace rice
