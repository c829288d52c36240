// The text forms of values that the model's messages quote: a name, or a
// subscript as its variable's name followed by its subscripts in str form
// ("a[i, 1]"). The model only declares them; the printer, which renders every
// text form, defines them.
#pragma once

#include <string>

#include "model/expression/expression.hpp"

namespace forvela {

std::string display_subscripted_variable(const SubscriptedVariable& v);
std::string display_subscript(const Subscript& s);
std::string display_array_operand(const ArrayOperand& a);

}  // namespace forvela
