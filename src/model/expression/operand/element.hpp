// The element value: its constructor with the dimensionality rule, the
// conversions of placeholders, elements and subscripts into its set, and its
// own conversions into an operand, a subscripted variable and an array.
#pragma once

#include "model/error.hpp"
#include "model/expression/handle.hpp"
#include "model/expression/operand/range.hpp"
#include "model/expression/operand/array_length.hpp"
#include "model/expression/operand/subscript.hpp"

namespace forvela {

// The set an element belongs to, in variant order Range, Placeholder,
// Element, Subscript.
using ElementBelongTo = std::variant<Range, Box<Placeholder>, Box<Element>, Box<Subscript>>;

struct Element {
    std::string name;
    std::uint64_t ndim = 0;
    ElementBelongTo belong_to;
    OptText latex;
    OptText description;
};

// ndim is 0 for a range set and the set's ndim minus 1 otherwise; never fails.
Element make_element(std::string name, ElementBelongTo set, OptText latex, OptText description);

// The dimensionality of a set: 0 for a range, the held value's ndim otherwise.
std::uint64_t belong_to_ndim(const ElementBelongTo& set);

// The range from the integer literal 0 to `end`, or the error of make_range.
Result<ElementBelongTo> belong_to_range_from_zero(Expression end);
// A value of ndim >= 1 is the set itself; a scalar is the range from 0 to it.
Result<ElementBelongTo> belong_to_from_placeholder(Placeholder p);
Result<ElementBelongTo> belong_to_from_element(Element e);
Result<ElementBelongTo> belong_to_from_subscript(Subscript s);

Result<Expression> element_into_expression(Box<Element> e);
Result<SubscriptedVariable> element_into_subscripted_variable(Box<Element> e);
Result<ArrayOperand> element_into_array_operand(Box<Element> e);

}  // namespace forvela
