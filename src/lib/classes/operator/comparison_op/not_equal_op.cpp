// The Python class NotEqualOp.
#include "lib/classes/operator/comparison_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = ComparisonOpClass<ClassId::NotEqualOp>::definition(
    "NotEqualOp",
    "A class for representing the not equal operator\n"
    "\n"
    "The NotEqualOp class is used to represent the not equal operator (`!=`).\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    left (Expression): The left-hand operand.\n"
    "    right (Expression): The right-hand operand.\n"
    "\n"
    "Note:\n"
    "    The NotEqualOp class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::NotEqualOp, &kClass);

}  // namespace

}  // namespace forvela::py
