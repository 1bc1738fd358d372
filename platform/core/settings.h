#pragma once
// A small settings file in place of the registry: $XDG_CONFIG_HOME (or ~/.config), a folder
// named after the registry key, a file named after the application, holding "[section]" and
// "entry=value" lines. Values are kept as the program gives them (UTF-8: they are mostly file
// names, which are the platform's own). A missing or unreadable file is an empty settings set;
// lines that are not understood are skipped, so a damaged file never stops the program.
#include <map>
#include <string>
#include <vector>

namespace rice {

class Settings {
public:
    // Settings of `app` under `registryKey`, in the user's configuration folder.
    Settings(const std::string& registryKey, const std::string& app);
    // Settings at an explicit file (tests).
    explicit Settings(std::string file);

    const std::string& File() const { return file_; }
    void Load();        // replaces what is held by the file's content
    bool Save() const;  // atomic; false when it cannot be written (the folder is made first)

    std::string GetString(const std::string& section, const std::string& entry,
                          const std::string& fallback = {}) const;
    void WriteString(const std::string& section, const std::string& entry, const std::string& value);
    void RemoveEntry(const std::string& section, const std::string& entry);

    // Parses settings text (exposed for tests); files over 1 MiB are taken as empty.
    void Parse(const std::string& text);
    std::string Serialise() const;

private:
    std::string file_;
    std::map<std::string, std::map<std::string, std::string>> data_;
};

// The framework's recent-file list: most recent first, at most `size` entries, kept in the
// section "Recent File List" as "File1" ... "FileN".
class RecentFileList {
public:
    explicit RecentFileList(int size = 4) : size_(size) {}
    void Load(const Settings& s);
    void Save(Settings& s) const;
    void Add(const std::string& path);  // moves an entry already listed to the top
    void Remove(int index);
    const std::vector<std::string>& Entries() const { return entries_; }
    int Size() const { return size_; }

private:
    int size_;
    std::vector<std::string> entries_;
};

}  // namespace rice
