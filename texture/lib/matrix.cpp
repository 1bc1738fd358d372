#include "texture/lib/matrix.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/core/files.h"
#include "platform/core/parallel.h"
#include "texture/lib/number_format.h"

namespace rice {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// One number at p; false when the text there is not a number of type T. A leading "+" is
// taken as the stream reading takes it; unsigned grids take only unsigned decimal integers
// that fit: a minus sign or an oversized value is not a number.
template <class T>
bool parse_number(const char*& p, const char* end, T& value) {
    const char* q = p;
    if (q != end && *q == '+') {
        ++q;
        if (q != end && *q == '-') return false;  // one sign only
    }
    std::from_chars_result r;
    if constexpr (std::is_floating_point_v<T>) {
        r = std::from_chars(q, end, value, std::chars_format::general);
    } else {
        r = std::from_chars(q, end, value, 10);
    }
    if (r.ec != std::errc()) return false;
    p = r.ptr;
    return true;
}

// A grid of n values needs no more than a few dozen characters for each (a value and the
// blanks around it); a file beyond 64 bytes a value, plus 1 MiB of slack, holds far more
// than values.
std::uint64_t text_grid_cap(std::uint64_t values) {
    constexpr std::uint64_t per_value = 64, slack = std::uint64_t{1} << 20;
    if (values > (std::numeric_limits<std::uint64_t>::max() - slack) / per_value)
        return std::numeric_limits<std::uint64_t>::max();
    return values * per_value + slack;
}

}  // namespace

template <class T>
int MATRIX<T>::read_file(const std::string& file_name, unsigned x, unsigned y, MessageSink& sink) {
    const std::uint64_t wanted = static_cast<std::uint64_t>(x) * y;
    ReadRefusal refusal = ReadRefusal::kNone;
    std::optional<std::string> text = ReadWholeFile(file_name, text_grid_cap(wanted), &refusal);
    if (!text && refusal == ReadRefusal::kTooLarge) {
        sink.ShowMessage("存檔格式錯誤(用ANSI不要用UNICODE)或檔案資料數過多 : " + file_name);
        return 0;
    }
    if (!text) {
        sink.ShowMessage("檔案不能開啟 : " + file_name);
        return 0;
    }
    if (wanted > kMaxMatrixCells) {
        sink.ShowMessage("影像大小超出記憶體 : " + file_name);
        return 0;
    }
    // Every value but the last needs a separator after it: a file too small for x * y
    // values is short, found without allocating the cells it names.
    if (wanted > 0 && text->size() < 2 * wanted - 1) {
        sink.ShowMessage("檔案資料數不夠 : " + file_name);
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
std::string MATRIX<T>::text() const {
    const NUMBER_FORMAT format(_format);
    std::string out;
    out.reserve(_data.size() * (_format.size() + 4) + _y_size * 2);
    for (unsigned y = 0; y < _y_size; ++y) {
        for (unsigned x = 0; x < _x_size; ++x) {
            format.append(out, static_cast<double>(at(x, y)));
            out += ' ';
        }
        out += "\r\n";
    }
    return out;
}

namespace {

// Writes a grid's text whole or not at all; the operator's message on failure, else empty.
std::string write_text(const std::string& file_name, const std::string& text) {
    AtomicFile file;
    if (!file.Open(file_name)) return "檔案不能開啟 : " + file_name;
    if (!file.Write(text) || !file.Commit()) return file.Error();
    return {};
}

}  // namespace

template <class T>
bool MATRIX<T>::write_file(const std::string& file_name, MessageSink& sink) const {
    const std::string error = write_text(file_name, text());
    if (!error.empty()) {
        sink.ShowMessage(error);
        return false;
    }
    return true;
}

template class MATRIX<unsigned int>;
template class MATRIX<float>;

bool write_files(const std::vector<GRID_FILE>& files, MessageSink& sink, unsigned threads,
                 const std::function<void()>& alongside) {
    // Workers only record failures: the operator is told on this thread.
    std::vector<std::string> errors(files.size());
    auto write = [&](std::size_t i) { errors[i] = write_text(files[i].second, files[i].first->text()); };
    if (alongside)
        ParallelFor(files.size(), threads, [&] { return std::function<void(std::size_t)>(write); }, alongside);
    else
        ParallelFor(files.size(), threads, write);
    for (const std::string& error : errors)
        if (!error.empty()) {
            sink.ShowMessage(error);
            return false;
        }
    return true;
}

}  // namespace rice
