#include "lib/convert/operand_py.hpp"
#include "model/result_macros.hpp"

#include <array>

#include "lib/convert/expression_py.hpp"
#include "model/expression/operand/array_length.hpp"
#include "model/expression/operand/subscript.hpp"
#include "model/overloaded.hpp"

namespace forvela::py {

// ---- values as new objects ----

PyResult placeholder_into_python(Placeholder v) { return new_object(ClassId::Placeholder, std::move(v)); }
PyResult element_into_python(Element v) { return new_object(ClassId::Element, std::move(v)); }
PyResult subscript_into_python(Subscript v) { return new_object(ClassId::Subscript, std::move(v)); }
PyResult array_length_into_python(ArrayLength v) { return new_object(ClassId::ArrayLength, std::move(v)); }
PyResult range_into_python(Range v) { return new_object(ClassId::Range, std::move(v)); }

namespace {

constexpr std::array kDecisionVarClasses = {ClassId::BinaryVar, ClassId::IntegerVar, ClassId::ContinuousVar,
                                            ClassId::SemiIntegerVar, ClassId::SemiContinuousVar};

constexpr std::array kSubscriptableClasses = {
    ClassId::Placeholder, ClassId::Element,       ClassId::Subscript,      ClassId::BinaryVar,
    ClassId::IntegerVar,  ClassId::ContinuousVar, ClassId::SemiIntegerVar, ClassId::SemiContinuousVar,
};

// A modelling error of subscripting, raised as `kind` with the text
// "ModelingError: " + message; other errors (borrow conflicts) pass unchanged.
Error reraised_modeling_error(Error error, ErrorKind kind) {
    if (error.kind != ErrorKind::ModelingError) return error;
    return Error{kind, "ModelingError: " + error.message};
}

}  // namespace

PyResult decision_var_into_python(DecisionVar v) {
    Expression e(std::move(v));
    ClassId id = class_of(e);
    return new_object(id, std::move(e));
}

PyResult decision_var_bound_into_python(DecisionVarBound bound) {
    return std::visit(overloaded{
                          [](Box<Expression>& e) { return expression_into_python(e.take()); },
                          [](Box<Placeholder>& p) { return placeholder_into_python(*p); },
                          [](Box<Subscript>& s) { return subscript_into_python(s.take()); },
                      },
                      bound);
}

PyResult element_belong_to_into_python(ElementBelongTo set) {
    return std::visit(overloaded{
                          [](Range& r) { return range_into_python(std::move(r)); },
                          [](Box<Placeholder>& p) { return placeholder_into_python(*p); },
                          [](Box<Element>& e) { return element_into_python(e.take()); },
                          [](Box<Subscript>& s) { return subscript_into_python(s.take()); },
                      },
                      set);
}

PyResult subscripted_variable_into_python(SubscriptedVariable v) {
    return std::visit(overloaded{
                          [](Box<Placeholder>& p) { return placeholder_into_python(*p); },
                          [](Box<Element>& e) { return element_into_python(e.take()); },
                          [](Box<DecisionVar>& d) { return decision_var_into_python(d.take()); },
                          [](Box<Subscript>& s) { return subscript_into_python(s.take()); },
                      },
                      v);
}

PyResult array_operand_into_python(ArrayOperand v) {
    return std::visit(overloaded{
                          [](Box<Placeholder>& p) { return placeholder_into_python(*p); },
                          [](Box<Element>& e) { return element_into_python(e.take()); },
                          [](Box<Subscript>& s) { return subscript_into_python(s.take()); },
                      },
                      v);
}

PyResult optional_text_into_python(const OptText& text) {
    if (!text) return none();
    return str_result(*text);
}

Result<Box<DecisionVar>> decision_var_from_python(PyObject* obj) {
    for (ClassId id : kDecisionVarClasses) {
        if (!is_instance(obj, id)) continue;
        auto cell = with_held<DecisionVar>(
            obj, [](const Held<DecisionVar>& h) -> Result<Box<DecisionVar>> { return h.box<DecisionVar>(); });
        if (cell) return cell;
        break;
    }
    return fail(ErrorKind::TypeError, "failed to convert into decision var");
}

// ---- arguments ----

bool is_subscriptable_operand(PyObject* obj) {
    for (ClassId id : kSubscriptableClasses)
        if (is_instance(obj, id)) return true;
    return false;
}

Result<std::uint64_t> u64_from_python(PyObject* obj) {
    Ref index(PyNumber_Index(obj));
    if (!index) return pending();
    unsigned long long v = PyLong_AsUnsignedLongLong(index.get());
    if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return pending();
    return static_cast<std::uint64_t>(v);
}

Result<std::vector<Expression>> expression_items_from_python(PyObject* obj) {
    std::vector<Expression> items;
    FV_TRY(for_each_item(obj, [&](PyObject* item) -> Result<void> {
        FV_ASSIGN_OR_RETURN(auto converted, expression_from_python(item));
        items.push_back(std::move(converted));
        return {};
    }));
    return items;
}

namespace {

// An operand object given as a shape: it reads as a sequence only through
// integer item access. Its first item settles it: a scalar cannot be
// subscripted, an item with axes left is no expression, and an object of one
// axis would yield expressions for every index without end, so it is refused.
Result<std::vector<Expression>> shape_from_operand(PyObject* obj) {
    Ref first(PySequence_GetItem(obj, 0));
    if (!first) return pending();
    FV_ASSIGN_OR_RETURN(auto converted, expression_from_python(first.get()));
    return fail(ErrorKind::TypeError, "'" + type_qualname(obj) + "' object is not iterable");
}

}  // namespace

Result<std::vector<Expression>> shape_from_python(PyObject* obj) {
    if (!obj || obj == Py_None) return std::vector<Expression>{};
    if (is_subscriptable_operand(obj)) return argument("shape", shape_from_operand(obj));
    return argument("shape", expression_items_from_python(obj));
}

Result<std::vector<Expression>> subscript_indices_from_python(PyObject* index) {
    std::vector<Expression> subscripts;
    if (auto single = expression_from_python(index)) {
        subscripts.push_back(std::move(*single));
    } else if (must_propagate(single.error()) || is_subscriptable_operand(index)) {
        return std::unexpected(std::move(single.error()));
    } else {
        FV_ASSIGN_OR_RETURN(auto items, expression_items_from_python(index));
        subscripts = std::move(items);
    }
    return check_subscripts(std::move(subscripts));
}

// ---- shared items ----

PyObject* subscript_getitem(PyObject* self, PyObject* index, SubscriptedVariableFn variable_of) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(auto borrow, borrow_receiver(self));
        auto variable = variable_of(self);
        if (!variable)
            return std::unexpected(
                reraised_modeling_error(std::move(variable.error()), ErrorKind::TypeError));
        FV_ASSIGN_OR_RETURN(auto subscripts, subscript_indices_from_python(index));
        auto subscript = make_subscript(std::move(*variable), std::move(subscripts));
        if (!subscript)
            return std::unexpected(
                reraised_modeling_error(std::move(subscript.error()), ErrorKind::IndexError));
        return subscript_into_python(std::move(*subscript));
    });
}

