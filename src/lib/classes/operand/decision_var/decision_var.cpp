#include "lib/classes/operand/decision_var/decision_var.hpp"
#include "model/result_macros.hpp"

#include "model/expression/operand/decision_var/decision_var.hpp"
#include "print/printer.hpp"

namespace forvela::py {

namespace {

using Self = DecisionVar;

Result<Box<DecisionVar>> copy_of(PyObject* self) {
    return with_held<Self>(self,
                           [](const Held<Self>& h) -> Result<Box<Self>> { return h.template box<Self>(); });
}

PyObject* get_name(PyObject* self, void*) {
    return boundary(
        [&] { return with_shared<Self>(self, [](const Self& v) { return str_result(v.name); }); });
}

// The empty string when the variable has no description.
PyObject* get_description(PyObject* self, void*) {
    return boundary([&] {
        return with_shared<Self>(self, [](const Self& v) { return str_result(v.description.value_or("")); });
    });
}

PyObject* get_ndim(PyObject* self, void*) {
    return boundary([&] {
        return with_shared<Self>(
            self, [](const Self& v) -> PyResult { return checked(PyLong_FromSize_t(v.shape.size())); });
    });
}

PyObject* get_shape(PyObject* self, void*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(
            auto shape, with_shared<Self>(
                            self, [](const Self& v) -> Result<std::vector<Expression>> { return v.shape; }));
        Ref tuple(PyTuple_New(static_cast<Py_ssize_t>(shape.size())));
        if (!tuple) return pending();
        for (std::size_t k = 0; k < shape.size(); ++k) {
            FV_ASSIGN_OR_RETURN(auto item, expression_into_python(std::move(shape[k])));
            PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(k), item.release());
        }
        return tuple;
    });
}

template <bool Lower>
PyObject* get_bound(PyObject* self, void*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(auto bound,
                            with_shared<Self>(self, [](const Self& v) -> Result<DecisionVarBound> {
                                return Lower ? v.lower_bound : v.upper_bound;
                            }));
        return decision_var_bound_into_python(std::move(bound));
    });
}

template <class T>
std::optional<T> copy_if_instance(PyObject* obj, ClassId id) {
    if (!is_instance(obj, id)) return std::nullopt;
    auto copy = with_shared<T>(obj, [](const T& v) -> Result<T> { return v; });
    if (!copy) return std::nullopt;
    return std::move(*copy);
}

struct CommonArgs {
    std::string name;
    std::vector<Expression> shape;
};

Result<CommonArgs> read_name_and_shape(PyObject* name_arg, PyObject* shape_arg) {
    FV_ASSIGN_OR_RETURN(auto name, argument("name", to_string(name_arg)));
    FV_ASSIGN_OR_RETURN(auto shape, shape_from_python(shape_arg));
    return CommonArgs{std::move(name), std::move(shape)};
}

}  // namespace

Result<DecisionVarBound> extract_decision_var_bound(PyObject* obj) {
    auto e = expression_from_python(obj);
    if (e) return bound_from_expression(std::move(*e));
    if (must_propagate(e.error())) return std::unexpected(e.error());
    if (auto p = copy_if_instance<Placeholder>(obj, ClassId::Placeholder))
        if (auto bound = bound_from_placeholder(std::move(*p))) return bound;
    if (auto s = copy_if_instance<Subscript>(obj, ClassId::Subscript))
        if (auto bound = bound_from_subscript(std::move(*s))) return bound;
    return modeling_error("the input object is not used as the bound of a decision variable");
}

Result<Expression> decision_var_receive(PyObject* self) {
    FV_ASSIGN_OR_RETURN(auto v, copy_of(self));
    return decision_var_into_expression(std::move(v));
}

Result<SubscriptedVariable> decision_var_as_subscripted_variable(PyObject* self) {
    FV_ASSIGN_OR_RETURN(auto v, copy_of(self));
    return decision_var_into_subscripted_variable(std::move(v));
}

const ItemGroup* decision_var_common_items() {
    static const ItemGroup g{
        {
            {"_repr_latex_", (text_method<Self, framed<Self, to_latex>>), METH_NOARGS, kReprLatexDoc},
        },
        {
            {"name", get_name, nullptr, nullptr, nullptr},
            {"description", get_description, nullptr, nullptr, nullptr},
            {"ndim", get_ndim, nullptr, nullptr, nullptr},
            {"shape", get_shape, nullptr, nullptr, nullptr},
        },
        {
            {Py_tp_str, reinterpret_cast<void*>((text_slot<Self, to_text>))},
            {Py_tp_repr, reinterpret_cast<void*>((text_slot<Self, to_repr>))},
        },
    };
    return &g;
}

