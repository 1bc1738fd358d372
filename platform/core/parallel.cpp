#include "platform/core/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace rice {

unsigned ThreadCount(unsigned asked, std::size_t pieces) {
    unsigned n = asked ? asked : std::max(1u, std::thread::hardware_concurrency());
    if (pieces < n) n = static_cast<unsigned>(std::max<std::size_t>(pieces, 1));
    return n;
}

void ParallelFor(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& body) {
    ParallelFor(count, threads, [&body] { return body; });
}

void ParallelFor(std::size_t count, unsigned threads,
                 const std::function<std::function<void(std::size_t)>()>& makeWorker,
                 const std::function<void()>& alongside) {
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto fail = [&] {
        std::lock_guard<std::mutex> lock(failureMutex);
        if (!failure) failure = std::current_exception();
        next.store(count);
    };
    auto run = [&] {
        try {
            std::function<void(std::size_t)> body = makeWorker();
            for (std::size_t i; (i = next.fetch_add(1)) < count;) body(i);
        } catch (...) {
            fail();
        }
    };

    const unsigned n = ThreadCount(threads, count);
    const unsigned started = alongside ? n : n - 1;
    std::vector<std::thread> pool;
    pool.reserve(started);
    try {
        for (unsigned t = 0; t < started; ++t) pool.emplace_back(run);
    } catch (...) {
        fail();  // no thread to be had: the pieces already handed out still finish
    }
    if (alongside) {
        try {
            alongside();
        } catch (...) {
            fail();
        }
    } else {
        run();
    }
    for (auto& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace rice
