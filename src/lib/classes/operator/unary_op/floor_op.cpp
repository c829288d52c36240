// The Python class FloorOp.
#include "lib/classes/operator/unary_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass =
    UnaryOpClass<ClassId::FloorOp>::definition("FloorOp",
                                               "A class for representing the floor operator\n"
                                               "\n"
                                               "The FloorOp class is used to represent the floor operator.\n"
                                               "The number of dimensions of the operand is zero.\n"
                                               "\n"
                                               "Attributes:\n"
                                               "    operand (Expression): The operand.\n"
                                               "\n"
                                               "Note:\n"
                                               "    The FloorOp class does not have a constructor.\n"
                                               "");

const bool registered = register_class(ClassId::FloorOp, &kClass);

}  // namespace

}  // namespace forvela::py
