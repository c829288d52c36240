// The module's exception types and the raising of model errors.
#pragma once

#include "lib/py.hpp"

namespace forvela::py {

// The three exported exception types, created once per process.
Result<PyObject*> modeling_error_type();
Result<PyObject*> protobuf_serialization_error_type();
Result<PyObject*> protobuf_deserialization_error_type();

// Sets the Python exception that `error` names (a pending one stays as it is).
void raise(const Error& error);

}  // namespace forvela::py