PyObject* refuse_iteration(PyObject* self) {
    return boundary([&]() -> PyResult {
        return fail(ErrorKind::TypeError, "'" + type_qualname(self) + "' object is not iterable");
    });
}

PyObject* len_at_method(const char* callable, PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                        PyObject* kwnames, ArrayOperandFn operand) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {
            {"axis", true, false}, {"latex", false, true}, {"description", false, true}};
        FV_ASSIGN_OR_RETURN(auto borrow, borrow_receiver(self));
        Args<3> a;
        FV_TRY(parse_args(Signature{callable, params}, args, nargs, kwnames, a));
        FV_ASSIGN_OR_RETURN(auto axis, argument("axis", u64_from_python(a[0])));
        FV_ASSIGN_OR_RETURN(auto latex, argument("latex", to_optional_string(a[1])));
        FV_ASSIGN_OR_RETURN(auto description, argument("description", to_optional_string(a[2])));
        FV_ASSIGN_OR_RETURN(auto array, operand(self));
        FV_ASSIGN_OR_RETURN(auto length,
                            make_array_length(std::move(array), axis, std::nullopt, std::nullopt));
        length.latex = std::move(latex);
        length.description = std::move(description);
        return array_length_into_python(std::move(length));
    });
}

PyResult array_length_tuple(std::uint64_t ndim, ArrayOperandFn operand, PyObject* self) {
    if (ndim > static_cast<std::uint64_t>(PY_SSIZE_T_MAX))
        return fail(ErrorKind::OverflowError, "cannot fit 'int' into an index-sized integer");
    // Each axis costs a tuple slot, an ArrayLength object and its node.
    FV_TRY(check_fits_in_memory(ndim, sizeof(PyObject*) + object_size<ArrayLength>() + 64));
    auto size = static_cast<Py_ssize_t>(ndim);
    Ref tuple(PyTuple_New(size));
    if (!tuple) return pending();
    for (Py_ssize_t k = 0; k < size; ++k) {
        FV_ASSIGN_OR_RETURN(auto array, operand(self));
        FV_ASSIGN_OR_RETURN(auto length, make_array_length(std::move(array), static_cast<std::uint64_t>(k),
                                                           std::nullopt, std::nullopt));
        FV_ASSIGN_OR_RETURN(auto item, array_length_into_python(std::move(length)));
        PyTuple_SET_ITEM(tuple.get(), k, item.release());
    }
    return tuple;
}

}  // namespace forvela::py
