#include "model/memory.hpp"

#include <unistd.h>

namespace forvela {

bool fits_in_memory(std::uint64_t count, std::size_t bytes_each) {
    static const std::uint64_t physical = [] {
        long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
        return pages > 0 && page > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page)
                                     : UINT64_MAX;
    }();
    return bytes_each == 0 || count <= physical / bytes_each;
}

}  // namespace forvela
