// The Python class LessThanOp.
#include "lib/classes/operator/comparison_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = ComparisonOpClass<ClassId::LessThanOp>::definition(
    "LessThanOp",
    "A class for representing the less than operator\n"
    "\n"
    "The LessThanOp class is used to represent the less than operator (`<`).\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    left (Expression): The left-hand operand.\n"
    "    right (Expression): The right-hand operand.\n"
    "\n"
    "Note:\n"
    "    The LessThanOp class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::LessThanOp, &kClass);

}  // namespace

}  // namespace forvela::py
