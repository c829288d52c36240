// Conversions between Python objects and conditions, and the logical slots
// (&, |, ^ and the refused truth value) of the comparison and logical classes.
#pragma once

#include "lib/registry.hpp"
#include "model/expression/expression.hpp"

namespace forvela::py {

// A copy of a comparison or logical object's value; otherwise TypeError
// "failed to convert into a conditional expression.".
Result<ConditionalExpr> conditional_expr_from_python(PyObject* obj);
PyResult conditional_expr_into_python(ConditionalExpr c);

using ConditionReceiverFn = Result<ConditionalExpr> (*)(PyObject*);
PyObject* logical_slot(ClassId id, ConditionReceiverFn receive, PyObject* a, PyObject* b, LogicalOpKind kind);
// A condition is a model object, not a truth value: `bool(c)`, `not c`,
// `c and d`, `if c:` and chained comparisons raise TypeError.
int condition_bool(PyObject* self);

template <ClassId Id, ConditionReceiverFn Receive>
struct LogicalSlots {
    static PyObject* and_(PyObject* a, PyObject* b) {
        return logical_slot(Id, Receive, a, b, LogicalOpKind::And);
    }
    static PyObject* or_(PyObject* a, PyObject* b) {
        return logical_slot(Id, Receive, a, b, LogicalOpKind::Or);
    }
    static PyObject* xor_(PyObject* a, PyObject* b) {
        return logical_slot(Id, Receive, a, b, LogicalOpKind::Xor);
    }

    static const ItemGroup* group() {
        static const ItemGroup g{{},
                                 {},
                                 {
                                     {Py_nb_and, reinterpret_cast<void*>(and_)},
                                     {Py_nb_or, reinterpret_cast<void*>(or_)},
                                     {Py_nb_xor, reinterpret_cast<void*>(xor_)},
                                     {Py_nb_bool, reinterpret_cast<void*>(condition_bool)},
                                 }};
        return &g;
    }
};

}  // namespace forvela::py
