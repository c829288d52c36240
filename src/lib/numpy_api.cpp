#define FORVELA_NUMPY_API_OWNER
#include "lib/numpy_api.hpp"
#include "model/result_macros.hpp"

#include <cstring>

namespace forvela::py {

Result<void> ensure_numpy() {
    static bool ready = false;
    if (ready) return {};
    // Not through import_array(), which prints and replaces the failure.
    if (_import_array() < 0) {
        if (!PyErr_Occurred()) return fail(ErrorKind::ImportError, "numpy's array API could not be imported");
        return pending();
    }
    ready = true;
    return {};
}

bool is_exact_ndarray(PyObject* obj) {
    if (std::strcmp(Py_TYPE(obj)->tp_name, "numpy.ndarray") != 0) return false;
    if (!ensure_numpy()) {
        PyErr_Clear();
        return false;
    }
    return PyArray_CheckExact(obj);
}

PyResult float_array(std::span<const double> values) {
    FV_TRY(ensure_numpy());
    npy_intp dims[1] = {static_cast<npy_intp>(values.size())};
    PyObject* array = PyArray_SimpleNew(1, dims, NPY_FLOAT64);
    if (!array) return pending();
    if (!values.empty())
        std::memcpy(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array)), values.data(),
                    values.size() * sizeof(double));
    return Ref(array);
}

}  // namespace forvela::py
