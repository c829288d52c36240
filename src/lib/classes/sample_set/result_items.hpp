// Items shared by the result classes (SolvingTime, SystemTime,
// MeasuringTime, Evaluation and those built on them): equality with the
// ordering comparisons refused, the refusal to delete an attribute, the
// optional-float conversion, the dict conventions and the arguments of the
// static readers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lib/registry.hpp"
#include "sample_set/json_writer.hpp"
#include "sample_set/json_reader.hpp"
#include "model/result_macros.hpp"

namespace forvela::py {

// ---- comparison ----

// The TypeError of an ordering (`op` one of Py_LT, Py_LE, Py_GT, Py_GE)
// between two objects of the class.
inline std::unexpected<Error> ordering_refused(int op, ClassId id) {
    static constexpr const char* kSymbols[] = {"<", "<=", "==", "!=", ">", ">="};
    return fail(ErrorKind::TypeError,
                std::string("Comparison '") + kSymbols[op] + "' not supported for " + class_name(id));
}

// Another class gives NotImplemented; == and != compare by value; the four
// orderings between two objects of the class raise TypeError.
template <class T, ClassId Id, bool (*Equal)(const T&, const T&)>
PyObject* result_richcompare(PyObject* self, PyObject* other, int op) {
    return boundary([&]() -> PyResult {
        if (!is_instance(other, Id)) return not_implemented();
        if (op != Py_EQ && op != Py_NE) return ordering_refused(op, Id);
        FV_ASSIGN_OR_RETURN(bool equal, with_shared<T>(self, [&](const T& a) -> Result<bool> {
                                return with_shared<T>(
                                    other, [&](const T& b) -> Result<bool> { return Equal(a, b); });
                            }));
        return Ref::borrowed(equal == (op == Py_EQ) ? Py_True : Py_False);
    });
}

// ---- attributes ----

// Setters receive null for `del obj.attr`.
inline Result<void> refuse_deletion(PyObject* value) {
    if (!value) return fail(ErrorKind::AttributeError, "can't delete attribute");
    return {};
}

// A setter slot: refuses deletion, then runs `assign(T&, value)` under an
// exclusive borrow that covers the conversion of the value.
template <class T, class Assign>
int result_setter(PyObject* self, PyObject* value, Assign&& assign) {
    return boundary_status([&]() -> Result<void> {
        FV_TRY(refuse_deletion(value));
        return with_exclusive<T>(self, [&](T& v) -> Result<void> { return assign(v, value); });
    });
}

// The getter and setter of the field `Field` of T, converted by `Into` and
// `From`. The conversion runs under the exclusive borrow; a failure leaves
// the field as it was.
template <class T, class V, V T::* Field, Result<V> (*From)(PyObject*), PyResult (*Into)(const V&)>
struct FieldAccess {
    static PyObject* get(PyObject* self, void*) {
        return boundary([&] { return with_shared<T>(self, [](const T& v) { return Into(v.*Field); }); });
    }
    static int set(PyObject* self, PyObject* value, void*) {
        return result_setter<T>(self, value, [](T& v, PyObject* obj) -> Result<void> {
            FV_ASSIGN_OR_RETURN(v.*Field, From(obj));
            return {};
        });
    }
};

// A value of the class `Id` as a new object of it, and back as a copy.
template <class V, ClassId Id>
PyResult value_into_object(const V& v) {
    return new_object(Id, v);
}
template <class V, ClassId Id>
Result<V> value_from_object(PyObject* obj) {
    return copy_value_of<V>(obj, Id);
}

// ---- values ----

// None (or an omitted argument) is absent; anything else goes through the
// interpreter's float conversion, whose TypeError passes unchanged.
Result<std::optional<double>> optional_float_from_python(PyObject* obj);
PyResult optional_float_into_python(const std::optional<double>& x);

// ---- building large values ----

// Pauses the cycle collector while a large value of new containers is
// built, none of which can be part of a cycle yet: without the pause every
// few hundred new containers start a collection that walks them all again.
// No Python code runs while it is held.
class GcPause {
public:
    GcPause() : was_enabled_(PyGC_Disable()) {}
    GcPause(const GcPause&) = delete;
    GcPause& operator=(const GcPause&) = delete;
    ~GcPause() {
        if (was_enabled_ > 0) PyGC_Enable();
    }

private:
    int was_enabled_;
};

// An unsigned 64-bit integer through the index protocol; the interpreter's
// TypeError or OverflowError otherwise.
Result<std::uint64_t> count_from_python(PyObject* obj);
// A float through the interpreter's float conversion.
Result<double> float_from_python(PyObject* obj);

// The Python numbers made while converting one value: each small int is
// made once and then shared, and a float equal (bit for bit) to the one
// made before it shares that object. Both are immutable, so sharing them
// is invisible.
class NumberCache {
public:
    NumberCache() = default;
    NumberCache(const NumberCache&) = delete;
    NumberCache& operator=(const NumberCache&) = delete;
    ~NumberCache();

