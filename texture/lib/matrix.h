#pragma once
// Raster matrix, moving window, sub-window and direction options of the texture tool.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/message_sink.h"
#include "texture/lib/texture_assert.h"

namespace rice {

// A grid or table too large for memory. Raised before anything is allocated.
struct TextureSizeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Largest cell count of one matrix (a 16384 x 16384 grid): beyond that the tool says so
// instead of trying to allocate.
constexpr std::uint64_t kMaxMatrixCells = std::uint64_t{1} << 28;

template <class T>
class MATRIX {
public:
    MATRIX() = default;
    MATRIX(const MATRIX&) = delete;
    MATRIX& operator=(const MATRIX&) = delete;
    MATRIX(MATRIX&&) = default;
    MATRIX& operator=(MATRIX&&) = default;

    // Throws TextureSizeError when x * y cells cannot be held.
    void resize(unsigned x, unsigned y) {
        std::uint64_t cells = std::uint64_t{x} * y;
        if (cells > kMaxMatrixCells)
            throw TextureSizeError("影像大小超出記憶體 : " + std::to_string(x) + " x " + std::to_string(y));
        if (cells != std::uint64_t{_x_size} * _y_size || _data.size() != cells)
            std::vector<T>(static_cast<size_t>(cells)).swap(_data);
        _x_size = x;
        _y_size = y;
        _max_value = 0;
    }
    void clear() {
        for (auto& v : _data) v = 0;
    }
    T& at(unsigned x, unsigned y) { return _data[x + static_cast<size_t>(y) * _x_size]; }
    const T& at(unsigned x, unsigned y) const { return _data[x + static_cast<size_t>(y) * _x_size]; }
    unsigned size_of_x() const { return _x_size; }
    unsigned size_of_y() const { return _y_size; }

    unsigned max_value() {
        if (_max_value == 0) {
            for (const auto& v : _data)
                if (static_cast<unsigned>(v) > _max_value) _max_value = static_cast<unsigned>(v);
        }
        return _max_value;
    }

    void set_decimal(unsigned n) { _format = "0." + std::string(n, '0'); }
    std::string get_format() const { return _format; }
    void set_format(const std::string& format) { _format = format; }

    MATRIX& operator+=(const MATRIX& ref) {
        TEXTURE_CHECK(_x_size == ref._x_size, "_x_size == ref._x_size", "matrix", 458);
        TEXTURE_CHECK(_y_size == ref._y_size, "_y_size == ref._y_size", "matrix", 459);
        for (size_t i = 0; i < _data.size(); ++i) _data[i] += ref._data[i];
        return *this;
    }
    MATRIX& operator/=(int n) {
        for (auto& v : _data) v /= static_cast<float>(n);
        return *this;
    }

    // Loads a text grid of x columns and y rows. Returns 1, or 0 after the operator was told
    // why through sink. Only a regular file is read; one too small to hold x * y values is
    // short before any cell is allocated, one beyond 64 bytes a value plus 1 MiB holds too many.
    int read_file(const std::string& file_name, unsigned x, unsigned y, MessageSink& sink);
    // Writes the grid in the matrix's format, every value followed by one blank, lines ended by
    // CR LF. Returns false after telling the operator "檔案不能開啟 : " and the path; the file
    // is then untouched.
    bool write_file(const std::string& file_name, MessageSink& sink) const;
    // The text write_file writes.
    std::string text() const;

    // Cell array, row by row (windows and the fast paths read it in place).
    T* data() { return _data.data(); }
    const T* data() const { return _data.data(); }

private:
    unsigned _x_size = 0;
    unsigned _y_size = 0;
    std::vector<T> _data;
    unsigned _max_value = 0;
    std::string _format;
};

template <class T>
using RESULT_MATRIX = MATRIX<T>;
using VARIOGRAM_MATRIX = MATRIX<unsigned int>;
using FRACTAL_MATRIX = MATRIX<unsigned int>;
using FRACTAL_RESULT_MATRIX = MATRIX<float>;

template <class T>
class MW_MATRIX {
public:
    MW_MATRIX() = default;

