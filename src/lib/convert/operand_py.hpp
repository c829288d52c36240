// What the operand classes share on the Python side: their values as new
// objects, the reading of index, shape and axis arguments, subscripting
// through `[]`, `len_at` and `shape`, and the refusal of iteration.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lib/items/node_items.hpp"
#include "lib/registry.hpp"
#include "model/result_macros.hpp"
#include "model/expression/expression.hpp"

namespace forvela::py {

// ---- values as new objects ----

PyResult placeholder_into_python(Placeholder v);
PyResult element_into_python(Element v);
PyResult subscript_into_python(Subscript v);
PyResult array_length_into_python(ArrayLength v);
PyResult range_into_python(Range v);
PyResult decision_var_into_python(DecisionVar v);
// An expression bound as its node's class, else a Placeholder or Subscript.
PyResult decision_var_bound_into_python(DecisionVarBound bound);
PyResult element_belong_to_into_python(ElementBelongTo set);
PyResult subscripted_variable_into_python(SubscriptedVariable v);
PyResult array_operand_into_python(ArrayOperand v);
// None, or a new str.
PyResult optional_text_into_python(const OptText& text);

// The value of an object of any of the five decision-variable classes (its
// cell, shared); otherwise TypeError "failed to convert into decision var".
Result<Box<DecisionVar>> decision_var_from_python(PyObject* obj);

// ---- arguments ----

// An object of a class that answers `[]` (Placeholder, Element, Subscript and
// the decision-variable classes). Such an object passes the interpreter's
// sequence check, but iterating it would never end, so no reader iterates it.
bool is_subscriptable_operand(PyObject* obj);

// A non-negative integer through the index protocol: TypeError for a value
// without `__index__`, the interpreter's OverflowError for a negative value or
// one of 2**64 or more.
Result<std::uint64_t> u64_from_python(PyObject* obj);

// The items of a list, tuple or other sequence (not a str), each through the
// expression conversion. The caller deals with operand objects first.
Result<std::vector<Expression>> expression_items_from_python(PyObject* obj);

// The `shape` argument of the decision-variable classes: None (or absent)
// is the empty shape. TypeErrors carry the "argument 'shape': " prefix.
Result<std::vector<Expression>> shape_from_python(PyObject* obj);

// The index of `[]`: one expression, or a sequence of them; then checked.
Result<std::vector<Expression>> subscript_indices_from_python(PyObject* index);

// ---- shared items ----

using SubscriptedVariableFn = Result<SubscriptedVariable> (*)(PyObject* self);
using ArrayOperandFn = Result<ArrayOperand> (*)(PyObject* self);

// `self[index]`: a scalar receiver is TypeError "ModelingError: ...", too
// many subscripts IndexError "ModelingError: ...".
PyObject* subscript_getitem(PyObject* self, PyObject* index, SubscriptedVariableFn variable);

// `__iter__`: TypeError "'Name' object is not iterable".
PyObject* refuse_iteration(PyObject* self);

// `obj.len_at(axis, *, latex=None, description=None)`.
PyObject* len_at_method(const char* callable, PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                        PyObject* kwnames, ArrayOperandFn operand);

// A tuple of the ArrayLength of every axis 0 .. ndim - 1 of the array that
// `operand` gives; OverflowError or MemoryError for an ndim no tuple can hold.
PyResult array_length_tuple(std::uint64_t ndim, ArrayOperandFn operand, PyObject* self);

// `[]`, integer item access (so the objects answer the sequence protocol as
// `[]` does) and the refusal of iteration.
template <SubscriptedVariableFn Variable>
struct SubscriptItems {
    static PyObject* getitem(PyObject* self, PyObject* index) {
        return subscript_getitem(self, index, Variable);
    }
    static PyObject* item(PyObject* self, Py_ssize_t i) {
        PyObject* index = PyLong_FromSsize_t(i);
        if (!index) return nullptr;
        PyObject* result = subscript_getitem(self, index, Variable);
        Py_DECREF(index);
        return result;
    }
    static const ItemGroup* group() {
        static const ItemGroup g{{},
                                 {},
                                 {
                                     {Py_mp_subscript, reinterpret_cast<void*>(getitem)},
                                     {Py_sq_item, reinterpret_cast<void*>(item)},
                                     {Py_tp_iter, reinterpret_cast<void*>(refuse_iteration)},
                                 }};
        return &g;
    }
};

inline constexpr const char* kOperandSetLatexDoc =
    "set_latex($self, latex=None)\n--\n\n"
    "Set the LaTeX representation of the object.\n"
    "\n"
    "If the LaTeX representation is not set, the default representation is set.\n"
    "\n"
    "Args:\n"
    "    latex (Optional[str], optional): The LaTeX representation of the object. "
    "Defaults to None.\n";

inline constexpr const char* kLenAtDoc =
    "len_at($self, axis, *, latex=None, description=None)\n--\n\n"
    "Return the length of the array at the given axis.\n"
    "\n"
    "Args:\n"
    "    axis (int): The axis, 0 for the outermost one.\n"
    "    latex (Optional[str], optional): The LaTeX representation of the length. "
    "Defaults to None.\n"
    "    description (Optional[str], optional): A description of the length. "
    "Defaults to None.\n"
    "\n"
    "Returns:\n"
    "    ArrayLength: The length of the array at the given axis.\n"
    "\n"
    "Raises:\n"
    "    ModelingError: If the object is a scalar or `axis` is not below `ndim`.\n";

// ---- items shared by Placeholder, Element and Subscript ----

// The value of an object as an operand, as the variable of a subscript and as
// an array (each sharing the object's node), and the getters and methods
// built on them.
template <class T, ClassId Id, Result<Expression> (*IntoExpression)(Box<T>),
          Result<SubscriptedVariable> (*IntoVariable)(Box<T>), Result<ArrayOperand> (*IntoArray)(Box<T>)>
struct OperandItems {
    static Result<Box<T>> box_of(PyObject* self) {
        return with_held<T>(self, [](const Held<T>& h) -> Result<Box<T>> { return h.template box<T>(); });
    }
    static Result<Expression> receive(PyObject* self) {
        FV_ASSIGN_OR_RETURN(auto v, box_of(self));
        return IntoExpression(std::move(v));
    }
    static Result<SubscriptedVariable> as_subscripted_variable(PyObject* self) {
        FV_ASSIGN_OR_RETURN(auto v, box_of(self));
        return IntoVariable(std::move(v));
    }
    static Result<ArrayOperand> as_array_operand(PyObject* self) {
        FV_ASSIGN_OR_RETURN(auto v, box_of(self));
        return IntoArray(std::move(v));
    }

