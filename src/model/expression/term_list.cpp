#include "model/expression/term_list.hpp"

#include <utility>

#include "model/expression/expression.hpp"

namespace forvela {

namespace {

using Buffer = Node<std::vector<Expression>>;

Buffer* buffer(void* p) { return static_cast<Buffer*>(p); }

Buffer* new_buffer(std::vector<Expression> items) {
    return new Buffer(NodeKind::TermBuffer, std::move(items));
}

}  // namespace

void destroy_term_buffer(NodeBase* n) noexcept { delete static_cast<Buffer*>(n); }

TermList::TermList() : buf_(new_buffer({})), len_(0), tail_(nullptr) {}

TermList::TermList(std::vector<Expression> items)
    : buf_(new_buffer(std::move(items))), len_(kWhole), tail_(nullptr) {}

TermList::TermList(const TermList& o)
    : buf_(o.buf_), len_(o.items_len()), tail_(o.tail_ ? new Expression(*o.tail_) : nullptr) {
    o.len_ = len_;  // shared from now on: both lists count their items
    retain_node(buffer(buf_));
}

TermList::TermList(TermList&& o) noexcept
    : buf_(o.buf_), len_(o.len_), tail_(std::exchange(o.tail_, nullptr)) {
    // The moved-from list keeps a share of the buffer, holding nothing.
    retain_node(buffer(buf_));
    o.len_ = 0;
}

TermList& TermList::operator=(TermList o) noexcept {
    std::swap(buf_, o.buf_);
    std::swap(len_, o.len_);
    std::swap(tail_, o.tail_);
    return *this;
}

TermList::~TermList() {
    delete tail_;
    release_node(buffer(buf_));
}

std::vector<Expression>& TermList::items() const { return buffer(buf_)->value; }

bool TermList::buffer_shared() const { return buffer(buf_)->refs > 1; }

std::size_t TermList::items_len() const { return len_ == kWhole ? items().size() : len_; }

const Expression& TermList::operator[](std::size_t i) const {
    std::size_t n = items_len();
    return i < n ? items()[i] : *tail_;
}

void TermList::own_items() {
    std::size_t n = items_len();
    if (buffer(buf_)->refs == 1) {
        items().resize(n, Expression(NumericValue{}));
    } else {
        std::vector<Expression> copy(items().begin(), items().begin() + static_cast<std::ptrdiff_t>(n));
        Buffer* own = new_buffer(std::move(copy));
        release_node(buffer(buf_));
        buf_ = own;
    }
    len_ = kWhole;
}

void TermList::join_tail() {
    if (!tail_) return;
    Expression* t = std::exchange(tail_, nullptr);
    push_before_tail(std::move(*t));
    delete t;
}

void TermList::push_before_tail(Expression e) {
    std::size_t n = items_len();
    auto& v = items();
    if (v.size() != n) {
        own_items();  // another list appended past our end: copy our part
        items().push_back(std::move(e));
        return;
    }
    // Our end is the buffer's end: append in place; lists that share the
    // buffer own fewer items and never see this one.
    v.push_back(std::move(e));
    if (len_ != kWhole) len_ = n + 1;
}

void TermList::push_back(Expression e) {
    join_tail();
    push_before_tail(std::move(e));
}

void TermList::set_tail(Expression e) {
    if (tail_)
        *tail_ = std::move(e);
    else
        tail_ = new Expression(std::move(e));
}

void TermList::drop_tail() {
    delete tail_;
    tail_ = nullptr;
}

std::vector<Expression>& TermList::edit() {
    join_tail();
    if (len_ != kWhole || buffer(buf_)->refs != 1) own_items();
    return items();
}

std::vector<Expression> TermList::to_vector() const {
    std::vector<Expression> out;
    out.reserve(size());
    for (const auto& t : *this) out.push_back(t);
    return out;
}

}  // namespace forvela
