#include "model/expression/operand/decision_var/decision_var.hpp"
#include "model/expression/expression.hpp"
#include "model/result_macros.hpp"

namespace forvela {

namespace {

// How the bound messages name a variable of each bounded kind.
const char* bound_noun(DecisionVarKind kind, bool upper) {
    switch (kind) {
        case DecisionVarKind::Integer: return "an integer variable";
        case DecisionVarKind::Continuous: return "a continuous variable";
        case DecisionVarKind::SemiInteger:
            return upper ? "a semi-integer integer variable" : "a semi-integer variable";
        case DecisionVarKind::SemiContinuous: return "a semi-continuous variable";
        case DecisionVarKind::Binary: break;
    }
    return "a binary variable";
}

Result<void> check_bound(DecisionVarKind kind, const DecisionVarBound& bound, bool upper,
                         std::uint64_t ndim) {
    std::uint64_t b = decision_var_bound_ndim(bound);
    if (b == 0 || b == ndim) return {};
    return modeling_error(std::string("the number of dimensions of a ") +
                          (upper ? "upper" : "lower") + " bound (= " + std::to_string(b) +
                          ") must be equal to zero or the number of " + bound_noun(kind, upper) +
                          " (= " + std::to_string(ndim) + ")");
}

}  // namespace

DecisionVarBound binary_var_lower_bound() {
    return Box<Expression>(Expression(NumericValue::of_integer(0)));
}

DecisionVarBound binary_var_upper_bound() {
    return Box<Expression>(Expression(NumericValue::of_integer(1)));
}

DecisionVar make_binary_var(std::string name, std::vector<Expression> shape, OptText latex,
                           OptText description) {
    return DecisionVar{DecisionVarKind::Binary, std::move(name),     std::move(shape),
                       binary_var_lower_bound(), binary_var_upper_bound(), std::move(latex),
                       std::move(description)};
}

Result<DecisionVar> make_bounded_var(DecisionVarKind kind, std::string name,
                                    std::vector<Expression> shape, DecisionVarBound lower,
                                    DecisionVarBound upper, OptText latex, OptText description) {
    std::uint64_t ndim = shape.size();
    FV_TRY(check_bound(kind, lower, false, ndim));
    FV_TRY(check_bound(kind, upper, true, ndim));
    return DecisionVar{kind,           std::move(name),  std::move(shape),      std::move(lower),
                       std::move(upper), std::move(latex), std::move(description)};
}

DecisionVarBound bound_from_expression(Expression e) { return Box<Expression>(std::move(e)); }

Result<DecisionVarBound> bound_from_placeholder(Placeholder p) {
    if (p.ndim == 0) return modeling_error("the placeholder is a scalar");
    return DecisionVarBound(std::move(p));
}

Result<DecisionVarBound> bound_from_subscript(Subscript s) {
    if (s.ndim == 0) return modeling_error("the subscripted variable is a scalar");
    if (!std::holds_alternative<Box<Placeholder>>(s.variable))
        return modeling_error(
            "only a subscripted placeholder can be used as the bound of a decision variable");
    return DecisionVarBound(Box<Subscript>(std::move(s)));
}

std::uint64_t decision_var_bound_ndim(const DecisionVarBound& bound) {
    switch (bound.index()) {
        case 0: return 0;
        case 1: return (*std::get<Box<Placeholder>>(bound)).ndim;
        default: return std::get<Box<Subscript>>(bound)->ndim;
    }
}

Result<Expression> decision_var_into_expression(Box<DecisionVar> v) {
    if (!v->shape.empty())
        return modeling_error(std::string("the dimensionality of the ") +
                              decision_var_kind_name(v->kind) + "Var { name: " + v->name +
                              " } must be zero, but is actually " + std::to_string(v->shape.size()));
    return Expression(std::move(v));
}

Result<SubscriptedVariable> decision_var_into_subscripted_variable(Box<DecisionVar> v) {
    if (v->shape.empty())
        return modeling_error(std::string("the scalar `") + decision_var_kind_name(v->kind) +
                              "Var { name: " + v->name + " }` is not subscriptable");
    return SubscriptedVariable(std::move(v));
}

}  // namespace forvela
