// Reading the objects the tree tools accept: conversions tried in a fixed
// order, where a failed attempt only lets the next one be tried.
#pragma once

#include <optional>

#include "analysis/walk.hpp"
#include "lib/registry.hpp"

namespace forvela::py {

// The value of a conversion attempt, or nullopt when it failed in a way that
// lets the next form be tried (the pending exception, if any, cleared). An
// exception that must not be swallowed (KeyboardInterrupt and the like)
// comes back as the error.
template <class T>
Result<std::optional<T>> attempt(Result<T> converted) {
    if (converted) return std::optional<T>(std::move(*converted));
    if (converted.error().kind == ErrorKind::PythonPending || PyErr_Occurred()) {
        if (auto r = discard_pending(); !r) return std::unexpected(r.error());
    }
    return std::optional<T>{};
}

// An expression, a condition, a problem, a constraint, a custom penalty term
// or a forall list, tried in that order; nullopt when none fits.
Result<std::optional<ModelObject>> model_object_from_python(PyObject* obj);

// TypeError "the type of obj (= T) is unsupported".
std::unexpected<Error> unsupported_object_error(PyObject* obj);

}  // namespace forvela::py
