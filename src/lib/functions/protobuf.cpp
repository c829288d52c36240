// The module functions to_protobuf and from_protobuf: the model format's
// bytes of a problem, constraint, penalty term, expression or condition, and
// the object read back from them.
#include <cstring>

#include "lib/convert/condition_py.hpp"
#include "lib/convert/expression_py.hpp"
#include "lib/convert/problem_py.hpp"
#include "model/memory.hpp"
#include "protobuf/deserializer.hpp"
#include "protobuf/serializer.hpp"

namespace forvela::py {

namespace {

// The object as one of the serializable kinds, tried in order; the failure
// names every attempt.
Result<SerializableObject> serializable_from_python(PyObject* obj) {
    static constexpr const char* kNames[] = {"Problem", "Constraint", "CustomPenaltyTerm", "Expression",
                                             "ConditionalExpr"};
    std::string failures[5];
    auto attempt = [&](int k, auto converted) -> std::optional<Result<SerializableObject>> {
        if (converted) return Result<SerializableObject>(SerializableObject(std::move(*converted)));
        if (must_propagate(converted.error()))
            return Result<SerializableObject>(std::unexpected(converted.error()));
        if (auto r = discard_pending(); !r) return Result<SerializableObject>(std::unexpected(r.error()));
        failures[k] = std::string("TypeError: failed to extract field SerializableObject::") + kNames[k] +
                      ".0, caused by TypeError: " + converted.error().message;
        return std::nullopt;
    };
    if (auto r = attempt(0, problem_from_python(obj))) return std::move(*r);
    if (auto r = attempt(1, constraint_from_python(obj))) return std::move(*r);
    if (auto r = attempt(2, custom_penalty_term_from_python(obj))) return std::move(*r);
    if (auto r = attempt(3, expression_from_python(obj))) return std::move(*r);
    if (auto r = attempt(4, conditional_expr_from_python(obj))) return std::move(*r);
    std::string message =
        "failed to extract enum SerializableObject ('Problem | Constraint | CustomPenaltyTerm | Expression | "
        "ConditionalExpr')";
    for (int k = 0; k < 5; ++k)
        message += std::string("\n- variant ") + kNames[k] + " (" + kNames[k] + "): " + failures[k];
    return fail(ErrorKind::TypeError, std::move(message));
}

PyObject* to_protobuf(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"obj", true, false}};
        Args<1> a;
        if (auto r = parse_args(Signature{"to_protobuf", params}, args, nargs, kwnames, a); !r)
            return std::unexpected(r.error());
        auto object = argument("obj", serializable_from_python(a[0]));
        if (!object) return std::unexpected(object.error());
        auto bytes = serialize_to_protobuf(*object);
        if (!bytes) return std::unexpected(bytes.error());
        PyObject* out = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(bytes->size()));
        if (out) {
            // A fresh block, first written by this copy.
            prefer_large_pages(PyBytes_AS_STRING(out), bytes->size());
            std::memcpy(PyBytes_AS_STRING(out), bytes->data(), bytes->size());
        }
        return checked(out);
    });
}

PyObject* from_protobuf(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"buf", true, false}};
        Args<1> a;
        if (auto r = parse_args(Signature{"from_protobuf", params}, args, nargs, kwnames, a); !r)
            return std::unexpected(r.error());
        PyObject* buf = a[0];
        if (!PyBytes_Check(buf))
            return std::unexpected(argument_error("buf", cannot_convert(buf, "PyBytes").error()));
        std::string_view bytes(PyBytes_AS_STRING(buf), static_cast<std::size_t>(PyBytes_GET_SIZE(buf)));
        // The bytes object is immutable and held by the caller for the whole call.
        auto object = deserialize_from_protobuf(bytes);
        if (!object) return std::unexpected(object.error());
        switch (object->index()) {
            case 0: return problem_into_python(std::move(std::get<0>(*object)));
            case 1: return constraint_into_python(std::move(std::get<1>(*object)));
            case 2: return custom_penalty_term_into_python(std::move(std::get<2>(*object)));
            case 3: return expression_into_python(std::move(std::get<3>(*object)));
            default: return conditional_expr_into_python(std::move(std::get<4>(*object)));
        }
    });
}

PyMethodDef kToProtobuf{"to_protobuf", fastcall(to_protobuf), METH_FASTCALL | METH_KEYWORDS,
                        "to_protobuf(obj)\n--\n\n"};
PyMethodDef kFromProtobuf{
    "from_protobuf", fastcall(from_protobuf), METH_FASTCALL | METH_KEYWORDS,
    "from_protobuf(buf)\n--\n\n"
    "Read a problem, constraint, custom penalty term, expression or condition from the bytes that\n"
    "`to_protobuf` wrote.\n"
    "\n"
    "Args:\n"
    "    buf (bytes): One encoded `Header` message of the forvela model format.\n"
    "\n"
    "Raises:\n"
    "    ProtobufDeserializationError: Raises if the bytes are not a valid encoding of a model.\n"};

const bool registered = register_function(FunctionId::to_protobuf, &kToProtobuf) &&
                        register_function(FunctionId::from_protobuf, &kFromProtobuf);

}  // namespace

}  // namespace forvela::py
