// The Python class NumberLit: a number literal.
#include "lib/convert/expression_py.hpp"
#include "model/result_macros.hpp"
#include "lib/items/node_items.hpp"
#include "lib/items/number_slots.hpp"
#include "model/expression/operand/data_type.hpp"
#include "print/printer.hpp"

namespace forvela::py {

PyResult data_type_object(DataType value);  // data_type.cpp

namespace {

using Self = NumericValue;

// A NumericValue from `value`: an integer through the index protocol when it
// fits in 64 bits, else a float; the failure names both attempts.
Result<NumericValue> numeric_value_from_python(PyObject* obj) {
    std::string integer_failure;
    if (PyObject* index = PyNumber_Index(obj)) {
        long long v = PyLong_AsLongLong(index);
        Py_DECREF(index);
        if (!(v == -1 && PyErr_Occurred())) return NumericValue::of_integer(v);
    }
    if (PyErr_Occurred() && !PyErr_ExceptionMatches(PyExc_Exception)) return pending();
    integer_failure = take_pending_description();
    if (is_complex_number(obj)) {
        // PyFloat_AsDouble would drop the imaginary part of NumPy's complex scalars.
        PyErr_Format(PyExc_TypeError, "must be real number, not %.200s", Py_TYPE(obj)->tp_name);
    } else {
        double d = PyFloat_AsDouble(obj);
        if (!(d == -1.0 && PyErr_Occurred())) return NumericValue::of_float(d);
    }
    if (!PyErr_ExceptionMatches(PyExc_Exception)) return pending();
    std::string float_failure = take_pending_description();
    return fail(ErrorKind::TypeError,
                "failed to extract enum NumericValue ('Integer | Float')\n"
                "- variant Integer (Integer): TypeError: failed to extract field "
                "NumericValue::Integer.0, caused by " +
                    integer_failure +
                    "\n- variant Float (Float): TypeError: failed to extract field "
                    "NumericValue::Float.0, caused by " +
                    float_failure);
}

constexpr Param kNewParams[] = {{"value", true, false}};
constexpr Signature kNewSignature{"NumberLit.__new__", kNewParams};

PyObject* number_lit_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        Args<1> a;
        FV_TRY(parse_args(kNewSignature, args, kwargs, a));
        FV_ASSIGN_OR_RETURN(auto value, argument("value", numeric_value_from_python(a[0])));
        return new_object(type, value);
    });
}

PyObject* get_value(PyObject* self, void*) {
    return boundary([&] {
        return with_shared<Self>(self, [](const Self& v) -> PyResult {
            return checked(v.is_integer() ? PyLong_FromLongLong(v.integer) : PyFloat_FromDouble(v.floating));
        });
    });
}

PyObject* get_dtype(PyObject* self, void*) {
    return boundary([&] {
        return with_shared<Self>(self, [](const Self& v) { return data_type_object(data_type_of(v)); });
    });
}

Result<Expression> to_expression(PyObject* obj) {
    return with_shared<Self>(obj, [](const Self& v) -> Result<Expression> { return Expression(v); });
}

const ItemGroup kItems{
    {
        {"_repr_latex_", (text_method<Self, rendered<Self, render, PrintMode::Latex>>), METH_NOARGS,
         "_repr_latex_($self)\n--\n\n"},
    },
    {
        {"value", get_value, nullptr, nullptr, nullptr},
        {"dtype", get_dtype, nullptr, nullptr, nullptr},
    },
    {
        {Py_tp_new, reinterpret_cast<void*>(number_lit_new)},
        {Py_tp_str, reinterpret_cast<void*>((text_slot<Self, numeric_text>))},
        {Py_tp_repr, reinterpret_cast<void*>((text_slot<Self, rendered<Self, render, PrintMode::Repr>>))},
    },
};

ClassDef kClass{.name = "NumberLit",
                .signature = "(value)",
                .doc =
                    "A class for creating a number literal\n"
                    "\n"
                    "The `NumberLit` class is used to create a number literal.\n"
                    "Its instance is also created as the result of arithmetic or mathematical functions\n"
                    "applied to a number and an object defined by `forvela`.\n"
                    "\n"
                    "Attributes\n"
                    "-----------\n"
                    "- `value` (`int | float`): The value of the number literal.\n"
                    "- `dtype` (`DataType`): `DataType.INTEGER` if the value is an integer, otherwise\n"
                    "  `DataType.FLOAT`.\n"
                    "\n"
                    "Args\n"
                    "-----\n"
                    "- `value` (`int | float`): The value of the number literal.\n"
                    "\n"
                    "Examples\n"
                    "---------\n"
                    "Create a number literal with an integer value 123.\n"
                    "\n"
                    "```python\n"
                    ">>> import forvela\n"
                    ">>> v = forvela.NumberLit(123)\n"
                    ">>> v.dtype == forvela.DataType.INTEGER\n"
                    "True\n"
                    "```\n"
                    "\n"
                    "Create a number literal with a float value 1.23.\n"
                    "\n"
                    "```python\n"
                    ">>> v = forvela.NumberLit(1.23)\n"
                    ">>> v.dtype == forvela.DataType.FLOAT\n"
                    "True\n"
                    "```\n",
                .basicsize = object_size<Self>(),
                .dealloc = dealloc_object<Self>,
                .groups = {&kItems, NumberSlots<ClassId::NumberLit, to_expression>::arithmetic(),
                           NumberSlots<ClassId::NumberLit, to_expression>::comparison()},
                .finish = nullptr,
                .to_expression = to_expression};

const bool registered = register_class(ClassId::NumberLit, &kClass);

}  // namespace

}  // namespace forvela::py
