#include "analysis/replace.hpp"

#include <bit>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "model/depth_guard.hpp"
#include "model/expression/equality.hpp"
#include "model/expression/expression.hpp"
#include "model/expression/operand/array_length.hpp"
#include "model/expression/operand/decision_var/decision_var.hpp"
#include "model/expression/operand/element.hpp"
#include "model/expression/operand/placeholder.hpp"
#include "model/expression/operand/subscript.hpp"
#include "model/expression/operator/reduction_op.hpp"
#include "model/expression/operator/unary_op.hpp"
#include "model/result_macros.hpp"

namespace forvela {

// Every walk below reads a node through a handle that keeps its cell alive,
// and takes a handle of its own to each part before walking it: an offer runs
// foreign code that may build on the very cells of the tree (a sum extended
// from a term list appends to its buffer, which may move the items).

namespace {

Result<Expression> replace_parts(Replacer& r, const Expression& e);

// Whether a part came back as the very value it was: the same cell, or a
// literal of the same type and bits. A node whose parts all came back so
// and that has no LaTeX text of its own to lose is kept as it is, shared, so
// a tree with shared subtrees comes back with them shared.
bool same_part(const Expression& before, const Expression& after) {
    if (before.same_cell(after)) return true;
    if (!before.is<NumericValue>() || !after.is<NumericValue>()) return false;
    const NumericValue& a = before.as<NumericValue>();
    const NumericValue& b = after.as<NumericValue>();
    if (a.tag != b.tag) return false;
    return a.is_integer()
               ? a.integer == b.integer
               : std::bit_cast<std::uint64_t>(a.floating) == std::bit_cast<std::uint64_t>(b.floating);
}

template <class T>
bool same_alternative(const T& before, const T& after) {
    return before.index() == after.index() &&
           std::visit(
               [&](const auto& box) { return box.same_cell(std::get<std::decay_t<decltype(box)>>(after)); },
               before);
}

// The items of a list of parts (a term list, a subscript list) in order.
template <class List>
std::vector<Expression> items_of(const List& list) {
    std::vector<Expression> out;
    out.reserve(list.size());
    for (const Expression& item : list) out.push_back(item);
    return out;
}

// Every item of `list` through replace_expression, in order, stopping at the
// first error. Whether any came back changed; only then does `out` hold the
// new list (so an unchanged list is never copied).
template <class List>
Result<bool> replace_expressions(Replacer& r, const List& list, std::vector<Expression>& out) {
    const std::size_t n = list.size();
    bool changed = false;
    for (std::size_t k = 0; k < n; ++k) {
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): the offer may move the items
        Expression item = list[k];
        FV_ASSIGN_OR_RETURN(Expression replaced, replace_expression(r, item));
        if (!changed) {
            if (same_part(item, replaced)) continue;
            changed = true;
            out.reserve(n);
            for (std::size_t j = 0; j < k; ++j) out.push_back(list[j]);
        }
        out.push_back(std::move(replaced));
    }
    return changed;
}

Result<SubscriptedVariable> replace_subscripted_variable(Replacer& r, const SubscriptedVariable& v) {
    if (const auto* p = std::get_if<Box<Placeholder>>(&v)) {
        FV_ASSIGN_OR_RETURN(Box<Placeholder> got, r.offer_placeholder(*p));
        return placeholder_into_subscripted_variable(std::move(got));
    }
    if (const auto* e = std::get_if<Box<Element>>(&v)) {
        FV_ASSIGN_OR_RETURN(Box<Element> got, r.offer_element(*e));
        return element_into_subscripted_variable(std::move(got));
    }
    if (const auto* d = std::get_if<Box<DecisionVar>>(&v)) {
        FV_ASSIGN_OR_RETURN(Box<DecisionVar> got, r.offer_decision_var(*d));
        return decision_var_into_subscripted_variable(std::move(got));
    }
    // Creating a subscript flattens a subscripted subscript away.
    return fail(ErrorKind::Internal, "Subscripted variable with subscript is not supported");
}

// Whether creating `s` again from its own parts would pass every check and
// give `s` itself.
bool subscript_stands(const Subscript& s) {
    if (s.ndim() != 0 || s.subscripts.empty() || s.variable.is<Subscript>()) return false;
    for (const Expression& item : s.subscripts)
        if (contains_decision_var(item)) return false;
    return true;
}

Result<Expression> replace_in_subscript(Replacer& r, const Expression& node) {
    const Subscript& s = node.as<Subscript>();
    SubscriptedVariable old_variable = s.variable;
    FV_ASSIGN_OR_RETURN(SubscriptedVariable variable, replace_subscripted_variable(r, old_variable));
    std::vector<Expression> subscripts;
    FV_ASSIGN_OR_RETURN(bool changed, replace_expressions(r, s.subscripts, subscripts));
    if (!changed) {
        if (same_alternative(old_variable, variable) && subscript_stands(s)) return node;
        subscripts = items_of(s.subscripts);
    }
    FV_ASSIGN_OR_RETURN(subscripts, check_subscripts(std::move(subscripts)));
    FV_ASSIGN_OR_RETURN(Subscript created, make_subscript(std::move(variable), std::move(subscripts)));
    return subscript_into_expression(Box<Subscript>(std::move(created)));
}

Result<ArrayOperand> replace_array(Replacer& r, const ArrayOperand& array) {
    if (const auto* p = std::get_if<Box<Placeholder>>(&array)) {
        FV_ASSIGN_OR_RETURN(Box<Placeholder> got, r.offer_placeholder(*p));
        return placeholder_into_array_operand(std::move(got));
    }
    if (const auto* e = std::get_if<Box<Element>>(&array)) {
        FV_ASSIGN_OR_RETURN(Box<Element> got, r.offer_element(*e));
        return element_into_array_operand(std::move(got));
    }
    FV_ASSIGN_OR_RETURN(Box<Subscript> got, r.offer_subscript(std::get<Box<Subscript>>(array)));
    return subscript_into_array_operand(std::move(got));
}

Result<Expression> replace_in_array_length(Replacer& r, const Expression& node) {
    const ArrayLength& length = node.as<ArrayLength>();
    ArrayOperand old_array = length.array;
    std::uint64_t axis = length.axis;
    FV_ASSIGN_OR_RETURN(ArrayOperand array, replace_array(r, old_array));
    // An unchanged array keeps the node as it was, its texts included.
    if (equal(array, old_array)) return node;
    FV_ASSIGN_OR_RETURN(ArrayLength created,
                        make_array_length(std::move(array), axis, std::nullopt, std::nullopt));
    return Expression(std::move(created));
}

Result<Expression> replace_in_unary_op(Replacer& r, const Expression& node) {
    const UnaryOp& op = node.as<UnaryOp>();
    Expression old_operand = *op.operand;
    FV_ASSIGN_OR_RETURN(Expression operand, replace_expression(r, old_operand));
    // The builder's check holds for the node kept as it is too.
    if (!op.latex && same_part(old_operand, operand) && !contains_decision_var(operand)) return node;
    return make_unary_op(op.kind, std::move(operand));
}

Result<Expression> replace_in_binary_op(Replacer& r, const Expression& node) {
    const BinaryOp& op = node.as<BinaryOp>();
    Expression old_left = *op.left;
    Expression old_right = *op.right;
    FV_ASSIGN_OR_RETURN(Expression left, replace_expression(r, old_left));
    FV_ASSIGN_OR_RETURN(Expression right, replace_expression(r, old_right));
    if (!op.latex && same_part(old_left, left) && same_part(old_right, right)) return node;
    return make_binary_op(op.kind, std::move(left), std::move(right));
}

Result<Expression> replace_in_commutative_op(Replacer& r, const Expression& node) {
    // The terms are reassembled as they stand: no folding, no flattening.
    const CommutativeOp& op = node.as<CommutativeOp>();
    std::vector<Expression> terms;
    FV_ASSIGN_OR_RETURN(bool changed, replace_expressions(r, op.terms, terms));
    if (!changed) {
        if (!op.latex) return node;
        terms = items_of(op.terms);
    }
    return Expression(CommutativeOp{std::nullopt, TermList(std::move(terms)), op.kind});
}

Result<Expression> replace_in_reduction_op(Replacer& r, const ReductionOp& op) {
    Box<Element> old_index = op.index;
    std::optional<ConditionalExpr> old_condition;
    if (op.condition) old_condition = **op.condition;
    Expression old_operand = *op.operand;
    ReductionOpKind kind = op.kind;

    FV_ASSIGN_OR_RETURN(Box<Element> index, r.offer_element(old_index));
    std::optional<ConditionalExpr> condition;
    if (old_condition) {
        FV_ASSIGN_OR_RETURN(ConditionalExpr c, replace_in_condition(r, *old_condition));
        condition = std::move(c);
    }
    FV_ASSIGN_OR_RETURN(Expression operand, replace_expression(r, old_operand));
    FV_ASSIGN_OR_RETURN(ReductionOp created,
                        make_reduction_op(kind, index.take(), std::move(condition), std::move(operand)));
    return Expression(std::move(created));
}

// A non-leaf node rebuilt from its parts, each replaced in turn.
Result<Expression> replace_parts(Replacer& r, const Expression& e) {
    switch (e.kind()) {
        case ExprKind::Subscript: return replace_in_subscript(r, e);
        case ExprKind::ArrayLength: return replace_in_array_length(r, e);
        case ExprKind::UnaryOp: return replace_in_unary_op(r, e);
        case ExprKind::BinaryOp: return replace_in_binary_op(r, e);
        case ExprKind::CommutativeOp: return replace_in_commutative_op(r, e);
        case ExprKind::ReductionOp: return replace_in_reduction_op(r, e.as<ReductionOp>());
        default: break;
    }
    return fail(ErrorKind::Internal, "a leaf has no parts to replace");
}

bool is_leaf(const Expression& e) {
    switch (e.kind()) {
        case ExprKind::NumberLit:
        case ExprKind::Placeholder:
        case ExprKind::Element:
        case ExprKind::DecisionVar: return true;
        default: return false;
    }
}

}  // namespace

