// The Expression value: one node of an expression tree, a tagged union of ten
// kinds, with the operand and operator value types it is made of and the
// ConditionalExpr conditions. Every tree is owned by exactly one holder and
// copied when another holder needs it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "model/expression/box.hpp"
#include "model/expression/operand/number_lit.hpp"

namespace forvela {

struct Expression;
struct ConditionalExpr;
struct Element;
struct Subscript;
struct DecisionVar;

using OptText = std::optional<std::string>;

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
using ElementBelongTo = std::variant<Range, Placeholder, Box<Element>, Box<Subscript>>;

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
using DecisionVarBound = std::variant<Box<Expression>, Placeholder, Box<Subscript>>;

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
    std::variant<Placeholder, Box<Element>, Box<DecisionVar>, Box<Subscript>>;

struct Subscript {
    SubscriptedVariable variable;
    std::vector<Expression> subscripts;
    std::uint64_t ndim = 0;
};

// The array of an ArrayLength: Placeholder, Element, Subscript.
using ArrayOperand = std::variant<Placeholder, Box<Element>, Box<Subscript>>;

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
    std::vector<Expression> terms;
    CommutativeOpKind kind;
};

struct ReductionOp {
    OptText latex;
    Box<Element> index;
    std::optional<Box<ConditionalExpr>> condition;
    Box<Expression> operand;
    ReductionOpKind kind;
};

enum class ExprKind : std::uint8_t {
    NumberLit = 0,
    Placeholder = 1,
    Element = 2,
    DecisionVar = 3,
    Subscript = 4,
    ArrayLength = 5,
    UnaryOp = 6,
    BinaryOp = 7,
    CommutativeOp = 8,
    ReductionOp = 9,
};

struct Expression {
    using Node = std::variant<NumericValue, Placeholder, Element, DecisionVar, Subscript,
                              ArrayLength, UnaryOp, BinaryOp, CommutativeOp, ReductionOp>;
    Node node;

    Expression(NumericValue v) : node(v) {}
    Expression(Placeholder v) : node(std::move(v)) {}
    Expression(Element v) : node(std::move(v)) {}
    Expression(DecisionVar v) : node(std::move(v)) {}
    Expression(Subscript v) : node(std::move(v)) {}
    Expression(ArrayLength v) : node(std::move(v)) {}
    Expression(UnaryOp v) : node(std::move(v)) {}
    Expression(BinaryOp v) : node(std::move(v)) {}
    Expression(CommutativeOp v) : node(std::move(v)) {}
    Expression(ReductionOp v) : node(std::move(v)) {}

    Expression(const Expression& other);
    Expression(Expression&&) noexcept = default;
    Expression& operator=(const Expression& other);
    Expression& operator=(Expression&&) noexcept = default;
    // Tears operator chains down with an explicit stack, never by recursion.
    ~Expression();

    ExprKind kind() const { return static_cast<ExprKind>(node.index()); }
    template <class T> bool is() const { return std::holds_alternative<T>(node); }
    template <class T> T& as() { return std::get<T>(node); }
    template <class T> const T& as() const { return std::get<T>(node); }
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

struct ConditionalExpr {
    using Node = std::variant<ComparisonOp, LogicalOp>;
    Node node;

    ConditionalExpr(ComparisonOp v) : node(std::move(v)) {}
    ConditionalExpr(LogicalOp v) : node(std::move(v)) {}
    ConditionalExpr(const ConditionalExpr& other);
    ConditionalExpr(ConditionalExpr&&) noexcept = default;
    ConditionalExpr& operator=(const ConditionalExpr& other);
    ConditionalExpr& operator=(ConditionalExpr&&) noexcept = default;
    ~ConditionalExpr();

    bool is_comparison() const { return node.index() == 0; }
};

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
