// The Python class LnOp.
#include "lib/classes/operator/unary_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass =
    UnaryOpClass<ClassId::LnOp>::definition("LnOp",
                                            "A class for representing the natural logarithm\n"
                                            "\n"
                                            "The LnOp class is used to represent the natural logarithm.\n"
                                            "The number of dimensions of the operand is zero.\n"
                                            "\n"
                                            "Attributes:\n"
                                            "    operand (Expression): The operand.\n"
                                            "\n"
                                            "Note:\n"
                                            "    The LnOp class does not have a constructor.\n"
                                            "");

const bool registered = register_class(ClassId::LnOp, &kClass);

}  // namespace

}  // namespace forvela::py
