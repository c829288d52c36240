// The Python class MinOp.
#include "lib/classes/operator/commutative_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = CommutativeOpClass<ClassId::MinOp>::definition(
    "MinOp",
    "A class for representing the minimum value.\n"
    "\n"
    "The MinOp class is used to represent the minimum value of operands.\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    terms (Sequence[Expression]): A sequence of operands.\n"
    "\n"
    "Note:\n"
    "    The MinOp class does not have a constructor.\n"
    "    It is meant to be obtained by calling the `min` function.\n"
    "");

const bool registered = register_class(ClassId::MinOp, &kClass);

}  // namespace

}  // namespace forvela::py
