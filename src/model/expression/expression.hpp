// The Expression value: a handle to one node of an expression tree, a tagged
// union of ten kinds (number literals inline, every other kind in a shared
// immutable cell), with the operand and operator value types it is made of
// and the ConditionalExpr conditions. Copying a value shares its cells.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <variant>
#include <vector>

#include "model/depth_guard.hpp"
#include "model/expression/box.hpp"
#include "model/expression/operand/number_lit.hpp"
#include "model/expression/term_list.hpp"

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

using OptText = std::optional<std::string>;

enum class ExprKind : std::uint8_t {
#define FORVELA_EXPR_KIND(kind, type) kind,
#include "model/expression/expr_kinds.def"
};

// The kind of the node that holds a value of type T.
template <class T> struct ExprKindOf;
#define FORVELA_EXPR_KIND(kind, type) \
    template <> struct ExprKindOf<type> { static constexpr ExprKind value = ExprKind::kind; };
#include "model/expression/expr_kinds.def"

template <class T>
concept ExprPayload = requires { ExprKindOf<T>::value; } && !std::is_same_v<T, NumericValue>;

// Cells of expression nodes are numbered as their kinds.
template <class T>
struct NodeKindOf {
    static constexpr NodeKind value = static_cast<NodeKind>(ExprKindOf<T>::value);
};
template <> struct NodeKindOf<ComparisonOp> { static constexpr NodeKind value = NodeKind::ComparisonOp; };
template <> struct NodeKindOf<LogicalOp> { static constexpr NodeKind value = NodeKind::LogicalOp; };

class Expression {
public:
    Expression(NumericValue v) noexcept : kind_(ExprKind::NumberLit), num_(v) {}
    template <ExprPayload T>
    Expression(T v) : kind_(ExprKindOf<T>::value), node_(new_node<T>(std::move(v))) {}
    // Shares the cell of `b`.
    template <ExprPayload T>
    explicit Expression(Box<T> b) noexcept : kind_(ExprKindOf<T>::value), node_(b.release()) {}

    Expression(const Expression& o) noexcept : kind_(o.kind_) {
        if (o.has_node()) {
            node_ = o.node_;
            retain_node(node_);
        } else {
            num_ = o.num_;
        }
    }
    // A moved-from value is the literal 0.
    Expression(Expression&& o) noexcept : kind_(o.kind_) {
        if (o.has_node()) {
            node_ = o.node_;
            o.kind_ = ExprKind::NumberLit;
            o.num_ = NumericValue{};
        } else {
            num_ = o.num_;
        }
    }
    Expression& operator=(Expression o) noexcept {
        swap(o);
        return *this;
    }
    ~Expression() {
        if (has_node()) release_node(node_);
    }
    void swap(Expression& o) noexcept {
        if (has_node() && o.has_node()) {
            std::swap(node_, o.node_);
        } else if (!has_node() && !o.has_node()) {
            std::swap(num_, o.num_);
        } else if (has_node()) {
            NodeBase* n = node_;
            num_ = o.num_;
            o.node_ = n;
        } else {
            NodeBase* n = o.node_;
            o.num_ = num_;
            node_ = n;
        }
        std::swap(kind_, o.kind_);
    }

    ExprKind kind() const { return kind_; }
    template <class T>
    bool is() const {
        return kind_ == ExprKindOf<T>::value;
    }
    template <class T>
    const T& as() const {
        if constexpr (std::is_same_v<T, NumericValue>)
            return num_;
        else
            return static_cast<const Node<T>*>(node_)->value;
    }
    // The node made this value's own first (copy-on-write).
    template <class T>
    T& as() {
        if constexpr (std::is_same_v<T, NumericValue>) {
            return num_;
        } else {
            if (node_->refs > 1) {
                NodeBase* own = new_node<T>(T(static_cast<const Node<T>*>(node_)->value));
                release_node(node_);
                node_ = own;
            }
            return static_cast<Node<T>*>(node_)->value;
        }
    }
    // A handle sharing this value's cell.
    template <ExprPayload T>
    Box<T> box() const {
        return Box<T>::share(static_cast<Node<T>*>(node_));
    }
    // Whether two values share one cell (and so are equal).
    bool same_cell(const Expression& o) const { return has_node() && node_ == o.node_; }

private:
    bool has_node() const { return kind_ != ExprKind::NumberLit; }
    ExprKind kind_;
    union {
        NumericValue num_;
        NodeBase* node_;
    };
};

// The value of a condition: a comparison or a logical node, always in a cell.
class ConditionalExpr {
public:
    ConditionalExpr(ComparisonOp v);
    ConditionalExpr(LogicalOp v);
    ConditionalExpr(const ConditionalExpr& o) noexcept : node_(o.node_) { retain_node(node_); }
    ConditionalExpr(ConditionalExpr&& o) noexcept : node_(o.node_) { retain_node(node_); }
    ConditionalExpr& operator=(ConditionalExpr o) noexcept {
        std::swap(node_, o.node_);
        return *this;
    }
    ~ConditionalExpr() { release_node(node_); }

