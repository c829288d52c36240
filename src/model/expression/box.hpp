// Box<T>: a heap cell with value semantics. Copying a box copies what it
// holds (under the shared depth guard, so a copy of a deep chain raises
// RecursionError instead of overflowing the stack); no cell is ever shared.
#pragma once

#include <memory>
#include <utility>

#include "model/depth_guard.hpp"

namespace forvela {

template <class T>
class Box {
public:
    Box(T value) : ptr_(std::make_unique<T>(std::move(value))) {}
    Box(const Box& other) : ptr_(other.ptr_ ? copy(*other.ptr_) : nullptr) {}
    Box(Box&&) noexcept = default;
    Box& operator=(const Box& other) {
        if (this != &other) *this = Box(other);
        return *this;
    }
    Box& operator=(Box&&) noexcept = default;
    ~Box() = default;

    T& operator*() { return *ptr_; }
    const T& operator*() const { return *ptr_; }
    T* operator->() { return ptr_.get(); }
    const T* operator->() const { return ptr_.get(); }
    bool empty() const { return !ptr_; }
    // Moves the value out, leaving the box empty (used by iterative teardown).
    T take() {
        T v = std::move(*ptr_);
        ptr_.reset();
        return v;
    }

private:
    static std::unique_ptr<T> copy(const T& v) {
        DepthGuard guard;
        return std::make_unique<T>(v);
    }
    std::unique_ptr<T> ptr_;
};

}  // namespace forvela
