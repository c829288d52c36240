#include "lib/convert/model_object_py.hpp"

#include "lib/convert/condition_py.hpp"
#include "lib/convert/expression_py.hpp"
#include "lib/convert/problem_py.hpp"

namespace forvela::py {

namespace {

template <class T>
Result<bool> try_read(std::optional<ModelObject>& out, Result<T> converted) {
    auto got = attempt(std::move(converted));
    if (!got) return std::unexpected(got.error());
    if (!*got) return false;
    out.emplace(std::in_place_type<T>, std::move(**got));
    return true;
}

}  // namespace

Result<std::optional<ModelObject>> model_object_from_python(PyObject* obj) {
    std::optional<ModelObject> out;
    using Reader = Result<bool> (*)(std::optional<ModelObject>&, PyObject*);
    static constexpr Reader kReaders[] = {
        [](std::optional<ModelObject>& o, PyObject* p) { return try_read(o, expression_from_python(p)); },
        [](std::optional<ModelObject>& o, PyObject* p) {
            return try_read(o, conditional_expr_from_python(p));
        },
        [](std::optional<ModelObject>& o, PyObject* p) { return try_read(o, problem_from_python(p)); },
        [](std::optional<ModelObject>& o, PyObject* p) { return try_read(o, constraint_from_python(p)); },
        [](std::optional<ModelObject>& o, PyObject* p) {
            return try_read(o, custom_penalty_term_from_python(p));
        },
        [](std::optional<ModelObject>& o, PyObject* p) { return try_read(o, forall_list_from_python(p)); },
    };
    for (Reader read : kReaders) {
        auto done = read(out, obj);
        if (!done) return std::unexpected(done.error());
        if (*done) return out;
    }
    return out;
}

std::unexpected<Error> unsupported_object_error(PyObject* obj) {
    return fail(ErrorKind::TypeError, "the type of obj (= " + type_qualname(obj) + ") is unsupported");
}

}  // namespace forvela::py
