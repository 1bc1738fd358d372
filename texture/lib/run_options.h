#pragma once
// How the texture computations run: fast paths on or off (the plain algorithms stay as the
// reference) and how many threads share the rows of window positions. Output never depends on
// either setting.
#include <functional>

namespace rice {

struct TEXTURE_RUN_OPTIONS {
    bool plain = false;    // true: the plain dense algorithms, one thread
    unsigned threads = 0;  // 0: std::thread::hardware_concurrency()
};

TEXTURE_RUN_OPTIONS texture_run_options();
void set_texture_run_options(const TEXTURE_RUN_OPTIONS& options);

// Sets the options for one scope (tests, benchmarks) and restores the old ones after it.
class SCOPED_TEXTURE_RUN_OPTIONS {
public:
    explicit SCOPED_TEXTURE_RUN_OPTIONS(const TEXTURE_RUN_OPTIONS& options)
        : _old(texture_run_options()) {
        set_texture_run_options(options);
    }
    ~SCOPED_TEXTURE_RUN_OPTIONS() { set_texture_run_options(_old); }
    SCOPED_TEXTURE_RUN_OPTIONS(const SCOPED_TEXTURE_RUN_OPTIONS&) = delete;
    SCOPED_TEXTURE_RUN_OPTIONS& operator=(const SCOPED_TEXTURE_RUN_OPTIONS&) = delete;

private:
    TEXTURE_RUN_OPTIONS _old;
};

// Calls body(row) once for every row in [0, rows), spread over the worker threads. Each row
// writes only its own output cells, so the result is the same for any number of threads.
// An exception thrown by a row is rethrown here after all workers stopped.
void parallel_rows(unsigned rows, const std::function<void(unsigned row)>& body);

}  // namespace rice
