#pragma once
// The covers were kept on a case-blind file system: "C01.SML" and "c01.sml" name one file.
#include <string>

namespace cover {

// The path of folder/relative on disk, each component of `relative` matched without regard
// to the case of ASCII letters (an exact match wins; among several others the first by name).
// A component that matches nothing is kept as written, so the result names the file that
// would be created. `relative` uses "/" (a "\" in it is taken as "/"); empty components
// (as in "a//b" or an empty name) are skipped, leaving the folder itself.
std::string FindCaseBlind(const std::string& folder, const std::string& relative);

}  // namespace cover
