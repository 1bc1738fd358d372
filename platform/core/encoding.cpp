#include "platform/core/encoding.h"

#include <cerrno>
#include <iconv.h>

namespace rice {
namespace {

bool Convert(const char* to, const char* from, std::string_view in, std::string& out) {
    out.clear();
    if (in.empty()) return true;
    // Plain ASCII needs no table; it is by far the most common case in numbers and paths.
    bool ascii = true;
    for (unsigned char c : in) {
        if (c >= 0x80) { ascii = false; break; }
    }
    if (ascii) { out.assign(in); return true; }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result;
    result.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = result.data();
    size_t dstLeft = result.size();
    bool ok = true;
    while (srcLeft > 0) {
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) {
                size_t used = result.size() - dstLeft;
                result.resize(result.size() * 2);
                dst = result.data() + used;
                dstLeft = result.size() - used;
                continue;
            }
            ok = false;
            break;
        }
        if (r > 0) { ok = false; break; }  // irreversible (substituted) conversions are refused
    }
    if (ok) {
        size_t r = iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        if (r == static_cast<size_t>(-1)) ok = false;
    }
    iconv_close(cd);
    if (!ok) return false;
    result.resize(result.size() - dstLeft);
    out = std::move(result);
    return true;
}

}  // namespace

bool TryUtf8ToCp950(std::string_view utf8, std::string& out) {
    return Convert("CP950", "UTF-8", utf8, out);
}

bool TryCp950ToUtf8(std::string_view cp950, std::string& out) {
    return Convert("UTF-8", "CP950", cp950, out);
}

std::string Utf8ToCp950(std::string_view utf8) {
    std::string out;
    if (!TryUtf8ToCp950(utf8, out))
        throw EncodingError("text cannot be written in code page 950: " + std::string(utf8));
    return out;
}

std::string Cp950ToUtf8(std::string_view cp950) {
    std::string out;
    if (!TryCp950ToUtf8(cp950, out)) throw EncodingError("text is not valid code page 950");
    return out;
}

}  // namespace rice
