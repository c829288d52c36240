// The printer: one walker for the str, repr and LaTeX forms of every
// expression and condition. A stack of the tags of the nodes being printed
// decides where parentheses go; the walk writes straight into one output buffer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "analysis/node_class.hpp"
#include "model/expression/display.hpp"
#include "model/expression/expression.hpp"

namespace forvela {

enum class PrintMode : std::uint8_t { Str = 0, Repr = 1, Latex = 2 };

struct Printer {
    explicit Printer(PrintMode m) : mode(m) {}

    std::vector<NodeTag> stack;  // the nodes being printed, innermost last
    std::string out;
    PrintMode mode;

    bool latex() const { return mode == PrintMode::Latex; }
    void push(NodeTag node) { stack.push_back(node); }
    void pop() {
        if (!stack.empty()) stack.pop_back();
    }
    Printer& operator<<(std::string_view text) {
        out += text;
        return *this;
    }
};

// A child expression: its custom LaTeX text when set, otherwise its form,
// parenthesised by the precedence of the parent on top of the stack.
void print_expression(Printer& p, const Expression& e);
// The node's own form, with no parentheses and no stack change.
void print_expression_node(Printer& p, const Expression& e);
void print_condition(Printer& p, const ConditionalExpr& c);

void print_number_lit(Printer& p, const NumericValue& v);
void print_placeholder(Printer& p, const Placeholder& v);
void print_element(Printer& p, const Element& v);
void print_decision_var(Printer& p, const DecisionVar& v);
void print_subscript(Printer& p, const Subscript& v);
void print_array_length(Printer& p, const ArrayLength& v);
void print_unary_op(Printer& p, const UnaryOp& v);
void print_binary_op(Printer& p, const BinaryOp& v);
void print_commutative_op(Printer& p, const CommutativeOp& v);
void print_reduction_op(Printer& p, const ReductionOp& v);
void print_comparison(Printer& p, const ComparisonOp& v);
void print_logical_op(Printer& p, const LogicalOp& v);

// Entries: the node is the root of a fresh printer and is never parenthesised.
std::string render(const NumericValue& v, PrintMode mode);
std::string render(const Placeholder& v, PrintMode mode);
std::string to_latex(const Placeholder& v);

// The generic entry: the root's custom LaTeX text is used in every mode, and a
// root power or modulo is parenthesised.
std::string render(const Expression& e, PrintMode mode);
std::string to_text(const Expression& e);
std::string to_repr(const Expression& e);
std::string to_latex(const Expression& e);

// "[" + each expression in str form joined by ", " + "]".
void fmt_expression_list(std::string& out, std::span<const Expression> list);

// "$$\displaystyle " + text + "$$", the notebook form.
std::string wrap_latex(std::string_view text);

}  // namespace forvela

// ---- operator and condition entries ----
namespace forvela {

std::string render(const UnaryOp& v, PrintMode mode);
std::string render(const BinaryOp& v, PrintMode mode);
std::string render(const CommutativeOp& v, PrintMode mode);
std::string render(const ReductionOp& v, PrintMode mode);
std::string render(const ComparisonOp& v, PrintMode mode);
std::string render(const LogicalOp& v, PrintMode mode);
std::string render(const ConditionalExpr& c, PrintMode mode);

// The node `v` printed by `print` as the root of a fresh printer.
template <class T>
std::string render_root(const T& v, PrintMode mode, void (*print)(Printer&, const T&)) {
    Printer p(mode);
    p.push(node_tag(v));
    print(p, v);
    return std::move(p.out);
}

// The root's custom LaTeX text when set, else its LaTeX render (the to_latex
// wrappers of every node with a LaTeX text of its own).
template <class T>
std::string node_to_latex(const T& v, std::string (*render_as)(const T&, PrintMode)) {
    if (v.latex) return *v.latex;
    return render_as(v, PrintMode::Latex);
}

}  // namespace forvela

// ---- operand entries and text forms (operand_forms.cpp) ----
namespace forvela {

std::string render(const Element& v, PrintMode mode);
std::string to_text(const Element& v);
std::string to_latex(const Element& v);

std::string render(const DecisionVar& v, PrintMode mode);
std::string to_text(const DecisionVar& v);
std::string to_repr(const DecisionVar& v);
std::string to_latex(const DecisionVar& v);

std::string render(const Subscript& v, PrintMode mode);
std::string to_latex(const Subscript& v);

std::string render(const ArrayLength& v, PrintMode mode);
std::string to_latex(const ArrayLength& v);

// `Range.__str__`: "[" start ".." end ")"; `Range.__repr__`: "(" start ", " end
// ")"; both ends through the generic entries.
std::string to_text(const Range& r);
std::string to_repr(const Range& r);

// Parts of the forms that other printers print directly.
void print_repr_optional_fields(Printer& p, const OptText& latex, const OptText& description);
void print_var_bound(Printer& p, const DecisionVarBound& bound);
void print_array_operand(Printer& p, const ArrayOperand& array);

}  // namespace forvela
