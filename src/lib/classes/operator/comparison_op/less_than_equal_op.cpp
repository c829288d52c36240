// The Python class LessThanEqualOp.
#include "lib/classes/operator/comparison_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = ComparisonOpClass<ClassId::LessThanEqualOp>::definition(
    "LessThanEqualOp",
    "A class for representing the less than equal operator\n"
    "\n"
    "The LessThanEqualOp class is used to represent the less than equal operator (`<=`).\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    left (Expression): The left-hand operand.\n"
    "    right (Expression): The right-hand operand.\n"
    "\n"
    "Note:\n"
    "    The LessThanEqualOp class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::LessThanEqualOp, &kClass);

}  // namespace

}  // namespace forvela::py
