// The number slots and the rich comparison shared by every expression class:
// forward form when the left operand is an instance, reflected form when only
// the right one is, NotImplemented when neither; the left operand is always
// converted first and the operands keep their source order.
#pragma once

#include "lib/registry.hpp"
#include "model/expression/expression.hpp"

namespace forvela::py {

// The receiving object's value as an expression (operand classes apply their
// scalar check here).
using ReceiverFn = Result<Expression> (*)(PyObject*);
// The binary arithmetic operators, each calling the core builder of its name.
enum class Arithmetic : std::uint8_t { Add, Subtract, Multiply, Divide, Modulo };

PyObject* binary_number_slot(ClassId id, ReceiverFn receive, PyObject* a, PyObject* b, Arithmetic op);
PyObject* power_slot(ClassId id, ReceiverFn receive, PyObject* a, PyObject* b, PyObject* m);
PyObject* negative_slot(ReceiverFn receive, PyObject* a);
PyObject* richcompare_slot(ClassId id, ReceiverFn receive, PyObject* a, PyObject* b, int op);

template <ClassId Id, ReceiverFn Receive>
struct NumberSlots {
    static PyObject* add(PyObject* a, PyObject* b) {
        return binary_number_slot(Id, Receive, a, b, Arithmetic::Add);
    }
    static PyObject* subtract(PyObject* a, PyObject* b) {
        return binary_number_slot(Id, Receive, a, b, Arithmetic::Subtract);
    }
    static PyObject* multiply(PyObject* a, PyObject* b) {
        return binary_number_slot(Id, Receive, a, b, Arithmetic::Multiply);
    }
    static PyObject* true_divide(PyObject* a, PyObject* b) {
        return binary_number_slot(Id, Receive, a, b, Arithmetic::Divide);
    }
    static PyObject* remainder(PyObject* a, PyObject* b) {
        return binary_number_slot(Id, Receive, a, b, Arithmetic::Modulo);
    }
    static PyObject* power(PyObject* a, PyObject* b, PyObject* m) { return power_slot(Id, Receive, a, b, m); }
    static PyObject* negative(PyObject* a) { return negative_slot(Receive, a); }
    static PyObject* richcompare(PyObject* a, PyObject* b, int op) {
        return richcompare_slot(Id, Receive, a, b, op);
    }

    // All seven arithmetic slots.
    static const ItemGroup* arithmetic() {
        static const ItemGroup group{{},
                                     {},
                                     {
                                         {Py_nb_add, reinterpret_cast<void*>(add)},
                                         {Py_nb_subtract, reinterpret_cast<void*>(subtract)},
                                         {Py_nb_multiply, reinterpret_cast<void*>(multiply)},
                                         {Py_nb_true_divide, reinterpret_cast<void*>(true_divide)},
                                         {Py_nb_remainder, reinterpret_cast<void*>(remainder)},
                                         {Py_nb_power, reinterpret_cast<void*>(power)},
                                         {Py_nb_negative, reinterpret_cast<void*>(negative)},
                                     }};
        return &group;
    }
    // Decision variables: no true division and no remainder.
    static const ItemGroup* variable_arithmetic() {
        static const ItemGroup group{{},
                                     {},
                                     {
                                         {Py_nb_add, reinterpret_cast<void*>(add)},
                                         {Py_nb_subtract, reinterpret_cast<void*>(subtract)},
                                         {Py_nb_multiply, reinterpret_cast<void*>(multiply)},
                                         {Py_nb_power, reinterpret_cast<void*>(power)},
                                         {Py_nb_negative, reinterpret_cast<void*>(negative)},
                                     }};
        return &group;
    }
    static const ItemGroup* comparison() {
        static const ItemGroup group{{},
                                     {},
                                     {
                                         {Py_tp_richcompare, reinterpret_cast<void*>(richcompare)},
                                     }};
        return &group;
    }
};

}  // namespace forvela::py
