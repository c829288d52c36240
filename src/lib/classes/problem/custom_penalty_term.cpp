// The Python class CustomPenaltyTerm: a named penalty expression, optionally
// repeated over a forall list.
#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "lib/items/node_items.hpp"
#include "lib/convert/problem_py.hpp"
#include "model/problem/custom_penalty_term.hpp"
#include "print/problem_forms.hpp"

namespace forvela::py {

namespace {

using Self = CustomPenaltyTerm;
constexpr ClassId kId = ClassId::CustomPenaltyTerm;

constexpr Param kNewParams[] = {{"name", true, false}, {"expression", true, false}, {"forall", false, true}};
constexpr Signature kNewSignature{"CustomPenaltyTerm.__new__", kNewParams};

PyObject* term_new_slot(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        Args<3> a;
        FV_TRY(parse_args(kNewSignature, args, kwargs, a));
        FV_ASSIGN_OR_RETURN(auto name, argument("name", to_string(a[0])));
        FV_ASSIGN_OR_RETURN(auto expression, argument("expression", expression_from_python(a[1])));
        FV_ASSIGN_OR_RETURN(auto forall, argument("forall", optional_forall_from_python(a[2])));
        FV_ASSIGN_OR_RETURN(auto value, custom_penalty_term_checked(std::move(name), std::move(expression),
                                                                    std::move(forall)));
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
    return getter(self, [](const Self& v) { return expression_into_python(v.expression); });
}
PyObject* get_forall(PyObject* self, void*) {
    return getter(self, [](const Self& v) { return forall_list_into_python(v.forall); });
}

const ItemGroup kItems{
    {
        {"_repr_latex_", (text_method<Self, to_latex>), METH_NOARGS, kReprLatexDoc},
    },
    {
        {"name", get_name, nullptr, nullptr, nullptr},
        {"expression", get_expression, nullptr, nullptr, nullptr},
        {"forall", get_forall, nullptr, nullptr, nullptr},
    },
    {
        {Py_tp_new, reinterpret_cast<void*>(term_new_slot)},
    },
};

ClassDef kClass{.name = "CustomPenaltyTerm",
                .signature = "(name, expression, *, forall=None)",
                .doc =
                    "A class for creating a custom penalty term\n"
                    "\n"
                    "A custom penalty term is an expression that a solver adds to the objective as\n"
                    "a penalty, beside the constraints of the problem. It must contain a decision\n"
                    "variable and may be repeated over a forall list of elements, each with an\n"
                    "optional condition.\n"
                    "\n"
                    "Attributes:\n"
                    "    name (str): The name of the penalty term.\n"
                    "    expression (Expression): The penalty expression.\n"
                    "    forall (list[tuple[Element, Optional[ConditionalExpr]]]): The forall list.\n"
                    "\n"
                    "Args:\n"
                    "    name (str): The name of the penalty term.\n"
                    "    expression (Expression): The penalty expression.\n"
                    "    forall (Element | tuple[Element, Optional[ConditionalExpr]] | list, optional):\n"
                    "        The elements the term is repeated over. Defaults to None.\n"
                    "\n"
                    "Raises:\n"
                    "    ModelingError: If the forall list does not match the elements the expression\n"
                    "        uses, or if the expression does not contain a decision variable.\n"
                    "\n"
                    "Examples:\n"
                    "    >>> import forvela as fv\n"
                    "    >>> N = fv.Placeholder(\"N\")\n"
                    "    >>> i = fv.Element(\"i\", belong_to=N)\n"
                    "    >>> j = fv.Element(\"j\", belong_to=N)\n"
                    "    >>> x = fv.BinaryVar(\"x\", shape=[N, N])\n"
                    "\n"
                    "    A one-hot penalty over all `i`:\n"
                    "\n"
                    "    >>> p = fv.CustomPenaltyTerm(\"onehot\", (fv.sum(i, x[i, 0]) - 1) ** 2)\n"
                    "\n"
                    "    The same for every `j`:\n"
                    "\n"
                    "    >>> p = fv.CustomPenaltyTerm(\"onehot\", (fv.sum(i, x[i, j]) - 1) ** 2, forall=j)\n"
                    "\n"
                    "    One term for every pair of different `i` and `j`:\n"
                    "\n"
                    "    >>> p = fv.CustomPenaltyTerm(\"p\", (x[i, j] - 2) ** 2, forall=[i, (j, j != i)])\n",
                .basicsize = object_size<Self>(),
                .dealloc = dealloc_object<Self>,
                .groups = {&kItems}};

const bool registered = register_class(kId, &kClass);

}  // namespace

PyResult custom_penalty_term_into_python(CustomPenaltyTerm t) { return new_object(kId, std::move(t)); }

Result<CustomPenaltyTerm> custom_penalty_term_from_python(PyObject* obj) {
    return copy_value_of<CustomPenaltyTerm>(obj, kId);
}

}  // namespace forvela::py
