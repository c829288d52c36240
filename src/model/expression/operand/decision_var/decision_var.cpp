#include "model/expression/cell_memo.hpp"
#include "model/expression/operand/decision_var/decision_var.hpp"

#include <cmath>

#include "model/depth_guard.hpp"
#include "model/expression/expression.hpp"
#include "model/result_macros.hpp"
#include "model/overloaded.hpp"

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
    return modeling_error(std::string("the number of dimensions of a ") + (upper ? "upper" : "lower") +
                          " bound (= " + std::to_string(b) + ") must be equal to zero or the number of " +
                          bound_noun(kind, upper) + " (= " + std::to_string(ndim) + ")");
}

// The cells already found to hold no decision variable: a shared subtree of a
// shape is looked through once, however often it occurs.
using FreeCells = CellMemo<char>;

const std::string* decision_var_in(const ConditionalExpr& c, FreeCells& free);
const std::string* decision_var_in_node(const Expression& e, FreeCells& free);

// The name of the first decision variable anywhere in `e`, or null.
const std::string* decision_var_in(const Expression& e, FreeCells& free) {
    const NodeBase* cell = e.cell_key();
    if (!cell) return nullptr;  // a literal
    if (free.find({cell})) return nullptr;
    const std::string* name = decision_var_in_node(e, free);
    if (!name) free.insert({cell}, 1);
    return name;
}

const std::string* decision_var_in_node(const Expression& e, FreeCells& free) {
    DepthGuard guard;
    switch (e.kind()) {
        case ExprKind::DecisionVar: return &e.as<DecisionVar>().name;
        case ExprKind::Subscript: {
            // Subscripts never hold one; the variable, maybe nested, may be one.
            const Subscript* s = &e.as<Subscript>();
            while (const auto* nested = s->variable.if_is<Subscript>()) s = nested;
            if (const auto* var = s->variable.if_is<DecisionVar>()) return &var->name;
            return nullptr;
        }
        case ExprKind::UnaryOp: return decision_var_in(*e.as<UnaryOp>().operand, free);
        case ExprKind::BinaryOp: {
            const auto& op = e.as<BinaryOp>();
            if (const std::string* name = decision_var_in(*op.left, free)) return name;
            return decision_var_in(*op.right, free);
        }
        case ExprKind::CommutativeOp:
            for (const auto& t : e.as<CommutativeOp>().terms)
                if (const std::string* name = decision_var_in(t, free)) return name;
            return nullptr;
        case ExprKind::ReductionOp: {
            const auto& r = e.as<ReductionOp>();
            if (r.condition)
                if (const std::string* name = decision_var_in(**r.condition, free)) return name;
            return decision_var_in(*r.operand, free);
        }
        case ExprKind::NumberLit:
        case ExprKind::Placeholder:
        case ExprKind::Element:
        case ExprKind::ArrayLength: return nullptr;
    }
    return nullptr;
}

const std::string* decision_var_in(const ConditionalExpr& c, FreeCells& free) {
    DepthGuard guard;
    const NodeBase* cell = c.cell_key();
    if (cell && free.find({cell})) return nullptr;
    const std::string* found = nullptr;
    if (c.is_comparison()) {
        const auto& cmp = c.as<ComparisonOp>();
        found = decision_var_in(*cmp.left, free);
        if (!found) found = decision_var_in(*cmp.right, free);
    } else {
        for (const auto& t : c.as<LogicalOp>().terms) {
            found = decision_var_in(t, free);
            if (found) break;
        }
    }
    if (!found && cell) free.insert({cell}, 1);
    return found;
}

bool is_size(const NumericValue& v) {
    if (v.is_integer()) return v.integer >= 0;
    return std::isfinite(v.floating) && v.floating >= 0 && std::trunc(v.floating) == v.floating;
}

}  // namespace

Result<void> check_shape(DecisionVarKind kind, const std::string& name,
                         const std::vector<Expression>& shape) {
    auto where = [&](std::size_t axis) {
        return "the size of axis " + std::to_string(axis) + " of the " + decision_var_kind_name(kind) +
               "Var { name: " + name + " }";
    };
    for (std::size_t axis = 0; axis < shape.size(); ++axis) {
        const Expression& size = shape[axis];
        if (size.is<NumericValue>() && !is_size(size.as<NumericValue>()))
            return fail(ErrorKind::ValueError, where(axis) + " must be a non-negative integer, but is " +
                                                   numeric_text(size.as<NumericValue>()));
        FreeCells free;
        if (const std::string* var = decision_var_in(size, free))
            return modeling_error(where(axis) + " contains the decision variable " + *var);
    }
    return {};
}

DecisionVarBound binary_var_lower_bound() { return Box<Expression>(Expression(NumericValue::of_integer(0))); }

DecisionVarBound binary_var_upper_bound() { return Box<Expression>(Expression(NumericValue::of_integer(1))); }

Result<DecisionVar> make_binary_var(std::string name, std::vector<Expression> shape, OptText latex,
                                    OptText description) {
    FV_TRY(check_shape(DecisionVarKind::Binary, name, shape));
    return DecisionVar{DecisionVarKind::Binary,  std::move(name),          std::move(shape),
                       binary_var_lower_bound(), binary_var_upper_bound(), std::move(latex),
                       std::move(description)};
}

Result<DecisionVar> make_bounded_var(DecisionVarKind kind, std::string name, std::vector<Expression> shape,
                                     DecisionVarBound lower, DecisionVarBound upper, OptText latex,
                                     OptText description) {
    FV_TRY(check_shape(kind, name, shape));
    std::uint64_t ndim = shape.size();
    FV_TRY(check_bound(kind, lower, false, ndim));
    FV_TRY(check_bound(kind, upper, true, ndim));
    return DecisionVar{kind,
                       std::move(name),
                       std::move(shape),
                       std::move(lower),
                       std::move(upper),
                       std::move(latex),
                       std::move(description)};
}

DecisionVarBound bound_from_expression(Expression e) { return Box<Expression>(std::move(e)); }

Result<DecisionVarBound> bound_from_placeholder(Placeholder p) {
    if (p.ndim == 0) return modeling_error("the placeholder is a scalar");
    return DecisionVarBound(std::move(p));
}

Result<DecisionVarBound> bound_from_subscript(Subscript s) {
    if (s.ndim() == 0) return modeling_error("the subscripted variable is a scalar");
    if (!s.variable.is<Placeholder>())
        return modeling_error(
            "only a subscripted placeholder can be used as the bound of a decision variable");
    return DecisionVarBound(Box<Subscript>(std::move(s)));
}

std::uint64_t decision_var_bound_ndim(const DecisionVarBound& bound) {
    return std::visit(overloaded{
                          [](const Box<Expression>&) -> std::uint64_t { return 0; },
                          [](const auto& b) -> std::uint64_t { return ndim_of(*b); },
                      },
                      bound);
}

Result<Expression> decision_var_into_expression(Box<DecisionVar> v) {
    if (!v->shape.empty())
        return modeling_error(std::string("the dimensionality of the ") + decision_var_kind_name(v->kind) +
                              "Var { name: " + v->name + " } must be zero, but is actually " +
                              std::to_string(v->shape.size()));
    return Expression(std::move(v));
}

Result<SubscriptedVariable> decision_var_into_subscripted_variable(Box<DecisionVar> v) {
    if (v->shape.empty())
        return modeling_error(std::string("the scalar `") + decision_var_kind_name(v->kind) +
                              "Var { name: " + v->name + " }` is not subscriptable");
    return SubscriptedVariable(std::move(v));
}

}  // namespace forvela
