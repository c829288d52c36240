#include "model/depth_guard.hpp"

#include <pthread.h>

#include <algorithm>
#include <cstddef>

namespace forvela::stack_limit {

std::uintptr_t floor_of_this_thread() noexcept {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
    void* low = nullptr;
    std::size_t size = 0;
    int rc = pthread_attr_getstack(&attr, &low, &size);
    pthread_attr_destroy(&attr);
    if (rc != 0 || !low || size == 0) return 0;
    std::size_t margin = std::clamp<std::size_t>(size / 4, std::size_t{32} * 1024, std::size_t{256} * 1024);
    return reinterpret_cast<std::uintptr_t>(low) + margin;
}

}  // namespace forvela::stack_limit
