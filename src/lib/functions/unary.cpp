// The module functions abs, ceil, floor, log2, log10 and ln.
#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "model/expression/operator/unary_op.hpp"

namespace forvela::py {

namespace {

template <UnaryOpKind Kind>
PyObject* unary_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static constexpr const char* kNames[] = {"abs", "ceil", "floor", "ln", "log10", "log2"};
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"operand", true, false}};
        Args<1> a;
        if (auto r = parse_args(Signature{kNames[static_cast<int>(Kind)], params}, args, nargs, kwnames, a);
            !r)
            return std::unexpected(r.error());
        FV_ASSIGN_OR_RETURN(auto operand, argument("operand", expression_from_python(a[0])));
        FV_ASSIGN_OR_RETURN(auto node, make_unary_op(Kind, std::move(operand)));
        return expression_into_python(std::move(node));
    });
}

#define FORVELA_UNARY_DOC(name, cls, what)          \
    name "(operand)\n--\n\n"                        \
         "Create the `" cls                         \
         "` object from the expression.\n"          \
         "\n"                                       \
         "Args:\n"                                  \
         "    operand (Expression): " what          \
         "\n"                                       \
         "\n"                                       \
         "Returns:\n"                               \
         "    " cls ": The `" cls                   \
         "` object whose operand is the input.\n"   \
         "\n"                                       \
         "Examples:\n"                              \
         "    >>> import forvela\n"                 \
         "    >>> a = forvela.Placeholder(\"a\")\n" \
         "    >>> forvela." name                    \
         "(a)\n"                                    \
         "\n"                                       \
         "Raises:\n"                                \
         "    ModelingError: Raises if the input contains a decision variable.\n"

PyMethodDef kAbs{"abs", fastcall(unary_function<UnaryOpKind::Abs>), METH_FASTCALL | METH_KEYWORDS,
                 FORVELA_UNARY_DOC("abs", "AbsOp", "An operand of the abs operator.")};
PyMethodDef kCeil{"ceil", fastcall(unary_function<UnaryOpKind::Ceil>), METH_FASTCALL | METH_KEYWORDS,
                  FORVELA_UNARY_DOC("ceil", "CeilOp", "An operand of the ceil operator.")};
PyMethodDef kFloor{"floor", fastcall(unary_function<UnaryOpKind::Floor>), METH_FASTCALL | METH_KEYWORDS,
                   FORVELA_UNARY_DOC("floor", "FloorOp", "An operand of the floor operator.")};
PyMethodDef kLog2{"log2", fastcall(unary_function<UnaryOpKind::Log2>), METH_FASTCALL | METH_KEYWORDS,
                  FORVELA_UNARY_DOC("log2", "Log2Op", "An operand of the log2 operator.")};
PyMethodDef kLog10{"log10", fastcall(unary_function<UnaryOpKind::Log10>), METH_FASTCALL | METH_KEYWORDS,
                   FORVELA_UNARY_DOC("log10", "Log10Op", "An operand of the log10 operator.")};
PyMethodDef kLn{"ln", fastcall(unary_function<UnaryOpKind::Ln>), METH_FASTCALL | METH_KEYWORDS,
                FORVELA_UNARY_DOC("ln", "LnOp", "An operand of the natural logarithm.")};

const bool registered =
    register_function(FunctionId::abs, &kAbs) && register_function(FunctionId::ceil, &kCeil) &&
    register_function(FunctionId::floor, &kFloor) && register_function(FunctionId::log2, &kLog2) &&
    register_function(FunctionId::log10, &kLog10) && register_function(FunctionId::ln, &kLn);

}  // namespace

}  // namespace forvela::py
