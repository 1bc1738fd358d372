#include "texture/lib/matrix.h"

#include <charconv>
#include <optional>

#include "platform/core/files.h"
#include "texture/lib/number_format.h"

namespace rice {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// One number at p; false when the text there is not a number of type T. Unsigned grids take
// only unsigned decimal integers that fit: a sign or an oversized value is not a number.
template <class T>
bool parse_number(const char*& p, const char* end, T& value) {
    std::from_chars_result r;
    if constexpr (std::is_floating_point_v<T>) {
        const char* q = p;
        if (q != end && *q == '+') ++q;
        r = std::from_chars(q, end, value, std::chars_format::general);
    } else {
        r = std::from_chars(p, end, value, 10);
    }
    if (r.ec != std::errc()) return false;
    p = r.ptr;
    return true;
}

}  // namespace

template <class T>
int MATRIX<T>::read_file(const std::string& file_name, unsigned x, unsigned y, MessageSink& sink) {
    std::optional<std::string> text = ReadWholeFile(file_name);
    if (!text || IsFolder(file_name)) {
        sink.ShowMessage("檔案不能開啟 : " + file_name);
        return 0;
    }
    try {
        resize(x, y);
    } catch (const TextureSizeError&) {
        sink.ShowMessage("影像大小超出記憶體 : " + file_name);
        return 0;
    }
    const char* p = text->data();
    const char* end = p + text->size();
    const size_t cells = _data.size();
    for (size_t i = 0; i < cells; ++i) {
        while (p != end && is_blank(*p)) ++p;
        T value{};
        if (p == end || !parse_number(p, end, value)) {
            sink.ShowMessage("檔案資料數不夠 : " + file_name);
            return 0;
        }
        _data[i] = value;
    }
    while (p != end && is_blank(*p)) ++p;
    if (p != end) {
        sink.ShowMessage("存檔格式錯誤(用ANSI不要用UNICODE)或檔案資料數過多 : " + file_name);
        return 0;
    }
    return 1;
}

template <class T>
bool MATRIX<T>::write_file(const std::string& file_name, MessageSink& sink) const {
    std::string out;
    out.reserve(_data.size() * (_format.size() + 4) + _y_size * 2);
    for (unsigned y = 0; y < _y_size; ++y) {
        for (unsigned x = 0; x < _x_size; ++x) {
            append_formatted(out, _format, static_cast<double>(at(x, y)));
            out += ' ';
        }
        out += "\r\n";
    }
    AtomicFile file;
    if (!file.Open(file_name)) {
        sink.ShowMessage("檔案不能開啟 : " + file_name);
        return false;
    }
    if (!file.Write(out) || !file.Commit()) {
        sink.ShowMessage(file.Error());
        return false;
    }
    return true;
}

template class MATRIX<unsigned int>;
template class MATRIX<float>;

}  // namespace rice
