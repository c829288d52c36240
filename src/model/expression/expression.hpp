// Every expression and condition value: the handles and the value types of
// all node kinds, with what applies to any node (visiting, custom LaTeX text,
// the decision-variable test).
#pragma once

#include "model/expression/handle.hpp"
#include "model/expression/operand/array_length.hpp"
#include "model/expression/operand/decision_var/decision_var.hpp"
#include "model/expression/operand/element.hpp"
#include "model/expression/operand/placeholder.hpp"
#include "model/expression/operand/range.hpp"
#include "model/expression/operand/subscript.hpp"
#include "model/expression/operator/binary_op.hpp"
#include "model/expression/operator/commutative_op.hpp"
#include "model/expression/operator/comparison_op.hpp"
#include "model/expression/operator/logical_op.hpp"
#include "model/expression/operator/reduction_op.hpp"
#include "model/expression/operator/unary_op.hpp"

namespace forvela {

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
bool condition_contains_decision_var(const ConditionalExpr& c);

// Display names used in messages.
const char* decision_var_kind_name(DecisionVarKind kind);  // "Binary", ...

}  // namespace forvela