Result<Expression> replace_expression(Replacer& r, const Expression& e) {
    // A leaf's offer nests no deeper than its parent's, which the parent's
    // guard has measured.
    if (is_leaf(e)) return r.offer(e);
    DepthGuard guard;
    auto offered = r.offer(e);
    if (offered) {
        if (!equal(*offered, e)) return std::move(*offered);
    } else {
        FV_TRY(r.set_aside(offered.error()));
    }
    return replace_parts(r, e);
}

Result<ConditionalExpr> replace_in_condition(Replacer& r, const ConditionalExpr& c) {
    DepthGuard guard;
    const ConditionalExpr& node = c;
    auto offered = r.offer_condition(node);
    if (offered) {
        if (!equal(*offered, node)) return std::move(*offered);
    } else {
        FV_TRY(r.set_aside(offered.error()));
    }
    if (node.is_comparison()) {
        const ComparisonOp& op = node.as<ComparisonOp>();
        Expression old_left = *op.left;
        Expression old_right = *op.right;
        ComparisonOpKind kind = op.kind;
        FV_ASSIGN_OR_RETURN(Expression left, replace_expression(r, old_left));
        FV_ASSIGN_OR_RETURN(Expression right, replace_expression(r, old_right));
        return compare(kind, std::move(left), std::move(right));
    }
    std::vector<ConditionalExpr> old_terms = node.as<LogicalOp>().terms;
    LogicalOpKind kind = node.as<LogicalOp>().kind;
    std::vector<ConditionalExpr> terms;
    terms.reserve(old_terms.size());
    for (const ConditionalExpr& t : old_terms) {
        FV_ASSIGN_OR_RETURN(ConditionalExpr replaced, replace_in_condition(r, t));
        terms.push_back(std::move(replaced));
    }
    return ConditionalExpr(LogicalOp{std::nullopt, std::move(terms), kind});
}

}  // namespace forvela
