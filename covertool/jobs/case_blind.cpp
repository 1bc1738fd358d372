#include "covertool/jobs/case_blind.h"

#include <algorithm>
#include <dirent.h>
#include <vector>

#include "platform/core/files.h"
#include "platform/core/paths.h"

namespace cover {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameBlind(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string MatchIn(const std::string& folder, const std::string& name) {
    std::string exact = rice::JoinPath(folder, name);
    if (name == "." || name == ".." || rice::FileExists(exact)) return exact;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return exact;
    std::vector<std::string> hits;
    while (dirent* e = ::readdir(dir)) {
        std::string entry = e->d_name;
        if (SameBlind(entry, name)) hits.push_back(entry);
    }
    ::closedir(dir);
    if (hits.empty()) return exact;
    std::sort(hits.begin(), hits.end());
    return rice::JoinPath(folder, hits.front());
}

}  // namespace

std::string FindCaseBlind(const std::string& folder, const std::string& relative) {
    std::string path = folder;
    std::string rest = rice::ReplaceAll(relative, "\\", "/");
    size_t start = 0;
    while (start <= rest.size()) {
        size_t slash = rest.find('/', start);
        if (slash == std::string::npos) slash = rest.size();
        std::string part = rest.substr(start, slash - start);
        if (!part.empty()) path = MatchIn(path, part);
        start = slash + 1;
    }
    return path;
}

}  // namespace cover
