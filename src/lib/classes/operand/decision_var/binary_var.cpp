// The Python class BinaryVar: a binary variable.
#include "lib/classes/operand/decision_var/decision_var.hpp"

namespace forvela::py {

namespace {

constexpr const char* kDoc =
    "A class for creating a binary variable\n"
    "\n"
    "The BinaryVar class is used to create a binary variable.\n"
    "\n"
    "The index operator (`[]`) of a variable with `ndim >= 1` returns a `Subscript` object.\n"
    "\n"
    "Attributes:\n"
    "    name (str): The name of the variable.\n"
    "    shape (tuple): A tuple with the size of each dimension.\n"
    "    description (str): A description of the variable.\n"
    "\n"
    "Args:\n"
    "    name (str): The name of the variable.\n"
    "    shape (list | tuple): A list or tuple with the size of each dimension. Defaults to\n"
    "        an empty tuple (a scalar value). Each item of `shape` must be a valid\n"
    "        expression evaluating to a non-negative scalar.\n"
    "    latex (str, optional): The LaTeX name of the variable used in Jupyter notebooks.\n"
    "        Defaults to `name`.\n"
    "    description (str, optional): A description of the variable. Defaults to None.\n"
    "\n"
    "Examples:\n"
    "    Create a scalar binary variable whose name is \"z\".\n"
    "\n"
    "    >>> import forvela as fv\n"
    "    >>> z = fv.BinaryVar(\"z\")\n"
    "\n"
    "    Create a 2-dimensional binary variable whose name is \"x\" and whose shape is (2, 2).\n"
    "\n"
    "    >>> x = fv.BinaryVar(\"x\", shape=[2, 2])\n"
    "\n"
    "    Create a 1-dimensional binary variable with the shape of (124,) and subscript it\n"
    "    with 123.\n"
    "\n"
    "    >>> x = fv.BinaryVar(\"x\", shape=[124])\n"
    "    >>> x[123]\n"
    "    BinaryVar(name='x', shape=[NumberLit(value=124)])[NumberLit(value=123)]\n";

ClassDef kClass = DecisionVarClass<ClassId::BinaryVar, DecisionVarKind::Binary>::definition(
    "(name, *, shape=None, latex=None, description=None)", kDoc);

const bool registered = register_class(ClassId::BinaryVar, &kClass);

}  // namespace

}  // namespace forvela::py
