// The decision variables a problem's LaTeX table declares: every decision
// variable an expression or condition uses, sorted into the set of its kind.
#pragma once

#include "model/expression/operand/decision_var/decision_var_sets.hpp"

namespace forvela {

// Every decision variable the expression uses, into the set of its kind
// (shapes, bounds, element sets and reduction indices are not entered).
void collect_decision_vars_by_kind(DecisionVarSets& sets, const Expression& e);
void collect_decision_vars_by_kind_in_conditional_expr(DecisionVarSets& sets, const ConditionalExpr& c);
void collect_decision_vars_by_kind_in_subscript(DecisionVarSets& sets, const Subscript& s);

}  // namespace forvela