    MW_MATRIX(unsigned x_size, unsigned y_size, unsigned MW_x_size, unsigned MW_y_size, T* data) {
        TEXTURE_CHECK(x_size >= 3, "x_size >= 3", "matrix", 85);
        TEXTURE_CHECK(y_size >= 3, "y_size >= 3", "matrix", 86);
        TEXTURE_CHECK(MW_x_size == MW_y_size, "MW_x_size == MW_y_size", "matrix", 88);
        TEXTURE_CHECK(MW_x_size & 0x1, "MW_x_size & 0x1", "matrix", 90);
        TEXTURE_CHECK(MW_y_size & 0x1, "MW_y_size & 0x1", "matrix", 91);
        _x_size = x_size;
        _y_size = y_size;
        _data = data;
        _MW_x_size = MW_x_size;
        _MW_y_size = MW_y_size;
        _MW_x_half = (MW_x_size - 1) / 2;
        _MW_y_half = (MW_y_size - 1) / 2;
        _MW_x = _MW_x_half;
        _MW_y = _MW_y_half;
    }

    MW_MATRIX(MATRIX<T>& m, unsigned MW_x_size, unsigned MW_y_size)
        : MW_MATRIX(checked(m, MW_x_size, MW_y_size)) {}

    void reset() {
        TEXTURE_CHECK(_MW_x_size == _MW_y_size, "_MW_x_size == _MW_y_size", "matrix", 111);
        _MW_x = _MW_x_half;
        _MW_y = _MW_y_half;
    }
    T at(unsigned i, unsigned j) const {
        return _data[(left() + i) + static_cast<size_t>(top() + j) * _x_size];
    }
    void set(T value) { _data[_MW_x + static_cast<size_t>(_MW_y) * _x_size] = value; }
    int next() {
        if (_MW_x + _MW_x_half + 1 < _x_size) {
            ++_MW_x;
            return 1;
        }
        _MW_x = _MW_x_half;
        if (_MW_y + _MW_y_half + 1 < _y_size) {
            ++_MW_y;
            return 1;
        }
        return 0;
    }
    unsigned MW_size_of_x() const { return _MW_x_size; }
    unsigned MW_size_of_y() const { return _MW_y_size; }

    // Window geometry for the sub-window and the fast paths.
    unsigned left() const { return _MW_x - _MW_x_half; }
    unsigned top() const { return _MW_y - _MW_y_half; }
    unsigned centre_x() const { return _MW_x; }
    unsigned centre_y() const { return _MW_y; }
    unsigned matrix_x_size() const { return _x_size; }
    unsigned matrix_y_size() const { return _y_size; }
    T* cells() const { return _data; }

private:
    static MW_MATRIX checked(MATRIX<T>& m, unsigned MW_x_size, unsigned MW_y_size) {
        unsigned _x_size = m.size_of_x();
        unsigned _y_size = m.size_of_y();
        TEXTURE_CHECK(MW_x_size == MW_y_size, "MW_x_size == MW_y_size", "matrix", 341);
        TEXTURE_CHECK(MW_x_size <= _x_size, "MW_x_size <= _x_size", "matrix", 342);
        TEXTURE_CHECK(MW_y_size <= _y_size, "MW_y_size <= _y_size", "matrix", 343);
        TEXTURE_CHECK(MW_x_size >= 3, "MW_x_size >= 3", "matrix", 344);
        TEXTURE_CHECK(MW_y_size >= 3, "MW_y_size >= 3", "matrix", 345);
        return MW_MATRIX(_x_size, _y_size, MW_x_size, MW_y_size, m.data());
    }

