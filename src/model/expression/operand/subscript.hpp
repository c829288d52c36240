// Subscripting: the dimensionality of a subscripted variable, the checks of
// a subscript list, the constructor that flattens a subscript of a subscript,
// and the conversions of a subscript into an operand, a subscripted variable
// and an array.
#pragma once

#include "model/error.hpp"
#include "model/expression/handle.hpp"
#include "model/expression/expr_list.hpp"
#include "model/expression/operand/array_length.hpp"

namespace forvela {

// The variable of a subscript: Placeholder, Element, Variable, Subscript.
using SubscriptedVariable = std::variant<Box<Placeholder>, Box<Element>, Box<DecisionVar>, Box<Subscript>>;

// A subscript's variable in one word: the cell of the placeholder, element,
// decision variable or subscript, whose kind tells which it is.
class SubscriptVariable : public CellRef {
public:
    SubscriptVariable(SubscriptedVariable v);

    // A handle sharing the variable's cell.
    SubscriptedVariable get() const;
    operator SubscriptedVariable() const { return get(); }
    template <class T>
    bool is() const {
        return cell_->kind == NodeKindOf<T>::value;
    }
    // The variable's value if it is a T, else null.
    template <class T>
    const T* if_is() const {
        return is<T>() ? &static_cast<const Node<T>*>(cell_)->value : nullptr;
    }
    // Its place among the alternatives of SubscriptedVariable.
    std::size_t index() const;
    std::uint64_t ndim() const;
    const NodeBase* cell() const { return cell_; }
};

struct Subscript {
    SubscriptVariable variable;
    ExprList subscripts;
    // The dimensions left: the variable's, less one per subscript.
    std::uint64_t ndim() const { return variable.ndim() - subscripts.size(); }
};
static_assert(sizeof(Subscript) == 32, "w[i] is one 40-byte cell");

// The dimensions of a placeholder, element or subscript.
template <class T>
std::uint64_t ndim_of(const T& v) {
    if constexpr (std::is_same_v<T, Subscript>)
        return v.ndim();
    else
        return v.ndim;
}

// The ndim of a placeholder, element or subscript; the number of shape
// entries of a decision variable.
std::uint64_t subscripted_variable_ndim(const SubscriptedVariable& variable);

// ModelingError "the number of subscripts is zero" or "a subscript contains a
// decision variable" (the first such subscript); otherwise the list unchanged.
Result<std::vector<Expression>> check_subscripts(std::vector<Expression> subscripts);
// The same checks on a list that stays where it is.
Result<void> check_subscript_list(std::span<const Expression> subscripts);

// The subscript of `variable` by `subscripts` (already checked). More
// subscripts than dimensions is a ModelingError naming the variable; a
// subscript variable is replaced by its own variable, its subscripts first.
Result<Subscript> make_subscript(SubscriptedVariable variable, std::vector<Expression> subscripts);
Result<Subscript> make_subscript(SubscriptedVariable variable, ExprList subscripts);

Result<Expression> subscript_into_expression(Box<Subscript> s);
Result<SubscriptedVariable> subscript_into_subscripted_variable(Box<Subscript> s);
// A subscripted decision variable is refused first, then a scalar.
Result<ArrayOperand> subscript_into_array_operand(Box<Subscript> s);

}  // namespace forvela
