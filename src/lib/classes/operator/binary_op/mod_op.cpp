// The Python class ModOp.
#include "lib/classes/operator/binary_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = BinaryOpClass<ClassId::ModOp>::definition(
    "ModOp",
    "A class for representing modulo\n"
    "\n"
    "The ModOp class is used to represent modulo (or remainder) (`%`).\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    left (Expression): The left-hand operand.\n"
    "    right (Expression): The right-hand operand.\n"
    "\n"
    "Note:\n"
    "    The ModOp class does not have a constructor.\n"
    "",
    "left", "right");

const bool registered = register_class(ClassId::ModOp, &kClass);

}  // namespace

}  // namespace forvela::py
