// The Python class Log10Op.
#include "lib/classes/operator/unary_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = UnaryOpClass<ClassId::Log10Op>::definition(
    "Log10Op",
    "A class for representing the base 10 logarithm\n"
    "\n"
    "The Log10Op class is used to represent the base 10 logarithm.\n"
    "The number of dimensions of the operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    operand (Expression): The operand.\n"
    "\n"
    "Note:\n"
    "    The Log10Op class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::Log10Op, &kClass);

}  // namespace

}  // namespace forvela::py
