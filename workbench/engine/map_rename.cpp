#include "workbench/engine/map_rename.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/core/encoding.h"

namespace rice {

namespace {

size_t CharLength(std::string_view s, size_t at) {
    unsigned char c = static_cast<unsigned char>(s[at]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    if (at + n > s.size()) return 1;
    for (size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(s[at + i]) & 0xC0) != 0x80) return 1;
    return n;
}

// Length of the well-formed UTF-8 sequence at `at` (no overlong forms, surrogates or values
// beyond U+10FFFF); 0 when the byte there does not start one.
size_t Utf8SequenceLength(std::string_view s, size_t at) {
    unsigned char c = static_cast<unsigned char>(s[at]);
    if (c < 0x80) return 1;
    size_t n;
    unsigned char lo = 0x80, hi = 0xBF;  // bounds of the byte after the lead byte
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (at + n > s.size()) return 0;
    unsigned char second = static_cast<unsigned char>(s[at + 1]);
    if (second < lo || second > hi) return 0;
    for (size_t i = 2; i < n; ++i)
        if ((static_cast<unsigned char>(s[at + i]) & 0xC0) != 0x80) return 0;
    return n;
}

struct Entry {
    std::string name;
    bool folder;
};

// Renames without ever replacing what stands under the new name. Returns 0 or an errno.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without the flag: check first (nothing else runs beside the walk).
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void Fail(RenameRun& run, const std::string& path, const std::string& newName, int err) {
    std::string why = err == EEXIST || err == ENOTEMPTY ? "已有同名的檔案或資料夾"
                                                        : std::strerror(err);
    run.failures.push_back(ReadableName(path) + " -> " + ReadableName(newName) + "（" + why + "）");
}

// A name is renamed only when it is text that code page 950 can hold: the list records it in
// that code page, and a name of other bytes (a Big5 name written by another system) has no
// characters to count, so removing its "second character" could cut one in half.
bool RefuseName(RenameRun& run, const std::string& path, const std::string& name) {
    std::string cp;
    if (TryUtf8ToCp950(name, cp)) return false;
    run.failures.push_back(ReadableName(path) + "（名稱無法以 Big5 表示，未更名）");
    return true;
}

void Walk(const std::string& folder, RenameRun& run) {
    // The whole listing first: entries renamed below cannot come back into it.
    std::vector<Entry> entries;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        run.failures.push_back(ReadableName(folder) + "（無法讀取資料夾：" + std::strerror(errno) + "）");
        return;
    }
    while (dirent* d = ::readdir(dir)) {
        std::string name = d->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::lstat((folder + "/" + name).c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) entries.push_back({name, true});
        else if (S_ISREG(st.st_mode)) entries.push_back({name, false});
        // Symbolic links and special files are left alone.
    }
    ::closedir(dir);
    // The platform lists in no fixed order; sorted, a run can be repeated.
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });

    size_t slash = folder.rfind('/');
    std::string here = slash == std::string::npos ? folder : folder.substr(slash + 1);
    for (const Entry& e : entries) {
        std::string path = folder + "/" + e.name;
        if (e.folder) {
            Walk(path, run);
            if (e.name == "info") continue;
            if (RefuseName(run, path, e.name)) continue;
            std::string newName = RemoveSecondCharacter(e.name);
            if (newName != e.name) {
                if (int err = RenameNoReplace(path, folder + "/" + newName)) {
                    Fail(run, path, newName, err);
                    continue;
                }
            }
            run.renamed.push_back(newName);
        } else if (here != "info" && NameWithoutExtension(e.name) == here) {
            if (RefuseName(run, path, e.name)) continue;
            std::string newName = RemoveSecondCharacter(e.name);
            if (newName == e.name) continue;
            if (int err = RenameNoReplace(path, folder + "/" + newName))
                Fail(run, path, newName, err);
        }
    }
}

}  // namespace

std::string RemoveSecondCharacter(std::string_view name) {
    if (name.empty()) return {};
    size_t first = CharLength(name, 0);
    if (first >= name.size()) return std::string(name);
    size_t second = CharLength(name, first);
    return std::string(name.substr(0, first)) + std::string(name.substr(first + second));
}

std::string ReadableName(std::string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t at = 0; at < name.size();) {
        size_t n = Utf8SequenceLength(name, at);
        if (n > 0) {
            out.append(name.substr(at, n));
            at += n;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(name[at++]);
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
    return out;
}

std::string NameWithoutExtension(std::string_view fileName) {
    size_t dot = fileName.rfind('.');
    return std::string(dot == std::string_view::npos ? fileName : fileName.substr(0, dot));
}

void RenameMapTree(const std::string& folder, RenameRun& run) {
    std::string f = folder;
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    Walk(f, run);
}

std::string RenameListBytes(const RenameRun& run) {
    std::string bytes;
    for (const std::string& name : run.renamed) {
        std::string cp;
        TryUtf8ToCp950(name, cp);  // checked before the rename
        bytes += cp + "\r\n";
    }
    return bytes;
}

std::string RenameFailureMessage(const RenameRun& run) {
    if (run.failures.empty()) return {};
    std::string text = "下列項目未能更名：";
    for (const std::string& f : run.failures) text += "\n" + f;
    return text;
}

}  // namespace rice
