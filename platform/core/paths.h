#pragma once
// Path helpers. The folder separator is "/"; nothing else of a path is rewritten.
#include <string>
#include <string_view>

namespace rice {

inline constexpr char kSep = '/';

// a + "/" + b (no separator doubled when a already ends in one; b alone when a is empty).
std::string JoinPath(std::string_view a, std::string_view b);
// The text after the last "/" (the whole path when there is none).
std::string FileNameOf(std::string_view path);
// The folder part: everything before the last "/" ("" when there is none).
std::string FolderOf(std::string_view path);
// After the last "/" up to, not including, the last "." of the path; "" when the path has
// no "." or its last "." lies before the file name.
std::string BaseNameOf(std::string_view path);
// Every occurrence of `from` replaced by `to`, left to right, case-sensitive.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// The process's current folder ("" when it cannot be read).
std::string CurrentFolder();
bool SetCurrentFolder(const std::string& folder);

}  // namespace rice
