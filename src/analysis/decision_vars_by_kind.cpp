#include "analysis/decision_vars_by_kind.hpp"

#include "model/depth_guard.hpp"

namespace forvela {

void collect_decision_vars_by_kind_in_subscript(DecisionVarSets& sets, const Subscript& s) {
    DepthGuard guard;
    if (const auto* var = s.variable.if_is<DecisionVar>())
        insert_decision_var_by_kind(sets, *var);
    else if (const auto* nested = s.variable.if_is<Subscript>())
        collect_decision_vars_by_kind_in_subscript(sets, *nested);
    for (const Expression& sub : s.subscripts) collect_decision_vars_by_kind(sets, sub);
}

void collect_decision_vars_by_kind_in_conditional_expr(DecisionVarSets& sets, const ConditionalExpr& c) {
    DepthGuard guard;
    if (c.is_comparison()) {
        collect_decision_vars_by_kind(sets, *c.as<ComparisonOp>().left);
        collect_decision_vars_by_kind(sets, *c.as<ComparisonOp>().right);
        return;
    }
    for (const ConditionalExpr& t : c.as<LogicalOp>().terms)
        collect_decision_vars_by_kind_in_conditional_expr(sets, t);
}

void collect_decision_vars_by_kind(DecisionVarSets& sets, const Expression& e) {
    DepthGuard guard;
    switch (e.kind()) {
        case ExprKind::NumberLit:
        case ExprKind::Placeholder:
        case ExprKind::Element:
        case ExprKind::ArrayLength: return;
        case ExprKind::DecisionVar: insert_decision_var_by_kind(sets, e.as<DecisionVar>()); return;
        case ExprKind::Subscript: collect_decision_vars_by_kind_in_subscript(sets, e.as<Subscript>()); return;
        case ExprKind::UnaryOp: collect_decision_vars_by_kind(sets, *e.as<UnaryOp>().operand); return;
        case ExprKind::BinaryOp:
            collect_decision_vars_by_kind(sets, *e.as<BinaryOp>().left);
            collect_decision_vars_by_kind(sets, *e.as<BinaryOp>().right);
            return;
        case ExprKind::CommutativeOp:
            for (const Expression& t : e.as<CommutativeOp>().terms) collect_decision_vars_by_kind(sets, t);
            return;
        case ExprKind::ReductionOp: {
            const ReductionOp& r = e.as<ReductionOp>();
            if (r.condition) collect_decision_vars_by_kind_in_conditional_expr(sets, **r.condition);
            collect_decision_vars_by_kind(sets, *r.operand);
            return;
        }
    }
}

}  // namespace forvela
