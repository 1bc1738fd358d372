#pragma once
// One block of memory for a large image or buffer: uninitialised, page-aligned and, from 2 MiB
// on, asked for in large pages where the kernel offers them, so reading an image into it costs
// one fault per 2 MiB instead of one per 4 KiB, and no zero-filling of our own.
#include <cstddef>
#include <cstdint>

namespace rice {

class LargeBuffer {
public:
    LargeBuffer() = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit LargeBuffer(std::size_t size);
    ~LargeBuffer();
    LargeBuffer(LargeBuffer&& other) noexcept;
    LargeBuffer& operator=(LargeBuffer&& other) noexcept;
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    // True when the memory came zeroed from the system (a fresh mapping), so a reader need not
    // clear what it leaves unread.
    bool Zeroed() const { return mapped_ != 0; }

private:
    void Release();
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;  // bytes of the mapping, 0 for a small block from the heap
};

// Reads up to `size` bytes of file descriptor `fd` from `offset` on with pread(2) straight into
// `data`, through interruptions and short reads; returns the bytes read (fewer at the end of
// the file or on a read error).
std::size_t ReadFully(int fd, std::uint8_t* data, std::size_t size, std::uint64_t offset);

}  // namespace rice
