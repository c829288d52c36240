// The str, repr and LaTeX forms of the operator kinds and the conditions.
#include <cmath>
#include <optional>

#include "model/error.hpp"
#include "model/expression/expression.hpp"
#include "model/overloaded.hpp"
#include "print/printer.hpp"

namespace forvela {

namespace {

bool is_literal(const Expression& e) { return e.kind() == ExprKind::NumberLit; }

// A literal shown as a subtraction in a sum: its sign bit is set and it is
// not a NaN (a NaN has no sign worth printing).
bool is_negative_number(const NumericValue& v) {
    return v.sign_bit() && !(!v.is_integer() && std::isnan(v.floating));
}

bool is_mul(const Expression& e) {
    return e.kind() == ExprKind::CommutativeOp && e.as<CommutativeOp>().kind == CommutativeOpKind::Mul;
}

std::optional<NumericValue> leading_number(const Expression& mul) {
    const auto& terms = mul.as<CommutativeOp>().terms;
    if (terms.empty() || !is_literal(terms.front())) return std::nullopt;
    return terms.front().as<NumericValue>();
}

// Terms `from` .. the end of `terms`, joined by `sep`.
void print_joined(Printer& p, const TermList& terms, std::size_t from, std::string_view sep) {
    for (std::size_t i = from; i < terms.size(); ++i) {
        if (i != from) p << sep;
        print_expression(p, terms[i]);
    }
}

const char* mul_separator(const Printer& p) { return p.latex() ? " \\cdot " : " * "; }

// The factors of a product: a first factor of exactly -1 becomes "- ".
void print_mul_terms(Printer& p, const TermList& terms, std::size_t from) {
    if (from >= terms.size()) throw InternalFailure("index out of bounds: the len is 0 but the index is 0");
    const Expression& first = terms[from];
    if (is_literal(first) && first.as<NumericValue>().is_minus_one()) {
        p << "- ";
        ++from;
    }
    print_joined(p, terms, from, mul_separator(p));
}

// The number text without its leading minus sign.
void append_unsigned_text(Printer& p, const NumericValue& v) {
    std::string text = numeric_text(v);
    if (!text.empty() && text.front() == '-') text.erase(0, 1);
    p << text;
}

// Turns the " + " written after the previous term into " - ", or starts a
// first term with "- ".
void begin_subtraction(Printer& p, bool first_term) {
    if (!first_term && p.out.size() >= 2 && p.out.compare(p.out.size() - 2, 2, "+ ") == 0)
        p.out.resize(p.out.size() - 2);
    p << "- ";
}

// The rest of a product written as a subtraction: the coefficient (when it is
// not -1) and the remaining factors under the product's own pair.
void print_negated_product(Printer& p, const CommutativeOp& mul, bool show_number) {
    const auto& number = mul.terms.front().as<NumericValue>();
    if (show_number) {
        append_unsigned_text(p, number);
        p << mul_separator(p);
    }
    p.push(tag_of(NodeClass::MulOp));
    print_mul_terms(p, mul.terms, 1);
    p.pop();
}

void print_sum_term(Printer& p, const Expression& t, bool first_term) {
    if (p.mode == PrintMode::Repr) {
        if (is_mul(t)) {
            std::optional<NumericValue> n = leading_number(t);
            if (n && n->is_minus_one()) {
                begin_subtraction(p, first_term);
                print_negated_product(p, t.as<CommutativeOp>(), false);
                return;
            }
        }
        print_expression(p, t);
        return;
    }
    if (p.latex() && has_custom_latex(t)) {
        print_expression(p, t);
        return;
    }
    if (is_literal(t) && is_negative_number(t.as<NumericValue>())) {
        begin_subtraction(p, first_term);
        append_unsigned_text(p, t.as<NumericValue>());
        return;
    }
    if (is_mul(t)) {
        std::optional<NumericValue> n = leading_number(t);
        if (n && is_negative_number(*n)) {
            begin_subtraction(p, first_term);
            print_negated_product(p, t.as<CommutativeOp>(), !n->is_minus_one());
            return;
        }
    }
    print_expression(p, t);
}

}  // namespace

void print_unary_op(Printer& p, const UnaryOp& v) {
    bool latex = p.latex();
    const char* open = "";
    const char* close = "";
    switch (v.kind) {
        case UnaryOpKind::Abs:
            open = latex ? "\\left| " : p.mode == PrintMode::Repr ? "abs(" : "|";
            close = latex ? " \\right|" : p.mode == PrintMode::Repr ? ")" : "|";
            break;
        case UnaryOpKind::Ceil:
            open = latex ? "\\left\\lceil " : "ceil(";
            close = latex ? " \\right\\rceil" : ")";
            break;
        case UnaryOpKind::Floor:
            open = latex ? "\\left\\lfloor " : "floor(";
            close = latex ? " \\right\\rfloor" : ")";
            break;
        case UnaryOpKind::Ln:
            open = latex ? "\\ln " : "ln(";
            close = latex ? "" : ")";
            break;
        case UnaryOpKind::Log10:
            open = latex ? "\\log_{10} " : "log10(";
            close = latex ? "" : ")";
            break;
        case UnaryOpKind::Log2:
            open = latex ? "\\log_{2} " : "log2(";
            close = latex ? "" : ")";
            break;
    }
    p << open;
    print_expression(p, *v.operand);
    p << close;
}

void print_binary_op(Printer& p, const BinaryOp& v) {
    // "-5 ** N" would read as -(5 ** N): a negative literal base is
    // parenthesised in str (repr shows the literal whole, LaTeX always wraps it).
    bool wrap_base = v.kind == BinaryOpKind::Pow && p.mode == PrintMode::Str && is_literal(*v.left) &&
                     is_negative_number(v.left->as<NumericValue>());
    if (wrap_base) p << "(";
    print_expression(p, *v.left);
    if (wrap_base) p << ")";
    if (v.kind == BinaryOpKind::Pow) {
        if (p.latex()) {
            p << "^{";
            p.push(tag_of(NodeClass::NumberLit));
            print_expression(p, *v.right);
            p.pop();
            p << "}";
            return;
        }
        p << " ** ";
    } else {
        p << (p.latex() ? " \\bmod " : " % ");
    }
    print_expression(p, *v.right);
}

void print_commutative_op(Printer& p, const CommutativeOp& v) {
    const TermList& terms = v.terms;
    switch (v.kind) {
        case CommutativeOpKind::Add:
            for (std::size_t i = 0; i < terms.size(); ++i) {
                print_sum_term(p, terms[i], i == 0);
                if (i + 1 != terms.size()) p << " + ";
            }
            break;
        case CommutativeOpKind::Mul: print_mul_terms(p, terms, 0); break;
        case CommutativeOpKind::Min:
        case CommutativeOpKind::Max: {
            bool min = v.kind == CommutativeOpKind::Min;
            if (p.latex())
                p << (min ? "\\min\\left(" : "\\max\\left(");
            else
                p << (min ? "min(" : "max(");
            print_joined(p, terms, 0, ", ");
            p << (p.latex() ? "\\right)" : ")");
            break;
        }
    }
}

namespace {

const std::string& subscripted_name(const SubscriptedVariable& v) {
    return std::visit(overloaded{[](const Box<Subscript>& s) -> const std::string& {
                                     return subscripted_name(s->variable);
                                 },
                                 [](const auto& named) -> const std::string& { return named->name; }},
                      v);
}

// The set of a reduction's index in str mode: "[start..end)", a name, or a
// subscript's name with its subscript list.
void append_set_text(std::string& out, const ElementBelongTo& set) {
    std::visit(overloaded{[&](const Range& range) {
                              out += "[";
                              out += to_text(*range.start);
                              out += "..";
                              out += to_text(*range.end);
                              out += ")";
                          },
                          [&](const Box<Placeholder>& v) { out += v->name; },
                          [&](const Box<Element>& v) { out += v->name; },
                          [&](const Box<Subscript>& sub) {
                              out += subscripted_name(sub->variable);
                              fmt_expression_list(out, sub->subscripts);
                          }},
               set);
}

void print_reduction_latex(Printer& p, const ReductionOp& v) {
    const Element& index = *v.index;
    p << (v.kind == ReductionOpKind::Sum ? "\\sum_" : "\\prod_") << "{";
    if (v.condition) p << "\\substack{";
    p << index.name;
    if (const auto* range = std::get_if<Range>(&index.belong_to)) {
        p << " = ";
        print_expression(p, *range->start);
        if (v.condition) {
            p << "\\\\";
            print_condition(p, **v.condition);
            p << "}";
        }
        p << "}^{";
        Expression upper = subtract(*range->end, Expression(NumericValue::of_integer(1)));
        p.push(tag_of(NodeClass::NumberLit));
        print_expression(p, upper);
        p.pop();
        p << "}";
    } else {
        p << " \\in ";
        std::visit(overloaded{[](const Range&) {}, [&](const Box<Placeholder>& set) { p << set->name; },
                              [&](const Box<Element>& set) { p << set->name; },
                              [&](const Box<Subscript>& set) { print_subscript(p, *set); }},
                   index.belong_to);
        if (v.condition) {
            p << "\\\\";
            print_condition(p, **v.condition);
            p << "}}";
        } else {
            p << "}";
        }
    }
    p << " ";
    print_expression(p, *v.operand);
}

}  // namespace

void print_reduction_op(Printer& p, const ReductionOp& v) {
    if (p.latex()) return print_reduction_latex(p, v);
    p << (v.kind == ReductionOpKind::Sum ? "sum(" : "prod(");
    if (p.mode == PrintMode::Str) {
        p << v.index->name << " in ";
        append_set_text(p.out, v.index->belong_to);
        if (v.condition) {
            p << " s.t. ";
            print_condition(p, **v.condition);
        }
    } else {
        print_element(p, *v.index);
        if (v.condition) {
            p << ", ";
            print_condition(p, **v.condition);
        }
    }
    p << ", ";
    print_expression(p, *v.operand);
    p << ")";
}

namespace {

const char* comparison_text(ComparisonOpKind kind, bool latex) {
    switch (kind) {
        case ComparisonOpKind::Equal: return latex ? " = " : " == ";
        case ComparisonOpKind::NotEqual: return latex ? " \\neq " : " != ";
        case ComparisonOpKind::LessThan: return " < ";
        case ComparisonOpKind::LessThanEqual: return latex ? " \\leq " : " <= ";
        case ComparisonOpKind::GreaterThan: return " > ";
        case ComparisonOpKind::GreaterThanEqual: return latex ? " \\geq " : " >= ";
    }
    __builtin_unreachable();
}

// The separator of the terms: str, repr and LaTeX.
const char* logical_text(LogicalOpKind kind, PrintMode mode) {
    const auto pick = [mode](const char* str, const char* repr, const char* latex) {
        return mode == PrintMode::Latex ? latex : mode == PrintMode::Repr ? repr : str;
    };
    switch (kind) {
        case LogicalOpKind::And: return pick(" and ", " & ", " \\land ");
        case LogicalOpKind::Or: return pick(" or ", " | ", " \\lor ");
        case LogicalOpKind::Xor: return pick(" xor ", " ^ ", " \\oplus ");
    }
    __builtin_unreachable();
}

}  // namespace

void print_comparison(Printer& p, const ComparisonOp& v) {
    print_expression(p, *v.left);
    p << comparison_text(v.kind, p.latex());
    print_expression(p, *v.right);
}

void print_logical_op(Printer& p, const LogicalOp& v) {
    const char* sep = logical_text(v.kind, p.mode);
    for (std::size_t i = 0; i < v.terms.size(); ++i) {
        if (i) p << sep;
        print_condition(p, v.terms[i]);
    }
}

// ---- entries ----

std::string render(const UnaryOp& v, PrintMode mode) { return render_root(v, mode, print_unary_op); }
std::string render(const BinaryOp& v, PrintMode mode) { return render_root(v, mode, print_binary_op); }
std::string render(const CommutativeOp& v, PrintMode mode) {
    return render_root(v, mode, print_commutative_op);
}
std::string render(const ReductionOp& v, PrintMode mode) { return render_root(v, mode, print_reduction_op); }
std::string render(const ComparisonOp& v, PrintMode mode) { return render_root(v, mode, print_comparison); }
std::string render(const LogicalOp& v, PrintMode mode) { return render_root(v, mode, print_logical_op); }
std::string render(const ConditionalExpr& c, PrintMode mode) {
    if (c.is_comparison()) return render(c.as<ComparisonOp>(), mode);
    return render(c.as<LogicalOp>(), mode);
}

}  // namespace forvela
