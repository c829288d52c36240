// The children of a node, in order, for the walks that descend the tree.
#pragma once

#include <type_traits>
#include <variant>

#include "model/expression/expression.hpp"

namespace forvela {

// Calls f(child, in_shared_list) on each child expression of `e` and f(c) on
// each child condition, in order. An operand held in its own cell (an element,
// a subscripted variable, an array, a reduction's index) comes as an
// expression sharing that cell; a range set gives its two ends. The flag tells
// whether the child is a term of a list whose buffer other lists hold too
// (`may_meet_again`).
template <class F>
void for_each_child(const Expression& e, F&& f) {
    const auto operand = [&](const auto& held) {
        using V = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<V, Range>) {
            f(*held.start, false);
            f(*held.end, false);
        } else {
            f(Expression(V(held)), false);
        }
    };
    switch (e.kind()) {
        case ExprKind::NumberLit:
        case ExprKind::Placeholder: return;
        case ExprKind::Element: return std::visit(operand, e.as<Element>().belong_to);
        case ExprKind::DecisionVar:
            for (const Expression& s : e.as<DecisionVar>().shape) f(s, false);
            return;
        case ExprKind::Subscript: {
            const Subscript& s = e.as<Subscript>();
            std::visit(operand, s.variable.get());
            for (const Expression& sub : s.subscripts) f(sub, false);
            return;
        }
        case ExprKind::ArrayLength: return std::visit(operand, e.as<ArrayLength>().array);
        case ExprKind::UnaryOp: return f(*e.as<UnaryOp>().operand, false);
        case ExprKind::BinaryOp:
            f(*e.as<BinaryOp>().left, false);
            f(*e.as<BinaryOp>().right, false);
            return;
        case ExprKind::CommutativeOp: {
            const TermList& terms = e.as<CommutativeOp>().terms;
            const bool shared_list = terms.buffer_shared();
            for (const Expression& t : terms) f(t, shared_list);
            return;
        }
        case ExprKind::ReductionOp: {
            const ReductionOp& r = e.as<ReductionOp>();
            operand(r.index);
            if (r.condition) f(**r.condition);
            f(*r.operand, false);
            return;
        }
    }
}

// Calls f(child, false) on each side of a comparison, f(c) on each term of a
// logical condition.
template <class F>
void for_each_child(const ConditionalExpr& c, F&& f) {
    if (c.is_comparison()) {
        f(*c.as<ComparisonOp>().left, false);
        f(*c.as<ComparisonOp>().right, false);
        return;
    }
    for (const ConditionalExpr& t : c.as<LogicalOp>().terms) f(t);
}

}  // namespace forvela
