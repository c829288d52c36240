// The handles of expression and condition values: an Expression is one node
// of an expression tree, a tagged union of ten kinds (number literals inline,
// every other kind in a shared immutable cell); a ConditionalExpr is one
// comparison or logical node. Copying a handle shares its cell. The value
// types of the nodes live in the files named after their classes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "model/depth_guard.hpp"
#include "model/expression/box.hpp"
#include "model/expression/operand/number_lit.hpp"

namespace forvela {

struct Placeholder;
struct Element;
struct Subscript;
struct DecisionVar;
struct ArrayLength;
struct UnaryOp;
struct BinaryOp;
struct CommutativeOp;
struct ReductionOp;
struct ComparisonOp;
struct LogicalOp;

// An optional text (a custom LaTeX text, a description) in one pointer: no
// heap cell while absent, which most nodes are.
class OptText {
public:
    OptText() noexcept = default;
    OptText(std::nullopt_t) noexcept {}
    OptText(std::string s) : p_(std::make_unique<std::string>(std::move(s))) {}
    OptText(const char* s) : p_(std::make_unique<std::string>(s)) {}
    OptText(const std::optional<std::string>& o) : p_(o ? std::make_unique<std::string>(*o) : nullptr) {}
    OptText(std::optional<std::string>&& o)
        : p_(o ? std::make_unique<std::string>(std::move(*o)) : nullptr) {}
    OptText(const OptText& o) : p_(o.p_ ? std::make_unique<std::string>(*o.p_) : nullptr) {}
    OptText(OptText&&) noexcept = default;
    OptText& operator=(OptText o) noexcept {
        p_.swap(o.p_);
        return *this;
    }
    ~OptText() = default;

    explicit operator bool() const { return p_ != nullptr; }
    bool has_value() const { return p_ != nullptr; }
    const std::string& operator*() const { return *p_; }
    std::string& operator*() { return *p_; }
    const std::string* operator->() const { return p_.get(); }
    std::string value_or(std::string fallback) const { return p_ ? *p_ : std::move(fallback); }
    operator std::optional<std::string>() const {
        return p_ ? std::optional<std::string>(*p_) : std::nullopt;
    }
    friend bool operator==(const OptText& a, const OptText& b) {
        return a.p_ ? (b.p_ && *a.p_ == *b.p_) : !b.p_;
    }

private:
    std::unique_ptr<std::string> p_;
};

enum class ExprKind : std::uint8_t {
#define FORVELA_EXPR_KIND(kind, type) kind,
#include "model/expression/expr_kinds.def"
};

// The kind of the node that holds a value of type T.
template <class T>
struct ExprKindOf;
#define FORVELA_EXPR_KIND(kind, type)                     \
    template <>                                           \
    struct ExprKindOf<type> {                             \
        static constexpr ExprKind value = ExprKind::kind; \
    };
#include "model/expression/expr_kinds.def"

template <class T>
concept ExprPayload = requires { ExprKindOf<T>::value; } && !std::is_same_v<T, NumericValue>;

// Cells of expression nodes are numbered as their kinds.
template <class T>
struct NodeKindOf {
    static constexpr NodeKind value = static_cast<NodeKind>(ExprKindOf<T>::value);
};
template <>
struct NodeKindOf<ComparisonOp> {
    static constexpr NodeKind value = NodeKind::ComparisonOp;
};
template <>
struct NodeKindOf<LogicalOp> {
    static constexpr NodeKind value = NodeKind::LogicalOp;
};

// A literal's number is kept inline, its tag beside the kind, so a value is
// two words: the kind and tag, then the integer, the float or the cell.
class Expression {
public:
    Expression(NumericValue v) noexcept : kind_(ExprKind::NumberLit), tag_(v.tag) { set_number(v); }
    template <ExprPayload T>
    Expression(T v) : kind_(ExprKindOf<T>::value), node_(new_node<T>(std::move(v))) {}
    // Shares the cell of `b`.
    template <ExprPayload T>
    explicit Expression(Box<T> b) noexcept : kind_(ExprKindOf<T>::value), node_(b.release()) {}