    unsigned _x_size = 0;
    unsigned _y_size = 0;
    T* _data = nullptr;
    unsigned _MW_x_size = 0;
    unsigned _MW_y_size = 0;
    unsigned _MW_x = 0;
    unsigned _MW_y = 0;
    unsigned _MW_x_half = 0;
    unsigned _MW_y_half = 0;
};

using GLCM_RESULT_MW_MATRIX = MW_MATRIX<float>;
using VARIOGRAM_MW_MATRIX = MW_MATRIX<unsigned int>;

class SUB_MATRIX {
public:
    SUB_MATRIX() = default;
    // x_size: the row length of the matrix under data; the rows are bounded by y_end.
    SUB_MATRIX(unsigned x_size, unsigned x_bin, unsigned y_bin, unsigned x_end, unsigned y_end,
               const unsigned int* data)
        : _x_size(x_size), _SUB_x_bin(x_bin), _SUB_y_bin(y_bin), _SUB_x_end(x_end),
          _SUB_y_end(y_end), _data(data) {}

    // Bounds relative to the window's top-left cell, ends exclusive.
    void set_from_window(const MW_MATRIX<unsigned int>& w, unsigned SUB_x_bin, unsigned SUB_y_bin,
                         unsigned SUB_x_end, unsigned SUB_y_end) {
        const unsigned xSize = w.matrix_x_size();
        const unsigned ySize = w.matrix_y_size();
        TEXTURE_CHECK(SUB_x_bin <= SUB_x_end, "SUB_x_bin <= SUB_x_end", "matrix", 45);
        TEXTURE_CHECK(SUB_y_bin <= SUB_y_end, "SUB_y_bin <= SUB_y_end", "matrix", 46);
        TEXTURE_CHECK(SUB_x_end <= xSize, "SUB_x_end <= _x_size", "matrix", 47);
        TEXTURE_CHECK(SUB_y_end <= ySize, "SUB_y_end <= _y_size", "matrix", 48);
        *this = SUB_MATRIX(xSize, SUB_x_bin + w.left(), SUB_y_bin + w.top(),
                           SUB_x_end + w.left(), SUB_y_end + w.top(), w.cells());
    }
    unsigned size_of_x() const { return _SUB_x_end - _SUB_x_bin; }
    unsigned size_of_y() const { return _SUB_y_end - _SUB_y_bin; }
    unsigned int at(unsigned x, unsigned y) const {
        TEXTURE_CHECK((_SUB_x_bin + x) < _SUB_x_end, "( _SUB_x_bin + x ) < _SUB_x_end", "matrix", 304);
        TEXTURE_CHECK((_SUB_y_bin + y) < _SUB_y_end, "( _SUB_y_bin + y ) < _SUB_y_end", "matrix", 305);
        return _data[(_SUB_x_bin + x) + static_cast<size_t>(_SUB_y_bin + y) * _x_size];
    }

private:
    unsigned _x_size = 0;
    unsigned _SUB_x_bin = 0;
    unsigned _SUB_y_bin = 0;
    unsigned _SUB_x_end = 0;
    unsigned _SUB_y_end = 0;
    const unsigned int* _data = nullptr;
};

class DIRECTION_OPTION {
public:
    void set_direction(bool N_S, bool E_W, bool NE_SW, bool NW_SE) {
        _N_S = N_S;
        _E_W = E_W;
        _NE_SW = NE_SW;
        _NW_SE = NW_SE;
    }
    void set_average(bool flag) { _average = flag; }
    bool get_N_S() const { return _N_S; }
    bool get_E_W() const { return _E_W; }
    bool get_NE_SW() const { return _NE_SW; }
    bool get_NW_SE() const { return _NW_SE; }
    bool get_average() const { return _average; }

private:
    bool _N_S = false;
    bool _E_W = false;
    bool _NE_SW = false;
    bool _NW_SE = false;
    bool _average = false;
};

extern template class MATRIX<unsigned int>;
extern template class MATRIX<float>;

// A result grid and the file it is written to.
using GRID_FILE = std::pair<const MATRIX<float>*, std::string>;

// Writes each grid to its file as write_file does, the grids formatted and written side by side
// on up to `threads` threads (0: one per core): each grid is independent. When `alongside` is
// given, the calling thread runs it meanwhile (the next computation). Every file is attempted;
// returns false after telling the operator about the first one of the list that could not be
// written.
bool write_files(const std::vector<GRID_FILE>& files, MessageSink& sink, unsigned threads = 0,
                 const std::function<void()>& alongside = {});

}  // namespace rice