    // New references; null with the error pending on failure.
    PyObject* integer(std::uint64_t v);
    PyObject* real(double x);

private:
    static constexpr std::uint64_t kSmall = 1u << 16;
    std::vector<PyObject*> ints_;
    PyObject* last_real_ = nullptr;
};

// New Python lists of ints and floats, and a new tuple of ints.
PyResult u64_list_into_python(std::span<const std::uint64_t> values, NumberCache& cache);
PyResult f64_list_into_python(std::span<const double> values, NumberCache& cache);
PyResult u64_tuple_into_python(std::span<const std::uint64_t> values, NumberCache& cache);
PyResult u64_list_into_python(std::span<const std::uint64_t> values);

// ---- dicts ----

Result<void> require_dict(PyObject* obj);  // "... cannot be converted to 'PyDict'"
// The value under `key` as a new reference; an empty Ref when missing.
Result<Ref> dict_lookup(PyObject* dict, const char* key);
// Stores a new value under `key`.
Result<void> dict_store(PyObject* dict, const char* key, PyResult value);
Result<void> dict_store(PyObject* dict, std::string_view key, PyResult value);

// ---- pandas ----

// pandas.DataFrame.from_dict, pandas imported on every call.
PyResult pandas_frame_from_dict();

// ---- text ----

// The UTF-8 text of a `json` argument (a str). Text holding lone
// surrogates is passed on as its bytes, for the reader to refuse.
struct Utf8Text {
    Ref holder;
    std::string_view view;
};
Result<Utf8Text> json_text_from_python(PyObject* obj);

// A new str from UTF-8 text made by this module.
PyResult text_into_python(std::string_view text);

// tp_str and tp_repr: the text that `Append(out, value)` writes.
template <class T, void (*Append)(std::string&, const T&)>
PyObject* result_text(PyObject* self) {
    return boundary([&] {
        return with_shared<T>(self, [](const T& v) {
            std::string out;
            Append(out, v);
            return text_into_python(out);
        });
    });
}

// ---- the static readers from_dict(dict) and from_json(json) ----

// The one argument of `Class.method(name)`, checked against nothing else.
Result<PyObject*> single_argument(const char* callable, const char* name, PyObject* const* args,
                                  Py_ssize_t nargs, PyObject* kwnames);

// `from_dict(dict)`: checks the argument and hands it to `read(dict)`.
template <class Read>
PyObject* from_dict_method(const char* callable, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                           Read&& read) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(PyObject * dict, single_argument(callable, "dict", args, nargs, kwnames));
        FV_TRY(argument("dict", require_dict(dict)));
        return read(dict);
    });
}

// `from_json(json)`: checks the argument and hands its text to `read`.
template <class Read>
PyObject* from_json_method(const char* callable, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                           Read&& read) {
    return boundary([&]() -> PyResult {
        FV_ASSIGN_OR_RETURN(PyObject * json, single_argument(callable, "json", args, nargs, kwnames));
        FV_ASSIGN_OR_RETURN(Utf8Text text, argument("json", json_text_from_python(json)));
        return read(text.view);
    });
}

// The docstrings of the four conversion methods.
#define FORVELA_TO_DICT_DOC(returns) "to_dict($self)\n--\n\nConvert into a dict.\n\nReturns:\n    " returns
#define FORVELA_FROM_DICT_DOC(cls, remark)                                           \
    "from_dict(dict)\n--\n\nCreate a " cls " object from the given dict.\n\n" remark \
    "\n\n"                                                                           \
    "Args:\n    dict (dict): A dict.\n\nReturns:\n    A " cls " object."
#define FORVELA_TO_JSON_DOC(cls)               \
    "to_json($self)\n--\n\nSerialize the " cls \
    " object into a JSON string.\n\n"          \
    "Returns:\n    str: A JSON string.\n\nNote:\n    A numpy array is serialized into a list."
#define FORVELA_FROM_JSON_DOC(cls)         \
    "from_json(json)\n--\n\nCreate a " cls \
    " object from the JSON string.\n\n"    \
    "Args:\n    json (str): A JSON string.\n\nReturns:\n    " cls ": A " cls " object."

// `to_dict`, `from_dict`, `to_json` and `from_json` of a result class whose
// value T converts through the four functions given.
template <class T, ClassId Id, PyResult (*ToDict)(const T&), Result<T> (*FromDict)(PyObject*),
          void (*Write)(JsonWriter&, const T&), Result<T> (*Read)(JsonReader&)>
struct ResultForms {
    static PyObject* to_dict(PyObject* self, PyObject*) {
        return boundary([&] { return with_shared<T>(self, ToDict); });
    }
    static PyObject* from_dict(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
        std::string callable = std::string(class_name(Id)) + ".from_dict";
        return from_dict_method(callable.c_str(), args, nargs, kwnames, [](PyObject* dict) -> PyResult {
            FV_ASSIGN_OR_RETURN(T v, FromDict(dict));
            return new_object(Id, std::move(v));
        });
    }
    static PyObject* to_json(PyObject* self, PyObject*) {
        return boundary([&] {
            return with_shared<T>(self, [](const T& v) {
                JsonWriter w;
                Write(w, v);
                return text_into_python(w.text());
            });
        });
    }
    static PyObject* from_json(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
        std::string callable = std::string(class_name(Id)) + ".from_json";
        return from_json_method(callable.c_str(), args, nargs, kwnames,
                                [](std::string_view text) -> PyResult {
                                    FV_ASSIGN_OR_RETURN(T v, JsonReader::read_text<T>(text, Read));
                                    return new_object(Id, std::move(v));
                                });
    }
};

}  // namespace forvela::py
