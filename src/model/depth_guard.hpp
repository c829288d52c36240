// The one depth guard that every recursive walk over model values shares:
// equality, hashing, printing and every analysis. A walk throws DepthExceeded
// (which the call boundary turns into RecursionError) when the C stack that
// is left to the calling thread falls below a safe margin, whatever the
// thread's stack size, or when it nests deeper than a fixed upper bound.
#pragma once

#include <cstdint>
#include <exception>

namespace forvela {

struct DepthExceeded final : std::exception {
    const char* what() const noexcept override { return "maximum expression depth exceeded"; }
};

namespace stack_limit {

// The lowest address this thread's walks may reach: the stack's low end plus
// a margin kept free for the frames of the boundary, the interpreter raising
// RecursionError and sanitizer runtimes (a quarter of the stack, between
// 32 KiB and 256 KiB). Read once per thread; 0 where the bounds are unknown.
std::uintptr_t floor_of_this_thread() noexcept;

// The walks of one thread, in one block, so that a guard looks it up once.
struct WalkState {
    int depth = 0;
    int limit;
    // 1 until read; the stack grows downwards on every platform we build for.
    std::uintptr_t floor = 1;
};

}  // namespace stack_limit

class DepthGuard {
public:
    // Nesting levels allowed to one walk on one thread, whatever the stack:
    // deep enough for any real model (sums and products are flat vectors).
    static constexpr int kLimit = 6000;

    using State = stack_limit::WalkState;

    // This thread's walks, for a walk that takes many guards to look up once
    // and hand to each (`DepthGuard(state)`), on this thread only.
    static State& thread_state() noexcept { return this_thread; }

    DepthGuard() : DepthGuard(this_thread) {}
    explicit DepthGuard(State& state) : state_(state) {
        if (++state_.depth > state_.limit || below_floor(state_)) {
            --state_.depth;
            throw DepthExceeded{};
        }
    }
    ~DepthGuard() { --state_.depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    static bool below_floor(State& s) noexcept {
        if (s.floor == 1) s.floor = stack_limit::floor_of_this_thread();
        // The frame, not a local: under AddressSanitizer's detection of use
        // after return, locals live on a heap-allocated fake stack.
        return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) < s.floor;
    }

    friend class DepthAllowance;
    static inline thread_local State this_thread{0, kLimit, 1};
    State& state_;
};

// Raises this thread's nesting limit by a few levels while it lives: for a
// reader whose walk spends a few more levels on a tree than the walk that
// wrote it, so that whatever was written reads back. The stack floor holds
// as before.
class DepthAllowance {
public:
    explicit DepthAllowance(int extra) noexcept : extra_(extra) { DepthGuard::this_thread.limit += extra; }
    ~DepthAllowance() { DepthGuard::this_thread.limit -= extra_; }
    DepthAllowance(const DepthAllowance&) = delete;
    DepthAllowance& operator=(const DepthAllowance&) = delete;

private:
    int extra_;
};

}  // namespace forvela
