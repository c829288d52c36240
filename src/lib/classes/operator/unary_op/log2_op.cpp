// The Python class Log2Op.
#include "lib/classes/operator/unary_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass =
    UnaryOpClass<ClassId::Log2Op>::definition("Log2Op",
                                              "A class for representing the base 2 logarithm\n"
                                              "\n"
                                              "The Log2Op class is used to represent the base 2 logarithm.\n"
                                              "The number of dimensions of the operand is zero.\n"
                                              "\n"
                                              "Attributes:\n"
                                              "    operand (Expression): The operand.\n"
                                              "\n"
                                              "Note:\n"
                                              "    The Log2Op class does not have a constructor.\n"
                                              "");

const bool registered = register_class(ClassId::Log2Op, &kClass);

}  // namespace

}  // namespace forvela::py