    static PyObject* get_name(PyObject* self, void*) {
        return boundary([&] { return with_shared<T>(self, [](const T& v) { return str_result(v.name); }); });
    }
    static PyObject* get_ndim(PyObject* self, void*) {
        return boundary([&] {
            return with_shared<T>(self, [](const T& v) -> PyResult {
                return checked(PyLong_FromUnsignedLongLong(ndim_of(v)));
            });
        });
    }
    static PyObject* get_description(PyObject* self, void*) {
        return boundary([&] {
            return with_shared<T>(self, [](const T& v) { return optional_text_into_python(v.description); });
        });
    }
    static PyObject* len_at(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
        std::string callable = std::string(class_name(Id)) + ".len_at";
        return len_at_method(callable.c_str(), self, args, nargs, kwnames, as_array_operand);
    }
    static PyObject* set_latex(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
        return set_latex_method<T>(Id, self, args, nargs, kwnames, latex_field<T>);
    }
    // The ArrayLength of every axis.
    static PyObject* get_shape(PyObject* self, void*) {
        return boundary([&]() -> PyResult {
            FV_ASSIGN_OR_RETURN(auto ndim, with_shared<T>(self, [](const T& v) -> Result<std::uint64_t> {
                                    return ndim_of(v);
                                }));
            return array_length_tuple(ndim, as_array_operand, self);
        });
    }
};

}  // namespace forvela::py
