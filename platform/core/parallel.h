#pragma once
// The one way to spread independent pieces of work over threads. A piece's exception stops the
// handing out of further pieces and is rethrown in the caller once every thread has stopped, so
// an out-of-memory in a worker is the caller's to report, never the end of the program.
#include <cstddef>
#include <functional>

namespace rice {

// The threads to use when `asked` is 0 (one per core) or more than `pieces` (no idle threads).
unsigned ThreadCount(unsigned asked, std::size_t pieces);

// Calls body(i) once for every i in [0, count), spread over up to `threads` threads (0: one per
// core), the caller's among them.
void ParallelFor(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& body);

// As above, where each thread keeps state of its own (scratch buffers): makeWorker() is called
// once on each thread and returns the body that thread runs. When `alongside` is given, the
// calling thread runs it while the workers run (reading and writing files beside the work)
// instead of taking pieces itself.
void ParallelFor(std::size_t count, unsigned threads,
                 const std::function<std::function<void(std::size_t)>()>& makeWorker,
                 const std::function<void()>& alongside = {});

}  // namespace rice
