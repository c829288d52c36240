// The Python class MaxOp.
#include "lib/classes/operator/commutative_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = CommutativeOpClass<ClassId::MaxOp>::definition(
    "MaxOp",
    "A class for representing the maximum value.\n"
    "\n"
    "The MaxOp class is used to represent the maximum value of operands.\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    terms (Sequence[Expression]): A sequence of operands.\n"
    "\n"
    "Note:\n"
    "    The MaxOp class does not have a constructor.\n"
    "    It is meant to be obtained by calling the `max` function.\n"
    "");

const bool registered = register_class(ClassId::MaxOp, &kClass);

}  // namespace

}  // namespace forvela::py