    bool is_comparison() const { return node_->kind == NodeKind::ComparisonOp; }
    template <class T>
    const T& as() const {
        return static_cast<const Node<T>*>(node_)->value;
    }
    // The node made this value's own first (copy-on-write).
    template <class T>
    T& as() {
        if (node_->refs > 1) {
            NodeBase* own = new_node<T>(T(static_cast<const Node<T>*>(node_)->value));
            release_node(node_);
            node_ = own;
        }
        return static_cast<Node<T>*>(node_)->value;
    }
    bool same_cell(const ConditionalExpr& o) const { return node_ == o.node_; }

private:
    NodeBase* node_;
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

struct Placeholder {
    std::string name;
    std::uint64_t ndim = 0;
    OptText latex;
    OptText description;
};

struct Range {
    Box<Expression> start;
    Box<Expression> end;
};

// The set an element belongs to, in variant order Range, Placeholder,
// Element, Subscript.
using ElementBelongTo = std::variant<Range, Box<Placeholder>, Box<Element>, Box<Subscript>>;

struct Element {
    std::string name;
    std::uint64_t ndim = 0;
    ElementBelongTo belong_to;
    OptText latex;
    OptText description;
};

enum class DecisionVarKind : std::uint8_t {
    Binary = 0,
    Integer = 1,
    Continuous = 2,
    SemiInteger = 3,
    SemiContinuous = 4,
};

// A bound of a decision variable: Expression, Placeholder or Subscript.
using DecisionVarBound = std::variant<Box<Expression>, Box<Placeholder>, Box<Subscript>>;

struct DecisionVar {
    DecisionVarKind kind = DecisionVarKind::Binary;
    std::string name;
    std::vector<Expression> shape;
    DecisionVarBound lower_bound;
    DecisionVarBound upper_bound;
    OptText latex;
    OptText description;
};

// The variable of a subscript: Placeholder, Element, Variable, Subscript.
using SubscriptedVariable =
    std::variant<Box<Placeholder>, Box<Element>, Box<DecisionVar>, Box<Subscript>>;

struct Subscript {
    SubscriptedVariable variable;
    std::vector<Expression> subscripts;
    std::uint64_t ndim = 0;
};

// The array of an ArrayLength: Placeholder, Element, Subscript.
using ArrayOperand = std::variant<Box<Placeholder>, Box<Element>, Box<Subscript>>;

struct ArrayLength {
    ArrayOperand array;
    std::uint64_t axis = 0;
    OptText latex;
    OptText description;
};

enum class UnaryOpKind : std::uint8_t { Abs = 0, Ceil = 1, Floor = 2, Ln = 3, Log10 = 4, Log2 = 5 };
enum class BinaryOpKind : std::uint8_t { Pow = 0, Mod = 1 };
enum class CommutativeOpKind : std::uint8_t { Add = 0, Mul = 1, Min = 2, Max = 3 };
enum class ReductionOpKind : std::uint8_t { Sum = 0, Prod = 1 };
enum class ComparisonOpKind : std::uint8_t {
    Equal = 0,
    NotEqual = 1,
    LessThan = 2,
    LessThanEqual = 3,
    GreaterThan = 4,
    GreaterThanEqual = 5,
};
enum class LogicalOpKind : std::uint8_t { And = 0, Or = 1, Xor = 2 };

struct UnaryOp {
    OptText latex;
    Box<Expression> operand;
    UnaryOpKind kind;
};

struct BinaryOp {
    OptText latex;
    Box<Expression> left;   // the base of a power
    Box<Expression> right;  // the exponent of a power
    BinaryOpKind kind;
};

struct CommutativeOp {
    OptText latex;
    TermList terms;
    CommutativeOpKind kind;
};

struct ReductionOp {
    OptText latex;
    Box<Element> index;
    std::optional<Box<ConditionalExpr>> condition;
    Box<Expression> operand;
    ReductionOpKind kind;
};

struct ComparisonOp {
    OptText latex;
    Box<Expression> left;
    Box<Expression> right;
    ComparisonOpKind kind;
};

struct LogicalOp {
    OptText latex;
    std::vector<ConditionalExpr> terms;
    LogicalOpKind kind;
};


inline ConditionalExpr::ConditionalExpr(ComparisonOp v) : node_(new_node(std::move(v))) {}
inline ConditionalExpr::ConditionalExpr(LogicalOp v) : node_(new_node(std::move(v))) {}

// Calls `f` with the node of `e` as its value type (NumericValue for literals).
template <class F>
decltype(auto) visit(const Expression& e, F&& f) {
    switch (e.kind()) {
#define FORVELA_EXPR_KIND(kind, type) \
    case ExprKind::kind: return f(e.as<type>());
#include "model/expression/expr_kinds.def"
    }
    __builtin_unreachable();
}

// The node's custom LaTeX text, or null when it has none (an empty text is a
// present text). Literals and subscripts never have one.
const std::string* custom_latex_of(const Expression& e);
inline bool has_custom_latex(const Expression& e) { return custom_latex_of(e) != nullptr; }
// The settable custom LaTeX text of the node, or null for literals and subscripts.
OptText* custom_latex_slot(Expression& e);

// Whether a decision variable occurs in the expression (subscripts count only
// through their variable; reductions only through their operand; unary nodes
// never, since their builders refuse one).
bool contains_decision_var(const Expression& e);

// Display names used in messages.
const char* decision_var_kind_name(DecisionVarKind kind);  // "Binary", ...

}  // namespace forvela
