// The module functions extract_nodes and extract_variables.
#include "analysis/extract.hpp"

#include <utility>

#include "lib/convert/condition_py.hpp"
#include "lib/convert/expression_py.hpp"
#include "lib/convert/model_object_py.hpp"
#include "lib/convert/problem_py.hpp"
#include "model/result_macros.hpp"

namespace forvela::py {

namespace {

// The class of every kind of node.
constexpr std::pair<ClassId, NodeClass> kNodeClasses[] = {
#define FORVELA_CLASS(name)
#define FORVELA_EXPR_CLASS(name, kind, sub) {ClassId::name, NodeClass::name},
#define FORVELA_COND_CLASS(name, node, sub) {ClassId::name, NodeClass::name},
#include "lib/class_list.def"
};

// The node class that is exactly `type`, if any: subclasses, superclasses
// and foreign classes match no node.
Result<std::optional<NodeClass>> node_class_of_type(PyObject* type) {
    for (const auto& [id, cls] : kNodeClasses) {
        auto t = type_of(id);
        if (!t) return std::unexpected(t.error());
        if (reinterpret_cast<PyObject*>(*t) == type) return std::optional<NodeClass>(cls);
    }
    return std::optional<NodeClass>{};
}

Result<ModelObject> read_object(PyObject* obj) {
    auto read = model_object_from_python(obj);
    if (!read) return std::unexpected(read.error());
    if (!*read) return unsupported_object_error(obj);
    return std::move(**read);
}

PyObject* extract_nodes_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"obj", true, false}, {"type", true, false}};
        Args<2> a;
        FV_TRY(parse_args(Signature{"extract_nodes", params}, args, nargs, kwnames, a));
        if (!PyType_Check(a[1]))
            return std::unexpected(argument_error("type", cannot_convert(a[1], "PyType").error()));
        FV_ASSIGN_OR_RETURN(std::optional<NodeClass> cls, node_class_of_type(a[1]));
        FV_ASSIGN_OR_RETURN(ModelObject object, read_object(a[0]));
        std::vector<ModelNode> found;
        if (cls) found = extract_nodes(object, *cls);
        Ref out(PyList_New(static_cast<Py_ssize_t>(found.size())));
        if (!out) return pending();
        for (std::size_t k = 0; k < found.size(); ++k) {
            PyResult item =
                std::holds_alternative<Expression>(found[k])
                    ? expression_into_python(std::get<Expression>(std::move(found[k])))
                    : conditional_expr_into_python(std::get<ConditionalExpr>(std::move(found[k])));
            if (!item) return item;
            PyList_SET_ITEM(out.get(), static_cast<Py_ssize_t>(k), item->release());
        }
        return out;
    });
}

PyObject* extract_variables_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"obj", true, false}};
        Args<1> a;
        FV_TRY(parse_args(Signature{"extract_variables", params}, args, nargs, kwnames, a));
        FV_ASSIGN_OR_RETURN(ModelObject object, read_object(a[0]));
        return expression_list_into_python(extract_variables(object));
    });
}

PyMethodDef kExtractNodes{"extract_nodes", fastcall(extract_nodes_function), METH_FASTCALL | METH_KEYWORDS,
                          "extract_nodes(obj, type)\n--\n\n"
                          "Extract all nodes from the given object.\n"
                          "\n"
                          "The object is walked depth first, each node before its parts, and every node\n"
                          "whose class is exactly `type` is collected, repetitions included.\n"
                          "\n"
                          "Args:\n"
                          "    obj: An expression, a condition, a constraint, a custom penalty term, a\n"
                          "        problem or a forall list.\n"
                          "    type (type): The class of the nodes to extract.\n"
                          "\n"
                          "Returns:\n"
                          "    list: Copies of the matching nodes in visiting order.\n"
                          "\n"
                          "Examples:\n"
                          "    >>> import forvela\n"
                          "    >>> a = forvela.Placeholder(\"a\")\n"
                          "    >>> b = forvela.Placeholder(\"b\")\n"
                          "    >>> found = forvela.extract_nodes(a + b, forvela.Placeholder)\n"
                          "    >>> forvela.is_same(found[0], a) and forvela.is_same(found[1], b)\n"
                          "    True\n"
                          "\n"
                          "Raises:\n"
                          "    TypeError: If `type` is not a class or `obj` is of an unsupported type.\n"};

PyMethodDef kExtractVariables{
    "extract_variables", fastcall(extract_variables_function), METH_FASTCALL | METH_KEYWORDS,
    "extract_variables(obj)\n--\n\n"
    "Extract all variables from the given object without duplication.\n"
    "\n"
    "Variables are placeholders, elements, array lengths and decision variables;\n"
    "each is listed once, at the place where the depth-first walk meets it first.\n"
    "\n"
    "Args:\n"
    "    obj: An expression, a condition, a constraint, a custom penalty term, a\n"
    "        problem or a forall list.\n"
    "\n"
    "Returns:\n"
    "    list: Copies of the distinct variables in the order of their first visit.\n"
    "\n"
    "Examples:\n"
    "    >>> import forvela\n"
    "    >>> a = forvela.Placeholder(\"a\")\n"
    "    >>> x = forvela.BinaryVar(\"x\")\n"
    "    >>> [v.name for v in forvela.extract_variables(a * x + a)]\n"
    "    ['a', 'x']\n"
    "\n"
    "Raises:\n"
    "    TypeError: If `obj` is of an unsupported type.\n"};

const bool registered = register_function(FunctionId::extract_nodes, &kExtractNodes) &&
                        register_function(FunctionId::extract_variables, &kExtractVariables);

}  // namespace

}  // namespace forvela::py
