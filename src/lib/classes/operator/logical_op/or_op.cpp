// The Python class OrOp.
#include "lib/classes/operator/logical_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = LogicalOpClass<ClassId::OrOp>::definition(
    "OrOp",
    "A class for representing logical OR\n"
    "\n"
    "The OrOp class is used to represent logical OR (`|`).\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    terms (Sequence[ConditionalExpr]): A sequence of operands to apply the OR operation.\n"
    "\n"
    "Note:\n"
    "    The OrOp class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::OrOp, &kClass);

}  // namespace

}  // namespace forvela::py
