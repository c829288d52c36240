// The Python class MulOp.
#include "lib/classes/operator/commutative_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = CommutativeOpClass<ClassId::MulOp>::definition(
    "MulOp",
    "A class for representing multiplication\n"
    "\n"
    "The MulOp class is used to represent multiplication (`*`) of an arbitrary number of operands.\n"
    "For example `a * b * c * d` would be one MulOp object.\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    terms (Sequence[Expression]): A sequence of operands to be multiplied.\n"
    "\n"
    "Note:\n"
    "    The MulOp class does not have a constructor.\n"
    "    It is meant to be obtained by calling the multiplication operation on other expressions.\n"
    "");

const bool registered = register_class(ClassId::MulOp, &kClass);

}  // namespace

}  // namespace forvela::py
