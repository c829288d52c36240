#include "model/memory.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <new>

namespace forvela {

bool fits_in_memory(std::uint64_t count, std::size_t bytes_each) {
    static const std::uint64_t physical = [] {
        long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
        return pages > 0 && page > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page)
                                     : UINT64_MAX;
    }();
    return bytes_each == 0 || count <= physical / bytes_each;
}

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

}  // namespace

void prefer_large_pages(void* block, std::size_t size) noexcept {
#ifdef MADV_HUGEPAGE
    if (size < 2 * kLargePage) return;
    // The whole large pages inside the block.
    char* start = static_cast<char*>(block);
    const std::size_t skip = (kLargePage - reinterpret_cast<std::uintptr_t>(start) % kLargePage) % kLargePage;
    if (size <= skip) return;
    const std::size_t whole = (size - skip) & ~(kLargePage - 1);
    if (whole != 0) madvise(start + skip, whole, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

void* allocate_large(std::size_t bytes) {
    void* block = nullptr;
    if (bytes >= 2 * kLargePage) {
        if (bytes > SIZE_MAX - kLargePage) throw std::bad_alloc();
        const std::size_t rounded = (bytes + kLargePage - 1) & ~(kLargePage - 1);
        block = std::aligned_alloc(kLargePage, rounded);
        if (block) prefer_large_pages(block, rounded);
    } else {
        block = std::malloc(bytes == 0 ? 1 : bytes);
    }
    if (!block) throw std::bad_alloc();
    return block;
}

void free_large(void* block) noexcept { std::free(block); }

}  // namespace forvela
