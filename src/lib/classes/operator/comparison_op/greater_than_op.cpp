// The Python class GreaterThanOp.
#include "lib/classes/operator/comparison_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = ComparisonOpClass<ClassId::GreaterThanOp>::definition(
    "GreaterThanOp",
    "A class for representing the greater than operator\n"
    "\n"
    "The GreaterThanOp class is used to represent the greater than operator (`>`).\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    left (Expression): The left-hand operand.\n"
    "    right (Expression): The right-hand operand.\n"
    "\n"
    "Note:\n"
    "    The GreaterThanOp class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::GreaterThanOp, &kClass);

}  // namespace

}  // namespace forvela::py
