#include "platform/core/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

namespace rice {
namespace {

TEST(ParallelFor, VisitsEveryPieceOnceForAnyThreadCount) {
    for (unsigned threads : {0u, 1u, 3u, 64u}) {
        for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{1000}}) {
            std::vector<std::atomic<int>> seen(count);
            ParallelFor(count, threads, [&](std::size_t i) { ++seen[i]; });
            for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(seen[i].load(), 1) << threads << " " << i;
        }
    }
}

TEST(ParallelFor, WorkerExceptionReachesTheCallerAndStopsTheRest) {
    for (unsigned threads : {1u, 4u}) {
        std::atomic<std::size_t> done{0};
        EXPECT_THROW(ParallelFor(100000, threads,
                                 [&](std::size_t i) {
                                     if (i == 10) throw std::bad_alloc();
                                     ++done;
                                 }),
                     std::bad_alloc);
        EXPECT_LT(done.load(), 100000u);
    }
}

TEST(ParallelFor, EachThreadKeepsItsOwnStateAndAlongsideRunsOnTheCaller) {
    std::atomic<int> workers{0};
    std::atomic<long> sum{0};
    bool ranAlongside = false;
    ParallelFor(
        500, 3,
        [&] {
            ++workers;
            return [&, local = std::vector<int>(4)](std::size_t i) mutable {
                local[0] += 1;
                sum += static_cast<long>(i);
            };
        },
        [&] { ranAlongside = true; });
    EXPECT_TRUE(ranAlongside);
    EXPECT_EQ(workers.load(), 3);
    EXPECT_EQ(sum.load(), 499L * 500 / 2);

    EXPECT_THROW(ParallelFor(10, 2, [] { return [](std::size_t) {}; },
                             [] { throw std::runtime_error("disk"); }),
                 std::runtime_error);
}

}  // namespace
}  // namespace rice
