// Shared immutable nodes. Every node of an expression or condition lives in
// one reference-counted heap cell; copying a handle to it is a count
// increment, never a walk of the tree. A holder that changes a node makes it
// its own first (copy-on-write of that one node), so no change to one value
// ever shows in another. Freeing the last handle of a deep tree never recurses:
// the cells it releases wait on a list of pending cells.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "model/cell_memory.hpp"

namespace forvela {

// Every kind of cell, named after the value it holds: the expression kinds
// (number literals have none), then the conditions and the term buffers.
enum class NodeKind : std::uint8_t {
#define FORVELA_EXPR_KIND(kind, type) kind,
#include "model/expression/expr_kinds.def"
    ComparisonOp,
    LogicalOp,
    TermBuffer,
};

// Facts about a cell's subtree, worked out on first demand and kept in the
// cell (its value never changes while shared). Making a node one's own to
// change it forgets them.
namespace node_facts {
inline constexpr std::uint8_t kKnown = 1;        // the bits below are set
inline constexpr std::uint8_t kDecisionVar = 2;  // a decision variable occurs
}  // namespace node_facts

struct NodeBase {
    std::uint32_t refs = 1;
    NodeKind kind;
    // node_facts bits; written by readers, hence mutable.
    mutable std::uint8_t facts = 0;
    explicit NodeBase(NodeKind k) : kind(k) {}
    // Cells come from the slabs of cell_memory.hpp.
    static void* operator new(std::size_t bytes) { return allocate_cell(bytes); }
    static void operator delete(void* cell, std::size_t bytes) noexcept { free_cell(cell, bytes); }
};
static_assert(sizeof(NodeBase) == 8, "the facts fit in the padding");

template <class T>
struct Node final : NodeBase {
    static_assert(alignof(T) <= kCellAlignment, "the slabs align cells to kCellAlignment");
    T value;
    template <class... A>
    explicit Node(NodeKind k, A&&... args) : NodeBase(k), value(std::forward<A>(args)...) {}
};

// The kind of the cell that holds a T (specialised beside each value type).
template <class T>
struct NodeKindOf;

inline void retain_node(NodeBase* n) noexcept { ++n->refs; }
// Drops one reference; frees the cell when it was the last, and with it every
// cell only it held, without recursion.
void release_node(NodeBase* n) noexcept;
// Frees one cell (defined where every value type is complete).
void destroy_node(NodeBase* n) noexcept;
void destroy_term_buffer(NodeBase* n) noexcept;

template <class T>
Node<T>* new_node(T value) {
    return new Node<T>(NodeKindOf<T>::value, std::move(value));
}

// The T in `cell`, made its holder's own first (copy-on-write): a cell held
// elsewhere too is copied, and the holder's reference moves to the copy.
// Its facts are forgotten, as the holder is about to change it.
template <class T, class Cell>
T& make_own(Cell*& cell) {
    if (cell->refs > 1) {
        Node<T>* own = new_node<T>(T(static_cast<const Node<T>*>(cell)->value));
        release_node(cell);
        cell = own;
    }
    cell->facts = 0;
    return static_cast<Node<T>*>(cell)->value;
}

// A counted reference to one cell whose kind tells what it holds: the
// storage of the handles that may hold cells of several kinds.
class CellRef {
public:
    // Takes over one reference to `cell`.
    explicit CellRef(NodeBase* cell) noexcept : cell_(cell) {}
    CellRef(const CellRef& o) noexcept : cell_(o.cell_) { retain_node(cell_); }
    // A moved-from reference still holds its cell.
    CellRef(CellRef&& o) noexcept : cell_(o.cell_) { retain_node(cell_); }
    CellRef& operator=(CellRef o) noexcept {
        std::swap(cell_, o.cell_);
        return *this;
    }
    ~CellRef() { release_node(cell_); }

protected:
    NodeBase* cell_;
};

// Box<T>: a shared handle to one cell holding a T. Reading goes through the
// const accessors; `mut()` makes the cell this handle's own first.
template <class T>
class Box {
public:
    Box(T value) : p_(new_node(std::move(value))) {}
    // Takes over one reference to `cell`.
    static Box adopt(Node<T>* cell) { return Box(cell, 0); }
    // Shares `cell`, adding a reference.
    static Box share(Node<T>* cell) {
        retain_node(cell);
        return Box(cell, 0);
    }

    Box(const Box& o) noexcept : p_(o.p_) {
        if (p_) retain_node(p_);
    }
    Box(Box&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    Box& operator=(Box o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~Box() {
        if (p_) release_node(p_);
    }

    const T& operator*() const { return p_->value; }
    const T* operator->() const { return &p_->value; }
    const T& get() const { return p_->value; }

    // The value, made this handle's own first.
    T& mut() { return make_own<T>(p_); }
    // The value moved out when this handle is its only holder, else copied.
    T take() {
        T v = p_->refs == 1 ? std::move(p_->value) : T(p_->value);
        release_node(std::exchange(p_, nullptr));
        return v;
    }

    bool same_cell(const Box& o) const { return p_ == o.p_; }
    Node<T>* cell() const { return p_; }
    Node<T>* release() { return std::exchange(p_, nullptr); }

private:
    Box(Node<T>* cell, int) : p_(cell) {}
    Node<T>* p_;
};

}  // namespace forvela
