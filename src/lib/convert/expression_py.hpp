// Conversions between Python objects and expression values.
#pragma once

#include "lib/registry.hpp"
#include "model/expression/expression.hpp"

namespace forvela::py {

// Any number or expression object as an Expression; otherwise TypeError
// "failed to convert into expression.".
Result<Expression> expression_from_python(PyObject* obj);

// A new object of the class the node's kind selects.
PyResult expression_into_python(Expression e);

// A new list of objects, one per expression, in order.
PyResult expression_list_into_python(std::vector<Expression> list);

// Python's and NumPy's complex numbers, which no conversion accepts.
bool is_complex_number(PyObject* obj);

// The number attempts of the conversion: an `__index__` integer that fits in
// 64 bits, else anything PyFloat_AsDouble takes; nullopt for anything else
// (complex numbers included). Only an exception that must propagate is an error.
Result<std::optional<NumericValue>> number_from_python(PyObject* obj);

}  // namespace forvela::py
