#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "texture/lib/matrix.h"

namespace texture_test {

inline void WriteText(const std::string& path, const std::string& text) {
    ASSERT_TRUE(rice::WriteFileAtomic(path, text)) << path;
}

inline std::string ReadText(const std::string& path) {
    auto t = rice::ReadWholeFile(path);
    return t ? *t : std::string("<missing>");
}

inline void FillRandom(rice::MATRIX<unsigned int>& m, unsigned w, unsigned h, unsigned levels,
                       unsigned seed) {
    m.resize(w, h);
    std::mt19937 gen(seed);
    std::uniform_int_distribution<unsigned> dist(0, levels - 1);
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) m.at(x, y) = dist(gen);
}

inline void FillRows(rice::MATRIX<unsigned int>& m, unsigned w, std::initializer_list<unsigned> cells) {
    m.resize(w, static_cast<unsigned>(cells.size()) / w);
    unsigned i = 0;
    for (unsigned v : cells) {
        m.at(i % w, i / w) = v;
        ++i;
    }
}

// Runs f, expecting a stopping check; returns what it printed on standard error.
template <class F>
std::string StopsWith(F f) {
    ::testing::internal::CaptureStderr();
    int status = -1;
    try {
        f();
    } catch (const rice::ProcessExit& e) {
        status = e.status;
    }
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(status, -1) << "the check did not stop the program";
    EXPECT_NE(status, 0);
    return err;
}

inline bool SameCells(const rice::MATRIX<float>& a, const rice::MATRIX<float>& b) {
    if (a.size_of_x() != b.size_of_x() || a.size_of_y() != b.size_of_y()) return false;
    for (unsigned y = 0; y < a.size_of_y(); ++y)
        for (unsigned x = 0; x < a.size_of_x(); ++x) {
            float u = a.at(x, y), v = b.at(x, y);
            if (std::memcmp(&u, &v, sizeof u) != 0) {
                ADD_FAILURE() << "cell (" << x << ", " << y << "): " << u << " vs " << v;
                return false;
            }
        }
    return true;
}

}  // namespace texture_test
