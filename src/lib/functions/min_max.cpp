// The module functions min and max.
#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "model/expression/operator/unary_op.hpp"

namespace forvela::py {

namespace {

template <CommutativeOpKind Kind>
PyObject* min_max_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const char* name = Kind == CommutativeOpKind::Min ? "min" : "max";
    return boundary([&]() -> PyResult {
        if (kwnames && PyTuple_GET_SIZE(kwnames) > 0) {
            const char* key = PyUnicode_AsUTF8(PyTuple_GET_ITEM(kwnames, 0));
            if (!key) return pending();
            return fail(ErrorKind::TypeError,
                        std::string(name) + "() got an unexpected keyword argument '" + key + "'");
        }
        std::vector<Expression> operands;
        operands.reserve(static_cast<std::size_t>(nargs));
        for (Py_ssize_t i = 0; i < nargs; ++i) {
            FV_ASSIGN_OR_RETURN(auto operand, argument("operands", expression_from_python(args[i])));
            operands.push_back(std::move(operand));
        }
        FV_ASSIGN_OR_RETURN(auto node, make_min_max_op(Kind, std::move(operands)));
        return expression_into_python(std::move(node));
    });
}

#define FORVELA_MIN_MAX_DOC(name, cls)                           \
    name "(*operands)\n--\n\n"                                   \
         "Create the `" cls                                      \
         "` object from the expression.\n"                       \
         "\n"                                                    \
         "Args:\n"                                               \
         "    *operands (Expression): A sequence of operands.\n" \
         "\n"                                                    \
         "Returns:\n"                                            \
         "    " cls ": The `" cls                                \
         "` object whose operands are the inputs.\n"             \
         "\n"                                                    \
         "Examples:\n"                                           \
         "    >>> import forvela\n"                              \
         "    >>> a = forvela.Placeholder(\"a\")\n"              \
         "    >>> b = forvela.Placeholder(\"b\")\n"              \
         "    >>> c = forvela.Placeholder(\"c\")\n"              \
         "    >>> forvela." name                                 \
         "(a, b, c)\n"                                           \
         "\n"                                                    \
         "Raises:\n"                                             \
         "    ModelingError: Raises if the input contains a decision variable.\n"

PyMethodDef kMin{"min", fastcall(min_max_function<CommutativeOpKind::Min>), METH_FASTCALL | METH_KEYWORDS,
                 FORVELA_MIN_MAX_DOC("min", "MinOp")};
PyMethodDef kMax{"max", fastcall(min_max_function<CommutativeOpKind::Max>), METH_FASTCALL | METH_KEYWORDS,
                 FORVELA_MIN_MAX_DOC("max", "MaxOp")};

const bool registered =
    register_function(FunctionId::min, &kMin) && register_function(FunctionId::max, &kMax);

}  // namespace

}  // namespace forvela::py
