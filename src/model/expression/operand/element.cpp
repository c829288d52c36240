#include "model/expression/operand/element.hpp"
#include "model/expression/expression.hpp"
#include "model/result_macros.hpp"

#include "model/expression/operand/range.hpp"
#include "model/expression/operand/placeholder.hpp"
#include "model/expression/operand/subscript.hpp"
#include "model/overloaded.hpp"

namespace forvela {

std::uint64_t belong_to_ndim(const ElementBelongTo& set) {
    return std::visit(overloaded{
                          [](const Range&) -> std::uint64_t { return 0; },
                          [](const auto& b) -> std::uint64_t { return ndim_of(*b); },
                      },
                      set);
}

Element make_element(std::string name, ElementBelongTo set, OptText latex, OptText description) {
    std::uint64_t set_ndim = belong_to_ndim(set);
    std::uint64_t ndim = set.index() == 0 || set_ndim == 0 ? 0 : set_ndim - 1;
    return Element{std::move(name), ndim, std::move(set), std::move(latex), std::move(description)};
}

Result<ElementBelongTo> belong_to_range_from_zero(Expression end) {
    FV_ASSIGN_OR_RETURN(auto range, make_range(Expression(NumericValue::of_integer(0)), std::move(end)));
    return ElementBelongTo(std::move(range));
}

Result<ElementBelongTo> belong_to_from_placeholder(Placeholder p) {
    if (p.ndim >= 1) return ElementBelongTo(std::move(p));
    FV_ASSIGN_OR_RETURN(auto end, placeholder_into_expression(std::move(p)));
    return belong_to_range_from_zero(std::move(end));
}

Result<ElementBelongTo> belong_to_from_element(Element e) {
    if (e.ndim >= 1) return ElementBelongTo(Box<Element>(std::move(e)));
    FV_ASSIGN_OR_RETURN(auto end, element_into_expression(std::move(e)));
    return belong_to_range_from_zero(std::move(end));
}

Result<ElementBelongTo> belong_to_from_subscript(Subscript s) {
    if (s.ndim() >= 1) return ElementBelongTo(Box<Subscript>(std::move(s)));
    FV_ASSIGN_OR_RETURN(auto end, subscript_into_expression(std::move(s)));
    return belong_to_range_from_zero(std::move(end));
}

Result<Expression> element_into_expression(Box<Element> e) {
    if (e->ndim != 0)
        return modeling_error("the dimensionality of the Element { name: " + e->name +
                              " } must be zero, but is actually " + std::to_string(e->ndim));
    return Expression(std::move(e));
}

Result<SubscriptedVariable> element_into_subscripted_variable(Box<Element> e) {
    if (e->ndim == 0)
        return modeling_error("the scalar `Element { name: " + e->name + " }` is not subscriptable");
    return SubscriptedVariable(std::move(e));
}

Result<ArrayOperand> element_into_array_operand(Box<Element> e) {
    if (e->ndim == 0) return modeling_error("the element " + e->name + " is a scalar");
    return ArrayOperand(std::move(e));
}

}  // namespace forvela
