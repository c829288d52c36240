// The Python class CeilOp.
#include "lib/classes/operator/unary_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass =
    UnaryOpClass<ClassId::CeilOp>::definition("CeilOp",
                                              "A class for representing the ceil operator\n"
                                              "\n"
                                              "The CeilOp class is used to represent the ceil operator.\n"
                                              "The number of dimensions of the operand is zero.\n"
                                              "\n"
                                              "Attributes:\n"
                                              "    operand (Expression): The operand.\n"
                                              "\n"
                                              "Note:\n"
                                              "    The CeilOp class does not have a constructor.\n"
                                              "");

const bool registered = register_class(ClassId::CeilOp, &kClass);

}  // namespace

}  // namespace forvela::py
