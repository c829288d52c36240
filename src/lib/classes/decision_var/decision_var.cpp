#include "lib/classes/decision_var/decision_var.hpp"

#include "model/expression/operand/decision_var/decision_var.hpp"
#include "print/printer.hpp"

namespace forvela::py {

namespace {

using Self = DecisionVar;

Result<DecisionVar> copy_of(PyObject* self) {
    return with_shared<Self>(self, [](const Self& v) -> Result<Self> { return v; });
}

PyObject* get_name(PyObject* self, void*) {
    return boundary([&] { return with_shared<Self>(self, [](const Self& v) { return str_result(v.name); }); });
}

// The empty string when the variable has no description.
PyObject* get_description(PyObject* self, void*) {
    return boundary([&] {
        return with_shared<Self>(self, [](const Self& v) { return str_result(v.description.value_or("")); });
    });
}

PyObject* get_ndim(PyObject* self, void*) {
    return boundary([&] {
        return with_shared<Self>(self, [](const Self& v) -> PyResult {
            return checked(PyLong_FromSize_t(v.shape.size()));
        });
    });
}

PyObject* get_shape(PyObject* self, void*) {
    return boundary([&]() -> PyResult {
        auto shape = with_shared<Self>(self, [](const Self& v) -> Result<std::vector<Expression>> { return v.shape; });
        if (!shape) return std::unexpected(shape.error());
        Ref tuple(PyTuple_New(static_cast<Py_ssize_t>(shape->size())));
        if (!tuple) return pending();
        for (std::size_t k = 0; k < shape->size(); ++k) {
            auto item = expression_into_python(std::move((*shape)[k]));
            if (!item) return item;
            PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(k), item->release());
        }
        return tuple;
    });
}

template <bool Lower>
PyObject* get_bound(PyObject* self, void*) {
    return boundary([&]() -> PyResult {
        auto bound = with_shared<Self>(self, [](const Self& v) -> Result<DecisionVarBound> {
            return Lower ? v.lower_bound : v.upper_bound;
        });
        if (!bound) return std::unexpected(bound.error());
        return decision_var_bound_into_python(std::move(*bound));
    });
}

PyObject* repr_latex(PyObject* self, PyObject*) {
    return boundary([&] {
        return with_shared<Self>(self, [](const Self& v) { return str_result(wrap_latex(decision_var_to_latex(v))); });
    });
}

PyObject* decision_var_str(PyObject* self) {
    return boundary([&] {
        return with_shared<Self>(self, [](const Self& v) { return str_result(decision_var_to_str(v)); });
    });
}

PyObject* decision_var_repr(PyObject* self) {
    return boundary([&] {
        return with_shared<Self>(self, [](const Self& v) { return str_result(decision_var_to_repr(v)); });
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
    auto name = argument("name", to_string(name_arg));
    if (!name) return std::unexpected(name.error());
    auto shape = shape_from_python(shape_arg);
    if (!shape) return std::unexpected(shape.error());
    return CommonArgs{std::move(*name), std::move(*shape)};
}

}  // namespace

Result<DecisionVarBound> extract_decision_var_bound(PyObject* obj) {
    if (auto e = expression_from_python(obj)) return bound_from_expression(std::move(*e));
    if (auto p = copy_if_instance<Placeholder>(obj, ClassId::Placeholder))
        if (auto bound = bound_from_placeholder(std::move(*p))) return bound;
    if (auto s = copy_if_instance<Subscript>(obj, ClassId::Subscript))
        if (auto bound = bound_from_subscript(std::move(*s))) return bound;
    return modeling_error("the input object is not used as the bound of a decision variable");
}

Result<Expression> decision_var_receive(PyObject* self) {
    auto v = copy_of(self);
    if (!v) return std::unexpected(v.error());
    return decision_var_into_expression(std::move(*v));
}

Result<SubscriptedVariable> decision_var_as_subscripted_variable(PyObject* self) {
    auto v = copy_of(self);
    if (!v) return std::unexpected(v.error());
    return decision_var_into_subscripted_variable(std::move(*v));
}

const ItemGroup* decision_var_common_items() {
    static const ItemGroup g{
        {
            {"_repr_latex_", repr_latex, METH_NOARGS, kReprLatexDoc},
        },
        {
            {"name", get_name, nullptr, nullptr, nullptr},
            {"description", get_description, nullptr, nullptr, nullptr},
            {"ndim", get_ndim, nullptr, nullptr, nullptr},
            {"shape", get_shape, nullptr, nullptr, nullptr},
        },
        {
            {Py_tp_str, reinterpret_cast<void*>(decision_var_str)},
            {Py_tp_repr, reinterpret_cast<void*>(decision_var_repr)},
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
        if (auto r = parse_args(Signature{"BinaryVar.__new__", params}, args, kwargs, a); !r)
            return std::unexpected(r.error());
        auto common = read_name_and_shape(a[0], a[1]);
        if (!common) return std::unexpected(common.error());
        auto latex = argument("latex", to_optional_string(a[2]));
        if (!latex) return std::unexpected(latex.error());
        auto description = argument("description", to_optional_string(a[3]));
        if (!description) return std::unexpected(description.error());
        return new_object(type, new_binary_var(std::move(common->name), std::move(common->shape),
                                               std::move(*latex), std::move(*description)));
    });
}

PyObject* new_bounded_var_object(const char* callable, DecisionVarKind kind, PyTypeObject* type,
                                 PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"name", true, false},       {"shape", false, true},
                                           {"lower_bound", true, true}, {"upper_bound", true, true},
                                           {"latex", false, true},      {"description", false, true}};
        Args<6> a;
        if (auto r = parse_args(Signature{callable, params}, args, kwargs, a); !r)
            return std::unexpected(r.error());
        auto common = read_name_and_shape(a[0], a[1]);
        if (!common) return std::unexpected(common.error());
        auto lower = extract_decision_var_bound(a[2]);
        if (!lower) return std::unexpected(lower.error());
        auto upper = extract_decision_var_bound(a[3]);
        if (!upper) return std::unexpected(upper.error());
        auto latex = argument("latex", to_optional_string(a[4]));
        if (!latex) return std::unexpected(latex.error());
        auto description = argument("description", to_optional_string(a[5]));
        if (!description) return std::unexpected(description.error());
        auto var = new_bounded_var(kind, std::move(common->name), std::move(common->shape),
                                   std::move(*lower), std::move(*upper), std::move(*latex),
                                   std::move(*description));
        if (!var) return std::unexpected(var.error());
        return new_object(type, std::move(*var));
    });
}

}  // namespace forvela::py
