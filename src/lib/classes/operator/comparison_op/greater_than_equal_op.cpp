// The Python class GreaterThanEqualOp.
#include "lib/classes/operator/comparison_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = ComparisonOpClass<ClassId::GreaterThanEqualOp>::definition(
    "GreaterThanEqualOp",
    "A class for representing the greater than equal operator\n"
    "\n"
    "The GreaterThanEqualOp class is used to represent the greater than equal operator (`>=`).\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    left (Expression): The left-hand operand.\n"
    "    right (Expression): The right-hand operand.\n"
    "\n"
    "Note:\n"
    "    The GreaterThanEqualOp class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::GreaterThanEqualOp, &kClass);

}  // namespace

}  // namespace forvela::py
