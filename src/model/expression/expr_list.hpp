// ExprList: a short, fixed list of values whose first item is kept inline,
// so that the one index of `w[i]` costs no allocation of its own. Longer
// lists keep every item in one heap array.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "model/cell_memory.hpp"
#include "model/expression/handle.hpp"

namespace forvela {

class ExprList {
public:
    ExprList() noexcept : one_(NumericValue{}), count_(0) {}
    ExprList(std::vector<Expression> items) : ExprList() { fill(items.size(), items.begin(), true); }
    // The items moved out of `items`, which are left as literals 0.
    static ExprList take_from(std::span<Expression> items) {
        ExprList list;
        list.fill(items.size(), items.begin(), true);
        return list;
    }
    ExprList(const ExprList& o) : ExprList() { fill(o.count_, o.begin(), false); }
    ExprList(ExprList&& o) noexcept : ExprList() { take(o); }
    ExprList& operator=(ExprList o) noexcept {
        reset();
        take(o);
        return *this;
    }
    ~ExprList() {
        reset();
        std::destroy_at(&one_);
    }

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const Expression* begin() const { return count_ > 1 ? many_ : &one_; }
    const Expression* end() const { return begin() + count_; }
    const Expression& operator[](std::size_t i) const { return begin()[i]; }
    operator std::span<const Expression>() const { return {begin(), count_}; }
    std::vector<Expression> to_vector() const { return {begin(), end()}; }

private:
    // Fills an empty list with `n` items from `from`, moved or copied.
    template <class It>
    void fill(std::size_t n, It from, bool move) {
        if (n == 0) return;
        if (n == 1) {
            one_ = move ? std::move(*from) : Expression(*from);
        } else {
            // Allocated before the inline item ends, so that a failure leaves
            // the list as it was: empty.
            static_assert(alignof(Expression) <= kCellAlignment);
            Expression* items = static_cast<Expression*>(allocate_cell(n * sizeof(Expression)));
            for (std::size_t i = 0; i < n; ++i, ++from)
                std::construct_at(items + i, move ? std::move(*from) : Expression(*from));
            std::destroy_at(&one_);
            many_ = items;
        }
        count_ = n;
    }
    // Takes the items of `o`, which is left empty; this list is empty.
    void take(ExprList& o) noexcept {
        if (o.count_ > 1) {
            std::destroy_at(&one_);
            many_ = o.many_;
            std::construct_at(&o.one_, NumericValue{});
        } else {
            one_ = std::move(o.one_);
        }
        count_ = o.count_;
        o.count_ = 0;
    }
    void reset() noexcept {
        if (count_ > 1) {
            std::destroy(many_, many_ + count_);
            free_cell(many_, count_ * sizeof(Expression));
            std::construct_at(&one_, NumericValue{});
        } else {
            one_ = Expression(NumericValue{});
        }
        count_ = 0;
    }

    // One item (or none: the literal 0 stands in) inline; more in `many_`.
    union {
        Expression one_;
        Expression* many_;
    };
    std::size_t count_;
};

}  // namespace forvela
