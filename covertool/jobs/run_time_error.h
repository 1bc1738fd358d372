#pragma once
// An error that ends the program: the cover tool traps nothing, so any failure of a job stops
// it where it stands and is reported once, naming the error and the file.
#include <stdexcept>
#include <string>

namespace cover {

struct RunTimeError : std::runtime_error {
    RunTimeError(int number, std::string text, std::string file);
    int number;
    std::string text;  // what went wrong, without the file
    std::string file;  // the file or folder it happened on
};

// The errors the jobs can meet, numbered as the runtime numbers them.
enum ErrorNumber {
    kTypeMismatch = 13,
    kFileNotFound = 53,
    kInputPastEnd = 62,
    kInvalidUseOfNull = 94,
    kPathFileAccess = 75,
    kUpdateWithoutEdit = 3020,
    kNoCurrentRecord = 3021,
    kCommitWithoutBegin = 3034,
    kCannotWriteTable = 3043,
    kNotValidPath = 3044,
    kCannotOpenTable = 3051,
    kTableNotFound = 3078,
    kItemNotFound = 3265,
};

RunTimeError FileNotFound(const std::string& file);
RunTimeError InputPastEnd(const std::string& file);
RunTimeError CannotWrite(const std::string& file);
RunTimeError BadText(const std::string& file);

// The one message of the report: "執行階段錯誤 'N':", a blank line, the text, the file.
std::string RunTimeErrorMessage(const RunTimeError& e);

}  // namespace cover
