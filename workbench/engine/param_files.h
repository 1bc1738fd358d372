#pragma once
// Parameter files for the outside console programs, the vector-to-raster output-list rewrite
// and the file-error texts the Bayesian dialogs show. No window model here.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/atomic_file.h"

namespace rice {

// The workbench's standard text for a file that could not be opened, written or closed
// (err is the errno of the failure).
std::string FileErrorMessage(const std::string& name, int err);

// Writes a parameter file: every line in code page 950 followed by CR LF, the last one too.
// An existing file is replaced only once the new one is written completely. Returns "" on
// success, else the message to show (nothing has been written then). A line that holds a
// line break or text code page 950 cannot hold is refused.
std::string WriteParameterFile(const std::string& name, const std::vector<std::string>& lines);

// Writes bytes under a name, replacing an existing file only once they are all written.
// Returns 0 or the errno of the failure.
int WriteBytesReplacing(const std::string& path, const std::string& bytes);

// The five lines of "lumbek.txt". The pixel size "1.6" is written as "1.5999999"; map X and Y
// are formatted with "%f".
std::vector<std::string> RuskelParameterLines(const std::string& cornerName,
                                              const std::string& tempName,
                                              const std::string& outputName,
                                              std::string xSize, std::string ySize,
                                              double mapX, double mapY);

// Reads the map origin (xmap, ymap) of a satellite image from its first 128 bytes, whatever
// the other header fields hold. Returns "" or the message naming the image.
std::string ReadLanOrigin(const std::string& path, double& mapX, double& mapY);

// The name part of one output-list line, in the list's own code page 950 bytes: the line
// without its first character (one byte, or the two of a Big5 character) when its first blank
// stands after that character, else the whole line.
std::string OutputListNamePart(std::string_view line);

enum class RewriteStatus {
    Replaced,        // the output file now holds the rewritten list, "ids.dat" is written
    OutputUnread,    // the output list could not be opened or read: nothing was touched
    WriteFailed,     // "tempfile.txt" or "ids.dat" could not be written: output untouched
    RenameFailed,    // "tempfile.txt" stays beside the untouched output file
};

struct RewriteResult {
    RewriteStatus status;
    std::string message;  // empty when Replaced
};

// Rewrites ruskel's output list (a bare name in the current folder) for the pixel size "1.6":
// "tempfile.txt" gets folder/c<name>, "ids.dat" folder/a<name> per non-empty line, and
// "tempfile.txt" then replaces the output file by one rename.
// ruskel's output list names one map sheet's files a line: 16 MiB is far beyond any real one.
inline constexpr std::uint64_t kMaxOutputListBytes = std::uint64_t{16} << 20;
RewriteResult RewriteOutputList(const std::string& mapFolder, const std::string& outputName);

// A file proved writable before the work that fills it; Replace() then writes its whole new
// content. Until then the file is untouched. Used for the renamer's list file.
class PendingFile {
public:
    // Starts the new content. Returns "" or the message to show.
    std::string Open(const std::string& path);
    // Writes the bytes and puts them in place. Returns "" or the message to show.
    std::string Replace(const std::string& bytes);

private:
    AtomicFile file_;
    std::string path_;
};

}  // namespace rice
