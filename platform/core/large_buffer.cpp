#include "platform/core/large_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <new>
#include <utility>

namespace rice {
namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

}  // namespace

LargeBuffer::LargeBuffer(std::size_t size) : size_(size) {
    if (size == 0) return;
    if (size < kLargePage) {
        data_ = static_cast<std::uint8_t*>(std::malloc(size));
        if (!data_) throw std::bad_alloc();
        return;
    }
    // A mapping one large page longer than needed, cut to an aligned start, so the kernel can
    // back it with large pages from the first byte.
    const std::size_t want = RoundUp(size, kLargePage);
    if (want < size || want + kLargePage < want) throw std::bad_alloc();
    void* raw = ::mmap(nullptr, want + kLargePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    auto* base = static_cast<std::uint8_t*>(raw);
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(base);
    auto* aligned = reinterpret_cast<std::uint8_t*>(RoundUp(at, kLargePage));
    const std::size_t before = static_cast<std::size_t>(aligned - base);
    if (before > 0) ::munmap(base, before);
    const std::size_t after = kLargePage - before;
    if (after > 0) ::munmap(aligned + want, after);
    // Only advice: where the kernel has no large pages the block works as any other.
    ::madvise(aligned, want, MADV_HUGEPAGE);
    data_ = aligned;
    mapped_ = want;
}

LargeBuffer::~LargeBuffer() { Release(); }

void LargeBuffer::Release() {
    if (mapped_) ::munmap(data_, mapped_);
    else std::free(data_);
    data_ = nullptr;
    size_ = mapped_ = 0;
}

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

std::size_t ReadFully(int fd, std::uint8_t* data, std::size_t size, std::uint64_t offset) {
    // The kernel moves at most about 2 GiB a call.
    constexpr std::size_t kMostPerCall = std::size_t{1} << 30;
    std::size_t done = 0;
    while (done < size) {
        const std::size_t ask = std::min(size - done, kMostPerCall);
        const ssize_t r = ::pread(fd, data + done, ask, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += static_cast<std::size_t>(r);
    }
    return done;
}

}  // namespace rice
