// TermList: the terms of a sum, product, minimum or maximum. The terms live in
// a buffer shared between a list and the lists extended from it: a list owns
// the first `len` items of its buffer, and appending to a list whose end is
// the buffer's end writes in place, so a sum built step by step (`s = s + t`)
// grows in amortised constant time while every earlier sum keeps its terms.
// A sum's literal stays last by being held apart, in the tail. A list of at
// most two terms and no tail, the most common by far (`w[i] * x[i]`), keeps
// them inline instead, with no buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/expression/handle.hpp"

namespace forvela {

class TermList {
public:
    TermList();
    TermList(std::vector<Expression> items);
    TermList(const TermList& o);
    TermList(TermList&& o) noexcept;
    TermList& operator=(TermList o) noexcept;
    ~TermList();

    std::size_t size() const { return inline_mode() ? count_ : items_len() + (shared_.tail ? 1 : 0); }
    bool empty() const { return size() == 0; }
    const Expression& operator[](std::size_t i) const;
    const Expression& front() const { return (*this)[0]; }
    const Expression& back() const { return (*this)[size() - 1]; }

    class const_iterator {
    public:
        using value_type = Expression;
        using difference_type = std::ptrdiff_t;
        using reference = const Expression&;
        const_iterator(const TermList* list, std::size_t i) : list_(list), i_(i) {}
        const Expression& operator*() const { return (*list_)[i_]; }
        const Expression* operator->() const { return &(*list_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator==(const const_iterator& o) const { return i_ == o.i_; }
        bool operator!=(const const_iterator& o) const { return i_ != o.i_; }

    private:
        const TermList* list_;
        std::size_t i_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    // Appends after every term (and after the tail, which joins the items).
    void push_back(Expression e);
    // Appends before the tail: the sum's way of keeping its literal last.
    void push_before_tail(Expression e);
    bool has_tail() const { return !inline_mode() && shared_.tail != nullptr; }
    // Whether another list holds this list's buffer: its terms may then be
    // met through that list too.
    bool buffer_shared() const;
    // The held-apart last term (a literal), set or replaced.
    void set_tail(Expression e);
    void drop_tail();
    Expression& tail() { return *shared_.tail; }

    // The terms as a plain vector this list owns alone, for any other edit;
    // the tail joins the items. Costs a copy only while the buffer is shared.
    std::vector<Expression>& edit();
    // A copy of the terms in order.
    std::vector<Expression> to_vector() const;

private:
    static constexpr std::size_t kWhole = static_cast<std::size_t>(-1);
    static constexpr std::size_t kInline = 2;
    static constexpr std::uint8_t kShared = 0xff;  // `count_` of a buffered list

    struct Shared {
        void* buf;  // the shared cell of a std::vector<Expression>
        // How many items of the buffer are this list's; kWhole while the list
        // is the buffer's only holder and edits it directly.
        mutable std::size_t len;
        Expression* tail;  // heap cell, null without a tail
    };

    bool inline_mode() const { return count_ != kShared; }
    std::vector<Expression>& items() const;
    std::size_t items_len() const;
    // Makes the buffer this list's alone, holding exactly its items.
    void own_items();
    void join_tail();
    // Moves inline terms into a buffer of this list's own.
    void to_buffer();
    // Takes over the terms of `o`, leaving it empty; this list holds none.
    void take(TermList& o) noexcept;
    // Drops every term: the list is left empty and inline.
    void reset() noexcept;

    union {
        Expression inline_[kInline];  // the first `count_` are live
        Shared shared_;
    };
    std::uint8_t count_;  // inline terms, or kShared
};

}  // namespace forvela
