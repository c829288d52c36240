// The Python class ProdOp.
#include "lib/classes/operator/reduction_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = ReductionOpClass<ClassId::ProdOp>::definition(
    "ProdOp",
    "A class for representing product\n"
    "\n"
    "The ProdOp class is used to represent product.\n"
    "The number of dimensions of the opreand is zero.\n"
    "\n"
    "Attributes:\n"
    "    index (Element): The index of product.\n"
    "    condition (Optional[ConditionalExpr]): The condition for the product index.\n"
    "    operand (Expression): The opreand.\n"
    "\n"
    "Note:\n"
    "    The ProdOp class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::ProdOp, &kClass);

}  // namespace

}  // namespace forvela::py
