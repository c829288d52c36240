#include "model/problem/constraint.hpp"

#include "model/expression/expression.hpp"
#include "model/result_macros.hpp"

namespace forvela {

Result<ConstraintSense> constraint_sense_of(const ConditionalExpr& condition) {
    if (condition.is_comparison()) {
        switch (condition.as<ComparisonOp>().kind) {
            case ComparisonOpKind::Equal: return ConstraintSense::Equal;
            case ComparisonOpKind::LessThanEqual: return ConstraintSense::LessThanEqual;
            case ComparisonOpKind::GreaterThanEqual: return ConstraintSense::GreaterThanEqual;
            default: break;
        }
    }
    return modeling_error(
        "Invalid constraint -- conditional must be a valid equality or non-strict inequality (==, >=, or "
        "<= only)");
}

Result<Constraint> make_constraint(std::string name, Expression left, Expression right, ConstraintSense sense,
                                   ForallList forall) {
    if (!contains_decision_var(left) && !contains_decision_var(right))
        return modeling_error("expression does not contain a decision variable");
    return Constraint{std::move(name), sense, std::move(left), std::move(right), std::move(forall)};
}

Result<Constraint> constraint_from_condition(std::string name, const ConditionalExpr& condition,
                                             ForallList forall) {
    {
        ElementUsage usage = element_usage_of(condition);
        FV_TRY(fit_forall(forall, usage));
    }
    FV_ASSIGN_OR_RETURN(ConstraintSense sense, constraint_sense_of(condition));
    const ComparisonOp& cmp = condition.as<ComparisonOp>();
    return make_constraint(std::move(name), *cmp.left, *cmp.right, sense, std::move(forall));
}

ConditionalExpr constraint_condition(const Constraint& c) {
    switch (c.sense) {
        case ConstraintSense::Equal: return compare(ComparisonOpKind::Equal, c.left, c.right);
        case ConstraintSense::LessThanEqual: return compare(ComparisonOpKind::LessThanEqual, c.left, c.right);
        case ConstraintSense::GreaterThanEqual:
            return compare(ComparisonOpKind::GreaterThanEqual, c.left, c.right);
    }
    __builtin_unreachable();
}

}  // namespace forvela
