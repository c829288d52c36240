// The module functions is_linear, is_quadratic, is_higher_order and
// is_dynamic_degree.
#include "analysis/degree.hpp"

#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"

namespace forvela::py {

namespace {

using Answer = bool (*)(const DegreeState&);

template <Answer Ask>
PyObject* degree_function(const char* name, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"expr", true, false}};
        Args<1> a;
        FV_TRY(parse_args(Signature{name, params}, args, nargs, kwnames, a));
        FV_ASSIGN_OR_RETURN(Expression expr, argument("expr", expression_from_python(a[0])));
        return Ref::borrowed(Ask(degree_of(expr)) ? Py_True : Py_False);
    });
}

PyObject* linear(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return degree_function<is_linear>("is_linear", args, nargs, kwnames);
}
PyObject* quadratic(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return degree_function<is_quadratic>("is_quadratic", args, nargs, kwnames);
}
PyObject* higher_order(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return degree_function<is_higher_order>("is_higher_order", args, nargs, kwnames);
}
PyObject* dynamic_degree(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return degree_function<is_dynamic_degree>("is_dynamic_degree", args, nargs, kwnames);
}

#define FORVELA_DEGREE_DOC(name, summary, example)             \
    name "(expr)\n--\n\n" summary                              \
         "\n"                                                  \
         "\n"                                                  \
         "Args:\n"                                             \
         "    expr (Expression): The expression to analyse.\n" \
         "\n"                                                  \
         "Returns:\n"                                          \
         "    bool: The answer.\n"                             \
         "\n"                                                  \
         "Examples:\n"                                         \
         "    >>> import forvela\n" example                    \
         "\n"                                                  \
         "Raises:\n"                                           \
         "    TypeError: If `expr` is not an expression.\n"

PyMethodDef kIsLinear{"is_linear", fastcall(linear), METH_FASTCALL | METH_KEYWORDS,
                      FORVELA_DEGREE_DOC("is_linear", "Return true if the given expression is linear.",
                                         "    >>> x = forvela.BinaryVar(\"x\")\n"
                                         "    >>> forvela.is_linear(2 * x + 3)\n"
                                         "    True\n")};
PyMethodDef kIsQuadratic{
    "is_quadratic", fastcall(quadratic), METH_FASTCALL | METH_KEYWORDS,
    FORVELA_DEGREE_DOC("is_quadratic", "Return true if the given expression is quadratic.",
                       "    >>> x = forvela.BinaryVar(\"x\")\n"
                       "    >>> forvela.is_quadratic(x * x + 1)\n"
                       "    True\n")};
PyMethodDef kIsHigherOrder{
    "is_higher_order", fastcall(higher_order), METH_FASTCALL | METH_KEYWORDS,
    FORVELA_DEGREE_DOC("is_higher_order",
                       "Return true if the degree of the given expression is higher than 2.",
                       "    >>> x = forvela.BinaryVar(\"x\")\n"
                       "    >>> forvela.is_higher_order(x ** 3)\n"
                       "    True\n")};
PyMethodDef kIsDynamicDegree{
    "is_dynamic_degree", fastcall(dynamic_degree), METH_FASTCALL | METH_KEYWORDS,
    FORVELA_DEGREE_DOC("is_dynamic_degree",
                       "Return true if degree of the expression is not determined statically.",
                       "    >>> a = forvela.Placeholder(\"a\", ndim=1)\n"
                       "    >>> i = forvela.Element(\"i\", belong_to=a)\n"
                       "    >>> x = forvela.BinaryVar(\"x\", shape=(a.len_at(0),))\n"
                       "    >>> forvela.is_dynamic_degree(forvela.prod(i, x[i]))\n"
                       "    True\n")};

const bool registered = register_function(FunctionId::is_linear, &kIsLinear) &&
                        register_function(FunctionId::is_quadratic, &kIsQuadratic) &&
                        register_function(FunctionId::is_higher_order, &kIsHigherOrder) &&
                        register_function(FunctionId::is_dynamic_degree, &kIsDynamicDegree);

}  // namespace

}  // namespace forvela::py
