// The Python class Constraint: a named equality or non-strict inequality,
// optionally repeated over a forall list.
#include "lib/convert/condition_py.hpp"
#include "model/result_macros.hpp"
#include "lib/convert/expression_py.hpp"
#include "lib/items/node_items.hpp"
#include "lib/convert/problem_py.hpp"
#include "model/problem/constraint.hpp"
#include "print/problem_forms.hpp"

namespace forvela::py {

namespace {

using Self = Constraint;
constexpr ClassId kId = ClassId::Constraint;

constexpr Param kNewParams[] = {{"name", true, false}, {"expression", true, false}, {"forall", false, true}};
constexpr Signature kNewSignature{"Constraint.__new__", kNewParams};

PyObject* constraint_new_slot(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        Args<3> a;
        FV_TRY(parse_args(kNewSignature, args, kwargs, a));
        FV_ASSIGN_OR_RETURN(auto name, argument("name", to_string(a[0])));
        FV_ASSIGN_OR_RETURN(auto condition, argument("expression", conditional_expr_from_python(a[1])));
        FV_ASSIGN_OR_RETURN(auto forall, argument("forall", optional_forall_from_python(a[2])));
        FV_ASSIGN_OR_RETURN(auto value,
                            constraint_from_condition(std::move(name), condition, std::move(forall)));
        return new_object(type, std::move(value));
    });
}

template <class Fn>
PyObject* getter(PyObject* self, Fn fn) {
    return boundary([&]() -> PyResult {
        return with_shared<Self>(self, [&](const Self& v) -> PyResult { return fn(v); });
    });
}

PyObject* get_name(PyObject* self, void*) {
    return getter(self, [](const Self& v) { return str_result(v.name); });
}
PyObject* get_expression(PyObject* self, void*) {
    return getter(self, [](const Self& v) { return conditional_expr_into_python(constraint_condition(v)); });
}
PyObject* get_sense(PyObject* self, void*) {
    return getter(self, [](const Self& v) { return constraint_sense_into_python(v.sense); });
}
PyObject* get_left(PyObject* self, void*) {
    return getter(self, [](const Self& v) { return expression_into_python(v.left); });
}
PyObject* get_right(PyObject* self, void*) {
    return getter(self, [](const Self& v) { return expression_into_python(v.right); });
}
PyObject* get_forall(PyObject* self, void*) {
    return getter(self, [](const Self& v) { return forall_list_into_python(v.forall); });
}

PyObject* is_equality(PyObject* self, PyObject*) {
    return getter(self, [](const Self& v) {
        return Ref::borrowed(v.sense == ConstraintSense::Equal ? Py_True : Py_False);
    });
}
PyObject* is_inequality(PyObject* self, PyObject*) {
    return getter(self, [](const Self& v) {
        return Ref::borrowed(v.sense != ConstraintSense::Equal ? Py_True : Py_False);
    });
}

const ItemGroup kItems{
    {
        {"is_equality", is_equality, METH_NOARGS,
         "is_equality($self)\n--\n\nWhether the constraint is an equality (`==`)."},
        {"is_inequality", is_inequality, METH_NOARGS,
         "is_inequality($self)\n--\n\nWhether the constraint is an inequality (`<=` or `>=`)."},
        {"_repr_latex_", (text_method<Self, to_latex>), METH_NOARGS, kReprLatexDoc},
    },
    {
        {"name", get_name, nullptr, nullptr, nullptr},
        {"expression", get_expression, nullptr, nullptr, nullptr},
        {"sense", get_sense, nullptr, nullptr, nullptr},
        {"left", get_left, nullptr, nullptr, nullptr},
        {"right", get_right, nullptr, nullptr, nullptr},
        {"forall", get_forall, nullptr, nullptr, nullptr},
    },
    {
        {Py_tp_new, reinterpret_cast<void*>(constraint_new_slot)},
        {Py_tp_str, reinterpret_cast<void*>((text_slot<Self, to_text>))},
        {Py_tp_repr, reinterpret_cast<void*>((text_slot<Self, to_text>))},
    },
};

ClassDef kClass{.name = "Constraint",
                .signature = "(name, expression, *, forall=None)",
                .doc =
                    "A class for creating a constraint\n"
                    "\n"
                    "A constraint is an equality (`==`) or a non-strict inequality (`<=`, `>=`)\n"
                    "between two expressions, at least one of which contains a decision variable.\n"
                    "It may be repeated over a forall list of elements, each with an optional\n"
                    "condition.\n"
                    "\n"
                    "Attributes:\n"
                    "    name (str): The name of the constraint.\n"
                    "    expression (EqualOp | LessThanEqualOp | GreaterThanEqualOp): The comparison.\n"
                    "    sense (ConstraintSense): The relation of the comparison.\n"
                    "    left (Expression): The left-hand side.\n"
                    "    right (Expression): The right-hand side.\n"
                    "    forall (list[tuple[Element, Optional[ConditionalExpr]]]): The forall list.\n"
                    "\n"
                    "Args:\n"
                    "    name (str): The name of the constraint.\n"
                    "    expression (EqualOp | LessThanEqualOp | GreaterThanEqualOp): The comparison.\n"
                    "    forall (Element | tuple[Element, Optional[ConditionalExpr]] | list, optional):\n"
                    "        The elements the constraint is repeated over. Defaults to None.\n"
                    "\n"
                    "Raises:\n"
                    "    ModelingError: If the comparison is not `==`, `<=` or `>=`, if the forall list\n"
                    "        does not match the elements the expression uses, or if the expression\n"
                    "        does not contain a decision variable.\n"
                    "\n"
                    "Examples:\n"
                    "    >>> import forvela as fv\n"
                    "    >>> N = fv.Placeholder(\"N\")\n"
                    "    >>> i = fv.Element(\"i\", belong_to=N)\n"
                    "    >>> j = fv.Element(\"j\", belong_to=N)\n"
                    "    >>> x = fv.BinaryVar(\"x\", shape=[N, N])\n"
                    "\n"
                    "    One constraint for every `j`:\n"
                    "\n"
                    "    >>> fv.Constraint(\"onehot\", fv.sum(i, x[i, j]) == 1, forall=j)\n"
                    "    {'expression': sum(i in [0..N), x[i, j]) == 1, 'forall': [j]}\n"
                    "\n"
                    "    One constraint for every pair of different `i` and `j`:\n"
                    "\n"
                    "    >>> fv.Constraint(\"c\", x[i, j] <= 1, forall=[i, (j, j != i)])\n"
                    "    {'expression': x[i, j] <= 1, 'forall': [i, (j, j != i)]}\n",
                .basicsize = object_size<Self>(),
                .dealloc = dealloc_object<Self>,
                .groups = {&kItems}};

const bool registered = register_class(kId, &kClass);

}  // namespace

PyResult constraint_into_python(Constraint c) { return new_object(kId, std::move(c)); }

Result<Constraint> constraint_from_python(PyObject* obj) { return copy_value_of<Constraint>(obj, kId); }

}  // namespace forvela::py
