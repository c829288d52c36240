// The family of the five decision-variable classes: one DecisionVar value
// each, differing only in kind, name, docstring and the bound arguments.
#pragma once

#include "lib/convert/expression_py.hpp"
#include "lib/items/node_items.hpp"
#include "lib/items/number_slots.hpp"
#include "lib/convert/operand_py.hpp"

namespace forvela::py {

// A bound read from any object: a scalar expression, else a Placeholder or a
// Subscript object with axes; otherwise ModelingError "the input object is
// not used as the bound of a decision variable".
Result<DecisionVarBound> extract_decision_var_bound(PyObject* obj);

// The items every decision-variable class has: name, description, ndim and
// shape, `_repr_latex_`, str and repr.
const ItemGroup* decision_var_common_items();
// `lower_bound` and `upper_bound`, for every class but BinaryVar.
const ItemGroup* decision_var_bound_items();

Result<Expression> decision_var_receive(PyObject* self);
Result<SubscriptedVariable> decision_var_as_subscripted_variable(PyObject* self);

// The constructors: (name, *, shape=None, latex=None, description=None) for
// binary variables, with the required keyword-only lower_bound and
// upper_bound after shape for the others.
PyObject* new_binary_var_object(PyTypeObject* type, PyObject* args, PyObject* kwargs);
PyObject* new_bounded_var_object(const char* callable, DecisionVarKind kind, PyTypeObject* type,
                                 PyObject* args, PyObject* kwargs);

template <ClassId Id, DecisionVarKind Kind>
struct DecisionVarClass {
    using Self = DecisionVar;

    static PyObject* set_latex(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
        return set_latex_method<Self>(Id, self, args, nargs, kwnames, latex_field<Self>);
    }

    static PyObject* new_bounded(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
        static const std::string callable = std::string(class_name(Id)) + ".__new__";
        return new_bounded_var_object(callable.c_str(), Kind, type, args, kwargs);
    }

    static ClassDef definition(const char* signature, const char* doc) {
        static const ItemGroup own{
            {
                {"set_latex", fastcall(set_latex), METH_FASTCALL | METH_KEYWORDS, kOperandSetLatexDoc},
            },
            {},
            {
                {Py_tp_new, Kind == DecisionVarKind::Binary ? reinterpret_cast<void*>(new_binary_var_object)
                                                            : reinterpret_cast<void*>(new_bounded)},
            },
        };
        std::vector<const ItemGroup*> groups{&own, decision_var_common_items()};
        if (Kind != DecisionVarKind::Binary) groups.push_back(decision_var_bound_items());
        groups.push_back(SubscriptItems<decision_var_as_subscripted_variable>::group());
        groups.push_back(NumberSlots<Id, decision_var_receive>::variable_arithmetic());
        groups.push_back(NumberSlots<Id, decision_var_receive>::comparison());
        return ClassDef{.name = class_name(Id),
                        .signature = signature,
                        .doc = doc,
                        .basicsize = object_size<Self>(),
                        .dealloc = dealloc_object<Self>,
                        .groups = std::move(groups),
                        .finish = nullptr,
                        .to_expression = decision_var_receive};
    }
};

// The class documentation of a bounded variable class, for example
// ("IntegerVar", "an integer", "integer").
std::string bounded_var_doc(const char* cls, const char* a_kind, const char* kind);

inline constexpr const char* kBoundedVarSignature =
    "(name, *, shape=None, lower_bound, upper_bound, latex=None, description=None)";

}  // namespace forvela::py