    Expression(const Expression& o) noexcept : kind_(o.kind_), tag_(o.tag_), bits_(o.bits_) {
        if (has_node()) retain_node(node_);
    }
    // A moved-from value is the literal 0.
    Expression(Expression&& o) noexcept : kind_(o.kind_), tag_(o.tag_), bits_(o.bits_) { o.clear(); }
    Expression& operator=(Expression o) noexcept {
        swap(o);
        return *this;
    }
    ~Expression() {
        if (has_node()) release_node(node_);
    }
    void swap(Expression& o) noexcept {
        std::swap(kind_, o.kind_);
        std::swap(tag_, o.tag_);
        std::swap(bits_, o.bits_);
    }

    ExprKind kind() const { return kind_; }
    template <class T>
    bool is() const {
        return kind_ == ExprKindOf<T>::value;
    }
    // The literal's number, by value; the value of a cell, by reference.
    template <class T>
    decltype(auto) as() const {
        if constexpr (std::is_same_v<T, NumericValue>) {
            return tag_ == NumericValue::Tag::Integer ? NumericValue::of_integer(integer_)
                                                      : NumericValue::of_float(floating_);
        } else {
            return static_cast<const T&>(static_cast<const Node<T>*>(node_)->value);
        }
    }
    // The node made this value's own first (copy-on-write).
    template <ExprPayload T>
    T& mut() {
        return make_own<T>(node_);
    }
    // The cell holding this value, for a value of kind T.
    template <ExprPayload T>
    const Node<T>& cell() const {
        return *static_cast<const Node<T>*>(node_);
    }
    // A handle sharing this value's cell.
    template <ExprPayload T>
    Box<T> box() const {
        return Box<T>::share(static_cast<Node<T>*>(node_));
    }
    // Whether two values share one cell (and so are equal). A literal has no
    // cell: its number is never read as a pointer.
    bool same_cell(const Expression& o) const { return has_node() && o.has_node() && node_ == o.node_; }
    // The cell of this value, null for a literal: the key of a cell in the
    // memo tables of walks over shared subtrees.
    const NodeBase* cell_key() const { return has_node() ? node_ : nullptr; }

private:
    bool has_node() const { return kind_ != ExprKind::NumberLit; }
    void set_number(const NumericValue& v) noexcept {
        if (v.is_integer())
            integer_ = v.integer;
        else
            floating_ = v.floating;
    }
    void clear() noexcept {
        kind_ = ExprKind::NumberLit;
        tag_ = NumericValue::Tag::Integer;
        bits_ = 0;
    }
    ExprKind kind_;
    NumericValue::Tag tag_ = NumericValue::Tag::Integer;  // of a literal
    union {
        std::int64_t integer_;
        double floating_;
        NodeBase* node_;
        std::uint64_t bits_;  // the word as it is, for copies and swaps
    };
};
static_assert(sizeof(Expression) == 16, "a value is two words");

// The value of a condition: a comparison or a logical node, always in a cell.
class ConditionalExpr : public CellRef {
public:
    ConditionalExpr(ComparisonOp v);
    ConditionalExpr(LogicalOp v);

    bool is_comparison() const { return cell_->kind == NodeKind::ComparisonOp; }
    template <class T>
    const T& as() const {
        return static_cast<const Node<T>*>(cell_)->value;
    }
    // The node made this value's own first (copy-on-write).
    template <class T>
    T& mut() {
        return make_own<T>(cell_);
    }
    // The cell holding this value, a T.
    template <class T>
    const Node<T>& cell() const {
        return *static_cast<const Node<T>*>(cell_);
    }
    bool same_cell(const ConditionalExpr& o) const { return cell_ == o.cell_; }
    const NodeBase* cell_key() const { return cell_; }
};

// Box<Expression> and Box<ConditionalExpr>: the handles are shared already.
template <>
class Box<Expression> {
public:
    Box(Expression e) noexcept : e_(std::move(e)) {}
    const Expression& operator*() const { return e_; }
    const Expression* operator->() const { return &e_; }
    const Expression& get() const { return e_; }
    Expression& mut() { return e_; }
    Expression take() { return std::move(e_); }

private:
    Expression e_;
};

template <>
class Box<ConditionalExpr> {
public:
    Box(ConditionalExpr c) noexcept : c_(std::move(c)) {}
    const ConditionalExpr& operator*() const { return c_; }
    const ConditionalExpr* operator->() const { return &c_; }
    const ConditionalExpr& get() const { return c_; }
    ConditionalExpr& mut() { return c_; }
    ConditionalExpr take() { return c_; }

private:
    ConditionalExpr c_;
};

}  // namespace forvela
