// The enumeration classes of senses (ConstraintSense, ProblemSense): class
// attributes made once with the class, repr, int, and == / != against ints
// and objects of the same class.
#pragma once

#include <optional>
#include <span>
#include <utility>

#include "lib/registry.hpp"
#include "model/result_macros.hpp"

namespace forvela::py {

template <class E>
struct SenseMember {
    const char* name;
    E value;
};

// Traits: `Value`, `kId`, `kPrefix` ("ProblemSense.") and `members()`.
template <class Traits>
struct SenseEnumClass {
    using Self = typename Traits::Value;

    static PyObject* repr(PyObject* self) {
        return boundary([&] {
            return with_shared<Self>(self, [](const Self& v) -> PyResult {
                for (const auto& m : Traits::members())
                    if (m.value == v) return str_result(std::string(Traits::kPrefix) + m.name);
                return fail(ErrorKind::Internal, "unknown sense");
            });
        });
    }

    static PyObject* to_int(PyObject* self) {
        return boundary([&] {
            return with_shared<Self>(self, [](const Self& v) -> PyResult {
                return checked(PyLong_FromLong(static_cast<long>(v)));
            });
        });
    }

    // == and != against an int (index protocol) or another object of the
    // class; anything else, and every ordering, is NotImplemented.
    static PyObject* richcompare(PyObject* self, PyObject* other, int op) {
        return boundary([&]() -> PyResult {
            if (op != Py_EQ && op != Py_NE) return not_implemented();
            FV_ASSIGN_OR_RETURN(auto mine, with_shared<Self>(self, [](const Self& v) -> Result<long long> {
                                    return static_cast<long long>(v);
                                }));
            std::optional<long long> theirs;
            if (is_instance(other, Traits::kId)) {
                auto read = with_shared<Self>(
                    other, [](const Self& o) -> Result<long long> { return static_cast<long long>(o); });
                if (!read) return not_implemented();
                theirs = *read;
            } else if (PyObject* index = PyNumber_Index(other)) {
                long long n = PyLong_AsLongLong(index);
                Py_DECREF(index);
                if (!(n == -1 && PyErr_Occurred())) theirs = n;
            }
            FV_TRY(discard_pending());
            if (!theirs) return not_implemented();
            bool same = mine == *theirs;
            return Ref::borrowed((op == Py_EQ) == same ? Py_True : Py_False);
        });
    }

    static Result<void> add_members(PyTypeObject* type) {
        for (const auto& m : Traits::members()) {
            FV_ASSIGN_OR_RETURN(auto obj, new_object(type, m.value));
            if (PyDict_SetItemString(type->tp_dict, m.name, obj.get()) < 0) return pending();
        }
        PyType_Modified(type);
        return {};
    }

    static const ItemGroup* group() {
        static const ItemGroup g{
            {},
            {},
            {
                {Py_tp_repr, reinterpret_cast<void*>(repr)},
                {Py_nb_int, reinterpret_cast<void*>(to_int)},
                {Py_tp_richcompare, reinterpret_cast<void*>(richcompare)},
            },
        };
        return &g;
    }

    static ClassDef definition(const char* name, const char* doc) {
        return ClassDef{.name = name,
                        .signature = nullptr,
                        .doc = doc,
                        .basicsize = object_size<Self>(),
                        .dealloc = dealloc_object<Self>,
                        .groups = {group()},
                        .finish = add_members};
    }
};

}  // namespace forvela::py
