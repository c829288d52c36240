// The Python class AddOp.
#include "lib/classes/operator/commutative_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = CommutativeOpClass<ClassId::AddOp>::definition(
    "AddOp",
    "A class for representing addition\n"
    "\n"
    "The AddOp class is used to represent addition (`+`) of an arbitrary number of operands.\n"
    "For example `a + b + c + d` would be one AddOp object.\n"
    "The number of dimensions of each operand is zero.\n"
    "\n"
    "Attributes:\n"
    "    terms (Sequence[Expression]): A sequence of operands to be added.\n"
    "\n"
    "Note:\n"
    "    The AddOp class does not have a constructor.\n"
    "    It is meant to be obtained by calling the addition operation on other expressions.\n"
    "");

const bool registered = register_class(ClassId::AddOp, &kClass);

}  // namespace

}  // namespace forvela::py
