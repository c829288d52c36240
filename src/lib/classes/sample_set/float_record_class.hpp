// The Python side of a record of optional floats (SolvingTime, SystemTime):
// constructor, one attribute per field, the dict and JSON forms, the text
// form and comparison, from the record's table of fields.
#pragma once

#include <array>
#include <cstdint>

#include "lib/classes/sample_set/result_items.hpp"
#include "sample_set/float_record.hpp"

namespace forvela::py {

// The dict form: every field, in declared order, as a float or None.
template <class T>
PyResult float_record_to_dict(const T& v) {
    Ref dict(PyDict_New());
    if (!dict) return pending();
    for (const auto& f : FloatRecordTraits<T>::fields)
        FV_TRY(dict_store(dict.get(), f.name, optional_float_into_python(v.*f.member)));
    return dict;
}

// Missing keys and None give absent fields; other keys are ignored.
template <class T>
Result<T> float_record_from_dict(PyObject* dict) {
    T v{};
    for (const auto& f : FloatRecordTraits<T>::fields) {
        FV_ASSIGN_OR_RETURN(Ref value, dict_lookup(dict, f.name));
        FV_ASSIGN_OR_RETURN(v.*f.member, optional_float_from_python(value.get()));
    }
    return v;
}

// The docstrings of one record class's methods.
struct FloatRecordDocs {
    const char* to_dict;
    const char* from_dict;
    const char* to_json;
    const char* from_json;
};

template <class T, ClassId Id>
struct FloatRecordClass {
    using Traits = FloatRecordTraits<T>;
    static constexpr std::size_t kCount = std::size(Traits::fields);

    static constexpr std::array<Param, kCount> params() {
        std::array<Param, kCount> p{};
        for (std::size_t i = 0; i < kCount; ++i) p[i] = Param{Traits::fields[i].name, false, false};
        return p;
    }
    static constexpr std::array<Param, kCount> kParams = params();

    static std::string callable(const char* method) { return std::string(Traits::name) + "." + method; }

    static PyObject* tp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
        return boundary([&]() -> PyResult {
            static const std::string name = callable("__new__");
            Args<kCount> a;
            FV_TRY(parse_args(Signature{name.c_str(), kParams}, args, kwargs, a));
            T v{};
            for (std::size_t i = 0; i < kCount; ++i) {
                FV_ASSIGN_OR_RETURN(v.*Traits::fields[i].member,
                                    argument(Traits::fields[i].name, optional_float_from_python(a[i])));
            }
            return new_object(type, std::move(v));
        });
    }

    static std::size_t field_index(void* closure) { return reinterpret_cast<std::uintptr_t>(closure); }

    static PyObject* get(PyObject* self, void* closure) {
        return boundary([&] {
            return with_shared<T>(self, [&](const T& v) {
                return optional_float_into_python(v.*Traits::fields[field_index(closure)].member);
            });
        });
    }

    static int set(PyObject* self, PyObject* value, void* closure) {
        return result_setter<T>(self, value, [&](T& v, PyObject* obj) -> Result<void> {
            FV_ASSIGN_OR_RETURN(v.*Traits::fields[field_index(closure)].member,
                                optional_float_from_python(obj));
            return {};
        });
    }

    using Forms = ResultForms<T, Id, float_record_to_dict<T>, float_record_from_dict<T>,
                              write_float_record<T>, read_float_record<T>>;

    static const ItemGroup* group(const FloatRecordDocs& docs) {
        static const ItemGroup g = [&] {
            ItemGroup items;
            items.methods = {
                {"to_dict", Forms::to_dict, METH_NOARGS, docs.to_dict},
                {"from_dict", fastcall(Forms::from_dict), METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
                 docs.from_dict},
                {"to_json", Forms::to_json, METH_NOARGS, docs.to_json},
                {"from_json", fastcall(Forms::from_json), METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
                 docs.from_json},
            };
            for (std::size_t i = 0; i < kCount; ++i)
                items.getsets.push_back({Traits::fields[i].name, get, set, nullptr,
                                         reinterpret_cast<void*>(static_cast<std::uintptr_t>(i))});
            items.slots = {
                {Py_tp_new, reinterpret_cast<void*>(tp_new)},
                {Py_tp_str, reinterpret_cast<void*>(result_text<T, append_float_record_text<T>>)},
                {Py_tp_repr, reinterpret_cast<void*>(result_text<T, append_float_record_text<T>>)},
                {Py_tp_richcompare,
                 reinterpret_cast<void*>(result_richcompare<T, Id, float_records_equal<T>>)},
            };
            return items;
        }();
        return &g;
    }
};

}  // namespace forvela::py
