// The Python class SumOp.
#include "lib/classes/operator/reduction_op.hpp"

namespace forvela::py {

namespace {

ClassDef kClass = ReductionOpClass<ClassId::SumOp>::definition(
    "SumOp",
    "A class for representing summation\n"
    "\n"
    "The SumOp class is used to represent summation.\n"
    "The number of dimensions of the opreand is zero.\n"
    "\n"
    "Attributes:\n"
    "    index (Element): The index of summation.\n"
    "    condition (Optional[ConditionalExpr]): The condition for the summation index.\n"
    "    operand (Expression): The opreand.\n"
    "\n"
    "Note:\n"
    "    The SumOp class does not have a constructor.\n"
    "");

const bool registered = register_class(ClassId::SumOp, &kClass);

}  // namespace

}  // namespace forvela::py
