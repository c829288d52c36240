// Whether a request for memory can be met at all: sizes read from users' data
// are checked against the machine's physical memory before anything is
// allocated, so a hopeless request fails at once instead of exhausting the
// machine (or aborting under a sanitizer's allocator).
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace forvela {

bool fits_in_memory(std::uint64_t count, std::size_t bytes_each);

// Asks the system to back the pages of a block of several megabytes with
// large pages where it can: a large buffer is then first written with a
// few faults instead of one per page. A hint only; nothing else changes.
void prefer_large_pages(void* block, std::size_t size) noexcept;

// Memory for arrays that may grow large: a block of several megabytes is
// aligned to large pages and asks for them (`prefer_large_pages`), a smaller
// one is plain. Either is given back with `free_large`; a failure throws
// std::bad_alloc.
void* allocate_large(std::size_t bytes);
void free_large(void* block) noexcept;

template <class T>
struct LargePageAllocator {
    using value_type = T;
    LargePageAllocator() = default;
    template <class U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(allocate_large(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t) noexcept { free_large(p); }
    template <class U>
    bool operator==(const LargePageAllocator<U>&) const noexcept {
        return true;
    }
};

// A vector whose storage may take large pages.
template <class T>
using LargeVector = std::vector<T, LargePageAllocator<T>>;

}  // namespace forvela
