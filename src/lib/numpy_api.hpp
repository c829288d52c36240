// The NumPy array C API, imported on first use. Built against NumPy 2
// headers, which run with NumPy 1.x and 2.x alike.
#pragma once

#include <cstdint>
#include <span>

#include "lib/py.hpp"
#include "model/result_macros.hpp"

#ifndef NPY_NO_DEPRECATED_API
#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#endif
#define PY_ARRAY_UNIQUE_SYMBOL forvela_numpy_array_api
#ifndef FORVELA_NUMPY_API_OWNER
#define NO_IMPORT_ARRAY
#endif
#include <numpy/arrayobject.h>

namespace forvela::py {

// Imports numpy's array API once; its import error stays pending on failure.
Result<void> ensure_numpy();

// Whether `obj` is exactly a numpy.ndarray (importing the API if it is).
bool is_exact_ndarray(PyObject* obj);

// A new one-dimensional float64 array holding a copy of `values`.
PyResult float_array(std::span<const double> values);

// A new two-dimensional uint64 array of `rows` rows by `width`, filled row
// by row by `fill(row, out)`.
template <class Fill>
PyResult u64_matrix(std::size_t rows, std::size_t width, Fill&& fill) {
    FV_TRY(ensure_numpy());
    npy_intp dims[2] = {static_cast<npy_intp>(rows), static_cast<npy_intp>(width)};
    PyObject* array = PyArray_SimpleNew(2, dims, NPY_UINT64);
    if (!array) return pending();
    auto* data = static_cast<std::uint64_t*>(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array)));
    for (std::size_t i = 0; i < rows; ++i) fill(i, data + i * width);
    return Ref(array);
}

}  // namespace forvela::py
