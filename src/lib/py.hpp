// Small owning handle for Python references and the result type of the
// Python layer.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string>
#include <utility>

#include "model/error.hpp"

namespace forvela::py {

class Ref {
public:
    Ref() = default;
    explicit Ref(PyObject* owned) : p_(owned) {}
    static Ref borrowed(PyObject* p) {
        Py_XINCREF(p);
        return Ref(p);
    }
    Ref(const Ref& o) : p_(o.p_) { Py_XINCREF(p_); }
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    Ref& operator=(Ref o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~Ref() { Py_XDECREF(p_); }

    PyObject* get() const { return p_; }
    PyObject* release() { return std::exchange(p_, nullptr); }
    explicit operator bool() const { return p_ != nullptr; }

private:
    PyObject* p_ = nullptr;
};

using PyResult = Result<Ref>;

// The interpreter already holds the exception of this failure.
inline std::unexpected<Error> pending() { return fail(ErrorKind::PythonPending, {}); }

inline PyResult checked(PyObject* p) {
    if (!p) return pending();
    return Ref(p);
}

inline PyResult none() { return Ref::borrowed(Py_None); }
inline PyResult not_implemented() { return Ref::borrowed(Py_NotImplemented); }
PyResult str_result(const std::string& s);

// The name of an object's type as `__qualname__` gives it.
std::string type_qualname(PyObject* obj);

// Fetches and clears the pending exception, giving "TypeName: message".
std::string take_pending_description();

// A conversion that tries its next form may drop the pending exception only
// when it is an instance of Exception: this clears it and returns success.
// KeyboardInterrupt, SystemExit, GeneratorExit and the internal-failure
// exception stay pending and come back as the pending error.
Result<void> discard_pending();

// Whether an error of a conversion attempt must propagate instead of letting
// the next form be tried (an exception that discard_pending kept).
inline bool must_propagate(const Error& e) { return e.kind == ErrorKind::PythonPending; }

}  // namespace forvela::py
