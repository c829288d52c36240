// The Python class XorOp.
#include "lib/classes/operator/logical_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = LogicalOpClass<ClassId::XorOp>::definition(
    "XorOp",
    "A class for representing logical XOR\n"
    "\n"
    "The XorOp class is used to represent logical XOR (`^`).\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    terms (Sequence[ConditionalExpr]): A sequence of operands to apply the XOR operation.\n"
    "\n"
    "Note:\n"
    "    The XorOp class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::XorOp, &kClass);

}  // namespace

}  // namespace forvela::py
