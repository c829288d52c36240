// The Python class SemiIntegerVar: a semi-integer variable.
#include "lib/classes/decision_var/decision_var.hpp"

namespace forvela::py {

namespace {

constexpr const char* kDoc =
    "A class for creating a semi-integer variable\n"
    "\n"
    "The SemiIntegerVar class is used to create a semi-integer variable.\n"
    "\n"
    "The lower and upper bounds of the variable can be specified by:\n"
    "- an integer value\n"
    "- a float value\n"
    "- a scalar expression that does not contain any decision variable\n"
    "- a Placeholder or a subscripted variable whose dimensionality is equal to that\n"
    "  of this variable.\n"
    "\n"
    "The index operator (`[]`) of a variable with `ndim >= 1` returns a `Subscript` object.\n"
    "\n"
    "Attributes:\n"
    "    name (str): The name of the variable.\n"
    "    shape (tuple): A tuple with the size of each dimension.\n"
    "    lower_bound (Expression | Placeholder | Subscript): The lower bound of the variable.\n"
    "    upper_bound (Expression | Placeholder | Subscript): The upper bound of the variable.\n"
    "    description (str): A description of the variable.\n"
    "\n"
    "Args:\n"
    "    name (str): The name of the variable.\n"
    "    shape (list | tuple): A list or tuple with the size of each dimension. Defaults to\n"
    "        an empty tuple (a scalar value). Each item of `shape` must be a valid\n"
    "        expression evaluating to a non-negative scalar.\n"
    "    lower_bound: The lower bound of the variable.\n"
    "    upper_bound: The upper bound of the variable.\n"
    "    latex (str, optional): The LaTeX name of the variable used in Jupyter notebooks.\n"
    "        Defaults to `name`.\n"
    "    description (str, optional): A description of the variable. Defaults to None.\n"
    "\n"
    "Raises:\n"
    "    ModelingError: Raised if a bound is a `Placeholder` or `Subscript` object whose\n"
    "        `ndim` is neither `0` nor the `ndim` of the variable.\n"
    "\n"
    "Examples:\n"
    "    Create a scalar semi-integer variable whose name is \"z\". Its domain is [-1, 1].\n"
    "\n"
    "    >>> import forvela as fv\n"
    "    >>> z = fv.SemiIntegerVar(\"z\", lower_bound=-1, upper_bound=1)\n"
    "\n"
    "    Create a 2-dimensional semi-integer variable whose name is \"x\" and whose shape is (2, 2).\n"
    "\n"
    "    >>> x = fv.SemiIntegerVar(\"x\", shape=[2, 2], lower_bound=0, upper_bound=2)\n"
    "\n"
    "    Create a 1-dimensional semi-integer variable with the shape of (124,) and subscript it\n"
    "    with 123.\n"
    "\n"
    "    >>> x = fv.SemiIntegerVar(\"x\", shape=[124], lower_bound=0, upper_bound=2)\n"
    "    >>> x[123]\n"
    "    SemiIntegerVar(name='x', shape=[NumberLit(value=124)], lower_bound=NumberLit(value=0), upper_bound=NumberLit(value=2))[NumberLit(value=123)]\n";

ClassDef kClass = DecisionVarClass<ClassId::SemiIntegerVar, DecisionVarKind::SemiInteger>::definition(kBoundedVarSignature, kDoc);

const bool registered = register_class(ClassId::SemiIntegerVar, &kClass);

}  // namespace

}  // namespace forvela::py
