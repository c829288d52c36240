// The Python class MeasuringTime: a SolvingTime, a SystemTime and a total.
#include "lib/classes/sample_set/float_record_class.hpp"
#include "lib/classes/sample_set/result_forms.hpp"
#include "sample_set/measuring_time.hpp"

namespace forvela::py {

namespace {

using Self = MeasuringTime;
constexpr ClassId kId = ClassId::MeasuringTime;

constexpr Param kNewParams[] = {{"solve", false, false}, {"system", false, false}, {"total", false, false}};
constexpr Signature kNewSignature{"MeasuringTime.__new__", kNewParams};

PyObject* measuring_time_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return boundary([&]() -> PyResult {
        Args<3> a;
        FV_TRY(parse_args(kNewSignature, args, kwargs, a));
        Self v{};
        if (a[0]) {
            FV_ASSIGN_OR_RETURN(v.solve,
                                argument("solve", copy_value_of<SolvingTime>(a[0], ClassId::SolvingTime)));
        }
        if (a[1]) {
            FV_ASSIGN_OR_RETURN(v.system,
                                argument("system", copy_value_of<SystemTime>(a[1], ClassId::SystemTime)));
        }
        FV_ASSIGN_OR_RETURN(v.total, argument("total", optional_float_from_python(a[2])));
        return new_object(type, v);
    });
}

// ---- attributes ----

using Solve =
    FieldAccess<Self, SolvingTime, &Self::solve, value_from_object<SolvingTime, ClassId::SolvingTime>,
                value_into_object<SolvingTime, ClassId::SolvingTime>>;
using System =
    FieldAccess<Self, SystemTime, &Self::system, value_from_object<SystemTime, ClassId::SystemTime>,
                value_into_object<SystemTime, ClassId::SystemTime>>;
using Total =
    FieldAccess<Self, OptionalFloat, &Self::total, optional_float_from_python, optional_float_into_python>;

}  // namespace

// ---- dict form ----

PyResult measuring_time_to_dict(const MeasuringTime& v) {
    Ref dict(PyDict_New());
    if (!dict) return pending();
    FV_TRY(dict_store(dict.get(), "solve", float_record_to_dict(v.solve)));
    FV_TRY(dict_store(dict.get(), "system", float_record_to_dict(v.system)));
    FV_TRY(dict_store(dict.get(), "total", optional_float_into_python(v.total)));
    return dict;
}

namespace {

// A nested record: missing gives the default, a dict is read field by
// field, anything else is refused.
template <class T>
Result<T> nested_record_from_dict(PyObject* dict, const char* key) {
    FV_ASSIGN_OR_RETURN(Ref value, dict_lookup(dict, key));
    if (!value) return T{};
    if (!PyDict_Check(value.get()))
        return fail(ErrorKind::ValueError, std::string("the value of the key '") + key + "' is not dict");
    return float_record_from_dict<T>(value.get());
}

}  // namespace

Result<MeasuringTime> measuring_time_from_dict(PyObject* dict) {
    Self v{};
    FV_ASSIGN_OR_RETURN(v.solve, nested_record_from_dict<SolvingTime>(dict, "solve"));
    FV_ASSIGN_OR_RETURN(v.system, nested_record_from_dict<SystemTime>(dict, "system"));
    FV_ASSIGN_OR_RETURN(Ref total, dict_lookup(dict, "total"));
    FV_ASSIGN_OR_RETURN(v.total, optional_float_from_python(total.get()));
    return v;
}

namespace {

// ---- methods ----

using Forms = ResultForms<Self, kId, measuring_time_to_dict, measuring_time_from_dict, write_measuring_time,
                          read_measuring_time>;

const ItemGroup kItems{
    {
        {"to_dict", Forms::to_dict, METH_NOARGS,
         FORVELA_TO_DICT_DOC("dict: A dict whose keys are name of the MeasuringTime's fields.")},
        {"from_dict", fastcall(Forms::from_dict), METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
         FORVELA_FROM_DICT_DOC("MeasuringTime",
                               "If a key is not the name of the MeasuringTime fields, the value value "
                               "is ignored.")},
        {"to_json", Forms::to_json, METH_NOARGS, FORVELA_TO_JSON_DOC("MeasuringTime")},
        {"from_json", fastcall(Forms::from_json), METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
         FORVELA_FROM_JSON_DOC("MeasuringTime")},
    },
    {
        {"solve", Solve::get, Solve::set, nullptr, nullptr},
        {"system", System::get, System::set, nullptr, nullptr},
        {"total", Total::get, Total::set, nullptr, nullptr},
    },
    {
        {Py_tp_new, reinterpret_cast<void*>(measuring_time_new)},
        {Py_tp_str, reinterpret_cast<void*>(result_text<Self, append_measuring_time_text>)},
        {Py_tp_repr, reinterpret_cast<void*>(result_text<Self, append_measuring_time_text>)},
        {Py_tp_richcompare, reinterpret_cast<void*>(result_richcompare<Self, kId, measuring_times_equal>)},
    },
};

ClassDef kClass{
    .name = "MeasuringTime",
    .signature = "(solve=..., system=..., total=None)",
    .doc =
        "A class for storing time to be measured.\n"
        "\n"
        "Attributes:\n"
        "    solve (SolvingTime): Time to solve the problem.\n"
        "    system (SystemTime): Time to measure system time.\n"
        "    total (float, optional): Total time to solve the problem. Defaults to None.",
    .basicsize = object_size<Self>(),
    .dealloc = dealloc_object<Self>,
    .groups = {&kItems},
};

const bool registered = register_class(kId, &kClass);

}  // namespace

}  // namespace forvela::py
