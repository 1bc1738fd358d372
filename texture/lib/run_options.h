#pragma once
// How a texture computation runs: fast paths on or off (the plain algorithms stay as the
// reference) and how many threads share the rows of window positions. Output never depends on
// either. Passed to each computation; rows are spread with rice::ParallelFor.
namespace rice {

struct TEXTURE_RUN_OPTIONS {
    bool plain = false;    // true: the plain dense algorithms, one thread
    unsigned threads = 0;  // 0: one per core
};

}  // namespace rice
