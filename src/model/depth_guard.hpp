// The one depth guard that every recursive walk over model values shares:
// copying, equality, hashing, printing and every analysis. A walk that goes
// deeper than the limit throws DepthExceeded, which the call boundary turns
// into RecursionError; no walk can overflow the C stack.
#pragma once

#include <exception>

namespace forvela {

struct DepthExceeded final : std::exception {
    const char* what() const noexcept override {
        return "maximum expression depth exceeded";
    }
};

class DepthGuard {
public:
    // Nesting levels allowed to one walk on one thread. Deep enough for any
    // real model (sums and products are flat vectors), shallow enough that
    // the largest walk frame stays far below an 8 MiB stack.
    static constexpr int kLimit = 6000;

    DepthGuard() {
        if (++depth_ > kLimit) {
            --depth_;
            throw DepthExceeded{};
        }
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    static inline thread_local int depth_ = 0;
};

}  // namespace forvela
