// The Python class PowOp.
#include "lib/classes/operator/binary_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = BinaryOpClass<ClassId::PowOp>::definition(
    "PowOp",
    "A class for representing the power operator\n"
    "\n"
    "The PowOp class is used to represent the power operator (`**`).\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    base (Expression): The base operand.\n"
    "    exponent (Expression): The exponent operand.\n"
    "\n"
    "Note:\n"
    "    The PowOp class does not have a constructor.\n"
    "",
    "base", "exponent");

const bool registered = register_class(ClassId::PowOp, &kClass);

}  // namespace

}  // namespace forvela::py
