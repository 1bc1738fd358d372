#pragma once
// The map-sheet folder renamer's walk. No window model here.
#include <string>
#include <string_view>
#include <vector>

namespace rice {

// The name with its second character removed (names of one character stay whole). Names are
// UTF-8 text; a byte that is not part of a valid sequence counts as one character.
std::string RemoveSecondCharacter(std::string_view name);

// The name as the operator can read it in a message: well-formed UTF-8 as it stands, every
// other byte as \xHH.
std::string ReadableName(std::string_view name);

// The file name without its last extension ("A1234.shp" -> "A1234", "A1234" -> "A1234").
std::string NameWithoutExtension(std::string_view fileName);

struct RenameRun {
    std::vector<std::string> renamed;   // new folder names, in the order of renaming
    std::vector<std::string> failures;  // one line per rename that could not be made
};

// Below `folder`: every folder except those named "info" loses its second character after its
// own contents are handled, and so does every file whose name without extension equals the
// name of the folder holding it (not inside "info"). Each listing is read completely before
// anything in it is renamed; symbolic links are neither followed nor renamed; a rename never
// replaces an existing entry; a name that is not text code page 950 can hold is left as it is
// and named in `failures`. `folder` itself is never renamed.
void RenameMapTree(const std::string& folder, RenameRun& run);

// The rename list: each new name in code page 950 followed by CR LF.
std::string RenameListBytes(const RenameRun& run);

// The one message naming the renames that could not be made ("" when there were none).
std::string RenameFailureMessage(const RenameRun& run);

}  // namespace rice
