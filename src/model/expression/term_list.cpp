#include "model/expression/term_list.hpp"

#include <memory>
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

TermList::TermList() : count_(0) {}

TermList::TermList(std::vector<Expression> items) : count_(0) {
    if (items.size() <= kInline) {
        for (auto& t : items) std::construct_at(&inline_[count_++], std::move(t));
    } else {
        shared_ = Shared{new_buffer(std::move(items)), kWhole, nullptr};
        count_ = kShared;
    }
}

TermList::TermList(const TermList& o) : count_(0) {
    if (o.inline_mode()) {
        for (; count_ < o.count_; ++count_) std::construct_at(&inline_[count_], o.inline_[count_]);
        return;
    }
    shared_ =
        Shared{o.shared_.buf, o.items_len(), o.shared_.tail ? new Expression(*o.shared_.tail) : nullptr};
    count_ = kShared;
    o.shared_.len = shared_.len;  // shared from now on: both lists count their items
    retain_node(buffer(shared_.buf));
}

TermList::TermList(TermList&& o) noexcept : count_(0) { take(o); }

TermList& TermList::operator=(TermList o) noexcept {
    reset();
    take(o);
    return *this;
}

TermList::~TermList() { reset(); }

void TermList::take(TermList& o) noexcept {
    if (o.inline_mode()) {
        for (; count_ < o.count_; ++count_) std::construct_at(&inline_[count_], std::move(o.inline_[count_]));
        o.reset();
        return;
    }
    shared_ = o.shared_;
    count_ = kShared;
    o.count_ = 0;  // the buffer and tail are ours now
}

void TermList::reset() noexcept {
    if (inline_mode()) {
        for (std::uint8_t i = 0; i < count_; ++i) std::destroy_at(&inline_[i]);
    } else {
        delete shared_.tail;
        release_node(buffer(shared_.buf));
    }
    count_ = 0;
}

void TermList::to_buffer() {
    std::vector<Expression> items;
    items.reserve(kInline + 1);
    for (std::uint8_t i = 0; i < count_; ++i) items.push_back(std::move(inline_[i]));
    Buffer* b = new_buffer(std::move(items));
    reset();
    shared_ = Shared{b, kWhole, nullptr};
    count_ = kShared;
}

std::vector<Expression>& TermList::items() const { return buffer(shared_.buf)->value; }

bool TermList::buffer_shared() const { return !inline_mode() && buffer(shared_.buf)->refs > 1; }

std::size_t TermList::items_len() const { return shared_.len == kWhole ? items().size() : shared_.len; }

const Expression& TermList::operator[](std::size_t i) const {
    if (inline_mode()) return inline_[i];
    std::size_t n = items_len();
    return i < n ? items()[i] : *shared_.tail;
}

void TermList::own_items() {
    std::size_t n = items_len();
    if (buffer(shared_.buf)->refs == 1) {
        items().resize(n, Expression(NumericValue{}));
    } else {
        std::vector<Expression> copy(items().begin(), items().begin() + static_cast<std::ptrdiff_t>(n));
        Buffer* own = new_buffer(std::move(copy));
        release_node(buffer(shared_.buf));
        shared_.buf = own;
    }
    shared_.len = kWhole;
}

void TermList::join_tail() {
    if (!has_tail()) return;
    Expression* t = std::exchange(shared_.tail, nullptr);
    push_before_tail(std::move(*t));
    delete t;
}

void TermList::push_before_tail(Expression e) {
    if (inline_mode()) {
        if (count_ < kInline) {
            std::construct_at(&inline_[count_++], std::move(e));
            return;
        }
        to_buffer();
    }
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
    if (shared_.len != kWhole) shared_.len = n + 1;
}

void TermList::push_back(Expression e) {
    join_tail();
    push_before_tail(std::move(e));
}

void TermList::set_tail(Expression e) {
    if (inline_mode()) to_buffer();
    if (shared_.tail)
        *shared_.tail = std::move(e);
    else
        shared_.tail = new Expression(std::move(e));
}

void TermList::drop_tail() {
    if (inline_mode()) return;
    delete shared_.tail;
    shared_.tail = nullptr;
}

std::vector<Expression>& TermList::edit() {
    if (inline_mode()) to_buffer();
    join_tail();
    if (shared_.len != kWhole || buffer(shared_.buf)->refs != 1) own_items();
    return items();
}

std::vector<Expression> TermList::to_vector() const {
    std::vector<Expression> out;
    out.reserve(size());
    for (const auto& t : *this) out.push_back(t);
    return out;
}

}  // namespace forvela
