#include "model/expression/operand/subscript.hpp"
#include "model/expression/expression.hpp"
#include "model/result_macros.hpp"

#include "model/expression/display.hpp"
#include "model/overloaded.hpp"

namespace forvela {

SubscriptVariable::SubscriptVariable(SubscriptedVariable v)
    : CellRef(std::visit([](auto& b) -> NodeBase* { return b.release(); }, v)) {}

SubscriptedVariable SubscriptVariable::get() const {
    switch (cell_->kind) {
        case NodeKind::Placeholder: return Box<Placeholder>::share(static_cast<Node<Placeholder>*>(cell_));
        case NodeKind::Element: return Box<Element>::share(static_cast<Node<Element>*>(cell_));
        case NodeKind::DecisionVar: return Box<DecisionVar>::share(static_cast<Node<DecisionVar>*>(cell_));
        default: return Box<Subscript>::share(static_cast<Node<Subscript>*>(cell_));
    }
}

std::size_t SubscriptVariable::index() const {
    switch (cell_->kind) {
        case NodeKind::Placeholder: return 0;
        case NodeKind::Element: return 1;
        case NodeKind::DecisionVar: return 2;
        default: return 3;
    }
}

std::uint64_t SubscriptVariable::ndim() const {
    if (const auto* p = if_is<Placeholder>()) return p->ndim;
    if (const auto* e = if_is<Element>()) return e->ndim;
    if (const auto* v = if_is<DecisionVar>()) return v->shape.size();
    return if_is<Subscript>()->ndim();
}

std::uint64_t subscripted_variable_ndim(const SubscriptedVariable& variable) {
    return std::visit(overloaded{
                          [](const Box<DecisionVar>& v) -> std::uint64_t { return v->shape.size(); },
                          [](const auto& b) -> std::uint64_t { return ndim_of(*b); },
                      },
                      variable);
}

Result<std::vector<Expression>> check_subscripts(std::vector<Expression> subscripts) {
    FV_TRY(check_subscript_list(subscripts));
    return subscripts;
}

Result<void> check_subscript_list(std::span<const Expression> subscripts) {
    if (subscripts.empty()) return modeling_error("the number of subscripts is zero");
    for (const auto& s : subscripts)
        if (contains_decision_var(s)) return modeling_error("a subscript contains a decision variable");
    return {};
}

Result<Subscript> make_subscript(SubscriptedVariable variable, std::vector<Expression> subscripts) {
    return make_subscript(std::move(variable), ExprList(std::move(subscripts)));
}

Result<Subscript> make_subscript(SubscriptedVariable variable, ExprList subscripts) {
    std::uint64_t k = subscripted_variable_ndim(variable);
    std::uint64_t n = subscripts.size();
    if (n > k)
        return modeling_error("the number of subscripts (= " + std::to_string(n) +
                              ") is greater than the dimensionality of the variable `" +
                              display_subscripted_variable(variable) + "` (= " + std::to_string(k) + ")");
    if (auto* inner = std::get_if<Box<Subscript>>(&variable)) {
        const Subscript& t = **inner;
        std::vector<Expression> joined = t.subscripts.to_vector();
        joined.insert(joined.end(), subscripts.begin(), subscripts.end());
        FV_ASSIGN_OR_RETURN(auto checked, check_subscripts(std::move(joined)));
        return Subscript{t.variable, std::move(checked)};
    }
    return Subscript{std::move(variable), std::move(subscripts)};
}

Result<Expression> subscript_into_expression(Box<Subscript> s) {
    if (s->ndim() != 0)
        return modeling_error("the dimensionality of the subscripted variable `" + display_subscript(*s) +
                              "` must be zero, but actually " + std::to_string(s->ndim()));
    return Expression(std::move(s));
}

Result<SubscriptedVariable> subscript_into_subscripted_variable(Box<Subscript> s) {
    if (s->ndim() == 0)
        return modeling_error("the scalar `" + display_subscript(*s) + "` is not subscriptable");
    return SubscriptedVariable(std::move(s));
}

Result<ArrayOperand> subscript_into_array_operand(Box<Subscript> s) {
    if (s->variable.is<DecisionVar>())
        return modeling_error("the subscripted variable " + display_subscript(*s) +
                              " is a decision variable");
    if (s->ndim() == 0)
        return modeling_error("the subscripted variable " + display_subscript(*s) + " is a scalar");
    return ArrayOperand(std::move(s));
}

}  // namespace forvela
