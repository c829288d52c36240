// Items shared by every class whose value carries its own custom LaTeX text:
// `set_latex`, `_repr_latex_`, `__str__` and `__repr__`.
#pragma once

#include <string>

#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "lib/registry.hpp"
#include "print/printer.hpp"

namespace forvela::py {

inline constexpr const char* kSetLatexDoc =
    "set_latex($self, latex=None)\n--\n\n"
    "Set the LaTeX representation of the object.\n"
    "\n"
    "If the LaTeX representation is not set, the default one is used.\n"
    "\n"
    "Args:\n"
    "    latex (Optional[str]): The LaTeX representation of the object. Defaults to None.\n";

inline constexpr const char* kReprLatexDoc = "_repr_latex_($self)\n--\n\n";

// `obj.set_latex(latex=None)`: replaces the custom LaTeX text of the value
// that `slot` selects; None removes it.
template <class T>
PyObject* set_latex_method(ClassId id, PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames, OptText& (*slot)(T&)) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"latex", false, false}};
        std::string callable = std::string(class_name(id)) + ".set_latex";
        Args<1> a;
        FV_TRY(parse_args(Signature{callable.c_str(), params}, args, nargs, kwnames, a));
        FV_ASSIGN_OR_RETURN(auto latex, argument("latex", to_optional_string(a[0])));
        return with_exclusive<T>(self, [&](T& v) -> PyResult {
            slot(v) = std::move(latex);
            return none();
        });
    });
}

template <class T>
OptText& latex_field(T& v) {
    return v.latex;
}

// A type slot answering a text made from the object's value.
template <class T, std::string (*Text)(const T&)>
PyObject* text_slot(PyObject* self) {
    return boundary([&] { return with_shared<T>(self, [](const T& v) { return str_result(Text(v)); }); });
}

// The same as a method without arguments (`_repr_latex_`).
template <class T, std::string (*Text)(const T&)>
PyObject* text_method(PyObject* self, PyObject*) {
    return text_slot<T, Text>(self);
}

// A render entry fixed to one mode.
template <class T, std::string (*Render)(const T&, PrintMode), PrintMode Mode>
std::string rendered(const T& v) {
    return Render(v, Mode);
}

// A LaTeX text in its notebook frame.
template <class T, std::string (*Latex)(const T&)>
std::string framed(const T& v) {
    return wrap_latex(Latex(v));
}

// A copy of the object's node as an expression (the receiver of the number
// slots of the operator classes: no check applies).
template <class T>
Result<Expression> node_as_expression(PyObject* self) {
    return with_held<T>(self, [](const Held<T>& h) -> Result<Expression> { return h; });
}

template <class T>
Result<ConditionalExpr> node_as_condition(PyObject* self) {
    return with_held<T>(self, [](const Held<T>& h) -> Result<ConditionalExpr> { return h; });
}

// A getter returning a new object for a copy of one boxed operand of the node.
template <class T, const Box<Expression> T::* Field>
PyObject* operand_getter(PyObject* self, void*) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(
            auto operand, with_shared<T>(self, [](const T& v) -> Result<Expression> { return *(v.*Field); }));
        return expression_into_python(std::move(operand));
    });
}

// The four text items of a node class whose value T is rendered by `Render`.
template <ClassId Id, class T, std::string (*Render)(const T&, PrintMode)>
struct NodeTextItems {
    static std::string latex(const T& v) { return wrap_latex(node_to_latex<T>(v, Render)); }
    static constexpr auto str = text_slot<T, rendered<T, Render, PrintMode::Str>>;
    static constexpr auto repr = text_slot<T, rendered<T, Render, PrintMode::Repr>>;
    static constexpr auto repr_latex = text_method<T, latex>;
    static PyObject* set_latex(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
        return set_latex_method<T>(Id, self, args, nargs, kwnames, latex_field<T>);
    }

    static const ItemGroup* group() {
        static const ItemGroup g{
            {
                {"set_latex", fastcall(set_latex), METH_FASTCALL | METH_KEYWORDS, kSetLatexDoc},
                {"_repr_latex_", repr_latex, METH_NOARGS, kReprLatexDoc},
            },
            {},
            {
                {Py_tp_str, reinterpret_cast<void*>(str)},
                {Py_tp_repr, reinterpret_cast<void*>(repr)},
            },
        };
        return &g;
    }
};

}  // namespace forvela::py
