// The Python class EqualOp.
#include "lib/classes/operator/comparison_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = ComparisonOpClass<ClassId::EqualOp>::definition(
    "EqualOp",
    "A class for representing the equal operator\n"
    "\n"
    "The EqualOp class is used to represent the equal operator (`==`).\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    left (Expression): The left-hand operand.\n"
    "    right (Expression): The right-hand operand.\n"
    "\n"
    "Note:\n"
    "    The EqualOp class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::EqualOp, &kClass);

}  // namespace

}  // namespace forvela::py
