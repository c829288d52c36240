// The Python class AndOp.
#include "lib/classes/operator/logical_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = LogicalOpClass<ClassId::AndOp>::definition(
    "AndOp",
    "A class for representing logical AND\n"
    "\n"
    "The AndOp class is used to represent logical AND (`&`).\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    terms (Sequence[ConditionalExpr]): A sequence of operands to apply the AND operation.\n"
    "\n"
    "Note:\n"
    "    The AndOp class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::AndOp, &kClass);

}  // namespace

}  // namespace forvela::py
