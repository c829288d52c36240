// The Python class AbsOp.
#include "lib/classes/operator/unary_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass =
    UnaryOpClass<ClassId::AbsOp>::definition("AbsOp",
                                             "A class for representing the absolute value\n"
                                             "\n"
                                             "The AbsOp class is used to represent the absolute value.\n"
                                             "The number of dimensions of the operand is zero.\n"
                                             "\n"
                                             "Attributes:\n"
                                             "    operand (Expression): The operand.\n"
                                             "\n"
                                             "Note:\n"
                                             "    The AbsOp class does not have a constructor.\n"
                                             "");

const bool registered = register_class(ClassId::AbsOp, &kClass);

}  // namespace

}  // namespace forvela::py
