#include "platform/core/settings.h"

#include <cstdlib>
#include <filesystem>

#include "platform/core/files.h"
#include "platform/core/paths.h"

namespace rice {

namespace {

constexpr size_t kMaxSettingsBytes = 1 << 20;

std::string ConfigFolder() {
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x && x[0] == '/') return x;
    if (const char* h = std::getenv("HOME"); h && *h) return JoinPath(h, ".config");
    return ".config";
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// Keys and values may not hold line breaks; "/" would split the folder names.
std::string SafeName(std::string s) {
    for (auto& c : s)
        if (c == '/' || c == '\n' || c == '\r') c = '_';
    return s;
}

}  // namespace

Settings::Settings(const std::string& registryKey, const std::string& app)
    : file_(JoinPath(JoinPath(ConfigFolder(), SafeName(registryKey)), SafeName(app) + ".ini")) {}

Settings::Settings(std::string file) : file_(std::move(file)) {}

void Settings::Load() {
    data_.clear();
    if (auto text = ReadWholeFile(file_, kMaxSettingsBytes)) Parse(*text);
}

void Settings::Parse(const std::string& text) {
    data_.clear();
    if (text.size() > kMaxSettingsBytes) return;
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        std::string line = Trim(text.substr(pos, nl - pos));
        pos = nl + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[') {
            if (line.back() == ']' && line.size() > 2)
                section = line.substr(1, line.size() - 2);
            else
                section.clear();  // a broken header: skip its entries
            continue;
        }
        size_t eq = line.find('=');
        if (section.empty() || eq == std::string::npos || eq == 0) continue;
        data_[section][Trim(line.substr(0, eq))] = line.substr(eq + 1);
    }
}

std::string Settings::Serialise() const {
    std::string out;
    for (const auto& [section, entries] : data_) {
        out += "[" + section + "]\n";
        for (const auto& [k, v] : entries) out += k + "=" + v + "\n";
    }
    return out;
}

bool Settings::Save() const {
    std::error_code ec;
    std::filesystem::create_directories(FolderOf(file_), ec);
    return WriteFileAtomic(file_, Serialise());
}

std::string Settings::GetString(const std::string& section, const std::string& entry,
                                const std::string& fallback) const {
    auto s = data_.find(section);
    if (s == data_.end()) return fallback;
    auto e = s->second.find(entry);
    return e == s->second.end() ? fallback : e->second;
}

void Settings::WriteString(const std::string& section, const std::string& entry, const std::string& value) {
    std::string v = value;
    for (auto& c : v)
        if (c == '\n' || c == '\r') c = ' ';
    data_[SafeName(section)][SafeName(entry)] = v;
}

void Settings::RemoveEntry(const std::string& section, const std::string& entry) {
    auto s = data_.find(section);
    if (s != data_.end()) s->second.erase(entry);
}

void RecentFileList::Load(const Settings& s) {
    entries_.clear();
    for (int i = 1; i <= size_; ++i) {
        std::string v = s.GetString("Recent File List", "File" + std::to_string(i));
        if (!v.empty()) entries_.push_back(v);
    }
}

void RecentFileList::Save(Settings& s) const {
    for (int i = 1; i <= size_; ++i) {
        std::string key = "File" + std::to_string(i);
        if (i <= int(entries_.size()))
            s.WriteString("Recent File List", key, entries_[size_t(i - 1)]);
        else
            s.RemoveEntry("Recent File List", key);
    }
}

void RecentFileList::Add(const std::string& path) {
    if (path.empty()) return;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i] == path) {
            entries_.erase(entries_.begin() + long(i));
            break;
        }
    entries_.insert(entries_.begin(), path);
    if (int(entries_.size()) > size_) entries_.resize(size_t(size_));
}

void RecentFileList::Remove(int index) {
    if (index >= 0 && index < int(entries_.size())) entries_.erase(entries_.begin() + index);
}

}  // namespace rice
