#pragma once
// Text inside the programs is UTF-8; text in files is code page 950 (Big5).
#include <stdexcept>
#include <string>
#include <string_view>

namespace rice {

struct EncodingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws EncodingError for text that code page 950 cannot hold (never substitutes).
std::string Utf8ToCp950(std::string_view utf8);
// Throws EncodingError for bytes that are not valid code page 950.
std::string Cp950ToUtf8(std::string_view cp950);
// Non-throwing forms: false when the text cannot be converted.
bool TryUtf8ToCp950(std::string_view utf8, std::string& out);
bool TryCp950ToUtf8(std::string_view cp950, std::string& out);

}  // namespace rice