const ItemGroup* decision_var_bound_items() {
    static const ItemGroup g{
        {},
        {
            {"lower_bound", get_bound<true>, nullptr, nullptr, nullptr},
            {"upper_bound", get_bound<false>, nullptr, nullptr, nullptr},
        },
        {},
    };
    return &g;
}

PyObject* new_binary_var_object(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"name", true, false},
                                           {"shape", false, true},
                                           {"latex", false, true},
                                           {"description", false, true}};
        Args<4> a;
        FV_TRY(parse_args(Signature{"BinaryVar.__new__", params}, args, kwargs, a));
        FV_ASSIGN_OR_RETURN(auto common, read_name_and_shape(a[0], a[1]));
        FV_ASSIGN_OR_RETURN(auto latex, argument("latex", to_optional_string(a[2])));
        FV_ASSIGN_OR_RETURN(auto description, argument("description", to_optional_string(a[3])));
        FV_ASSIGN_OR_RETURN(auto var, make_binary_var(std::move(common.name), std::move(common.shape),
                                                      std::move(latex), std::move(description)));
        return new_object(type, std::move(var));
    });
}

PyObject* new_bounded_var_object(const char* callable, DecisionVarKind kind, PyTypeObject* type,
                                 PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"name", true, false},       {"shape", false, true},
                                           {"lower_bound", true, true}, {"upper_bound", true, true},
                                           {"latex", false, true},      {"description", false, true}};
        Args<6> a;
        FV_TRY(parse_args(Signature{callable, params}, args, kwargs, a));
        FV_ASSIGN_OR_RETURN(auto common, read_name_and_shape(a[0], a[1]));
        FV_ASSIGN_OR_RETURN(auto lower, extract_decision_var_bound(a[2]));
        FV_ASSIGN_OR_RETURN(auto upper, extract_decision_var_bound(a[3]));
        FV_ASSIGN_OR_RETURN(auto latex, argument("latex", to_optional_string(a[4])));
        FV_ASSIGN_OR_RETURN(auto description, argument("description", to_optional_string(a[5])));
        FV_ASSIGN_OR_RETURN(auto var, make_bounded_var(kind, std::move(common.name), std::move(common.shape),
                                                       std::move(lower), std::move(upper), std::move(latex),
                                                       std::move(description)));
        return new_object(type, std::move(var));
    });
}

std::string bounded_var_doc(const char* cls, const char* a_kind, const char* kind) {
    std::string doc;
    doc += "A class for creating ";
    doc += a_kind;
    doc +=
        " variable\n"
        "\n"
        "The ";
    doc += cls;
    doc += " class is used to create ";
    doc += a_kind;
    doc +=
        " variable.\n"
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
        "    Create a scalar ";
    doc += kind;
    doc +=
        " variable whose name is \"z\". Its domain is [-1, 1].\n"
        "\n"
        "    >>> import forvela as fv\n"
        "    >>> z = fv.";
    doc += cls;
    doc +=
        "(\"z\", lower_bound=-1, upper_bound=1)\n"
        "\n"
        "    Create a 2-dimensional ";
    doc += kind;
    doc +=
        " variable whose name is \"x\" and whose shape is (2, 2).\n"
        "\n"
        "    >>> x = fv.";
    doc += cls;
    doc +=
        "(\"x\", shape=[2, 2], lower_bound=0, upper_bound=2)\n"
        "\n"
        "    Create a 1-dimensional ";
    doc += kind;
    doc +=
        " variable with the shape of (124,) and subscript it\n"
        "    with 123.\n"
        "\n"
        "    >>> x = fv.";
    doc += cls;
    doc +=
        "(\"x\", shape=[124], lower_bound=0, upper_bound=2)\n"
        "    >>> x[123]\n"
        "    ";
    doc += cls;
    doc +=
        "(name='x', shape=[NumberLit(value=124)], lower_bound=NumberLit(value=0), "
        "upper_bound=NumberLit(value=2))[NumberLit(value=123)]\n";
    return doc;
}

}  // namespace forvela::py
