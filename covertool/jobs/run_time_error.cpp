#include "covertool/jobs/run_time_error.h"

namespace cover {

RunTimeError::RunTimeError(int number_, std::string text_, std::string file_)
    : std::runtime_error(text_ + ": " + file_),
      number(number_),
      text(std::move(text_)),
      file(std::move(file_)) {}

RunTimeError FileNotFound(const std::string& file) { return {kFileNotFound, "找不到檔案", file}; }

RunTimeError InputPastEnd(const std::string& file) { return {kInputPastEnd, "輸入超過檔案結尾", file}; }

RunTimeError CannotWrite(const std::string& file) {
    return {kPathFileAccess, "路徑/檔案存取錯誤", file};
}

RunTimeError BadText(const std::string& file) {
    return {kTypeMismatch, "檔案內容不是有效的 Big5 文字", file};
}

std::string RunTimeErrorMessage(const RunTimeError& e) {
    return "執行階段錯誤 '" + std::to_string(e.number) + "':\n\n" + e.text + "\n" + e.file;
}

}  // namespace cover
