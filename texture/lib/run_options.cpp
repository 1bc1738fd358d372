#include "texture/lib/run_options.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace rice {

namespace {
std::mutex options_mutex;
TEXTURE_RUN_OPTIONS current_options;
}  // namespace

TEXTURE_RUN_OPTIONS texture_run_options() {
    std::lock_guard<std::mutex> lock(options_mutex);
    return current_options;
}

void set_texture_run_options(const TEXTURE_RUN_OPTIONS& options) {
    std::lock_guard<std::mutex> lock(options_mutex);
    current_options = options;
}

void parallel_rows(unsigned rows, const std::function<void(unsigned row)>& body) {
    TEXTURE_RUN_OPTIONS options = texture_run_options();
    unsigned threads = options.threads;
    if (threads == 0) threads = std::thread::hardware_concurrency();
    if (threads == 0) threads = 1;
    if (threads > rows) threads = rows;
    if (threads <= 1) {
        for (unsigned r = 0; r < rows; ++r) body(r);
        return;
    }
    std::atomic<unsigned> next{0};
    std::exception_ptr failure;
    std::mutex failure_mutex;
    auto worker = [&] {
        for (;;) {
            unsigned r = next.fetch_add(1);
            if (r >= rows) return;
            try {
                body(r);
            } catch (...) {
                std::lock_guard<std::mutex> lock(failure_mutex);
                if (!failure) failure = std::current_exception();
                next.store(rows);
                return;
            }
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (auto& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace rice
