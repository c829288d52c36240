// Failures of the model layer are values: an operation returns either its
// result or an Error naming the Python exception kind it becomes at the
// boundary, with the message already built.
#pragma once

#include <expected>
#include <stdexcept>
#include <string>
#include <utility>

namespace forvela {

enum class ErrorKind : unsigned char {
    TypeError,
    ValueError,
    IndexError,
    OverflowError,
    ZeroDivisionError,
    RuntimeError,
    AttributeError,
    MemoryError,
    RecursionError,
    ImportError,
    SystemError,
    ModelingError,
    ProtobufSerializationError,
    ProtobufDeserializationError,
    // A broken invariant; raised as the module's internal-failure exception.
    Internal,
    // The Python layer only: an exception is already set in the interpreter.
    PythonPending,
};

struct Error {
    ErrorKind kind;
    std::string message;
};

template <class T>
using Result = std::expected<T, Error>;

inline std::unexpected<Error> fail(ErrorKind kind, std::string message) {
    return std::unexpected<Error>(Error{kind, std::move(message)});
}

inline std::unexpected<Error> modeling_error(std::string message) {
    return fail(ErrorKind::ModelingError, std::move(message));
}

// A broken invariant met inside a walk that has no error channel of its own
// (the printer); the boundary raises it as the internal-failure exception.
struct InternalFailure final : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace forvela
