// Whether a request for memory can be met at all: sizes read from users' data
// are checked against the machine's physical memory before anything is
// allocated, so a hopeless request fails at once instead of exhausting the
// machine (or aborting under a sanitizer's allocator).
#pragma once

#include <cstddef>
#include <cstdint>

namespace forvela {

bool fits_in_memory(std::uint64_t count, std::size_t bytes_each);

}  // namespace forvela
